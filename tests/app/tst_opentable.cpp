#include "MainWindow.h"
#include "StatusBar.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include <memory>

using namespace Qt::StringLiterals;

// A table named on the command line is read as if chosen in the Apri Tabella dialog.
class TestOpenTable final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_window.reset(); }
    void readsAsIfChosen();
    void failureChangesNothing_data();
    void failureChangesNothing();
    void namesAreBytes_data();
    void namesAreBytes();

private:
    QString status() const { return WindowHarness::status(m_window.get()); }
    // What the line keeps of "ABZ#": which of the tables here is in force.
    QString kept() const { return WindowHarness::typed(m_window.get(), u"ABZ#"_s); }
    // File > Apri Tabella... cancelled: the dialog's remembered choice is read again.
    void cancelDialog()
    {
        m_window->findChild<QAction *>(u"mnuApriT"_s)->trigger();
        QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    }
    void open(const QString &path)
    {
        m_window->openTable(QFile::encodeName(path));
        QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    }

    std::unique_ptr<MainWindow> m_window;
    WindowHarness::ScriptedChooser m_chooser;
    QTemporaryDir m_dir;
};

void TestOpenTable::init()
{
    QVERIFY(m_dir.isValid());
    m_chooser = {};
    m_window = std::make_unique<MainWindow>(m_chooser.chooser());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestOpenTable::readsAsIfChosen()
{
    const QString path = m_dir.filePath(u"prova.tbl"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("41=A\r\n");
    file.close();

    open(path);
    QCOMPARE(kept(), u"A#"_s);
    QCOMPARE(status(), u"Tabella caricata: prova.tbl"_s);

    // The dialog remembers it as its last choice: a cancel reads the file again.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("41=Z\r\n");
    file.close();
    cancelDialog();
    QCOMPARE(m_chooser.calls.size(), 1);
    QCOMPARE(kept(), u"Z#"_s);
}

void TestOpenTable::failureChangesNothing_data()
{
    QTest::addColumn<bool>("tableBefore");
    QTest::newRow("first table") << false;
    QTest::newRow("over a table in force") << true;
}

void TestOpenTable::failureChangesNothing()
{
    QFETCH(bool, tableBefore);

    const QString good = m_dir.filePath(u"buona.tbl"_s);
    QFile file(good);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("41=A\n");
    file.close();
    if (tableBefore)
        open(good);
    const QString statusBefore = status();
    const QString keptBefore = kept();

    const QString missing = m_dir.filePath(u"manca.tbl"_s);
    {
        WindowHarness::ModalWatcher watcher;
        open(missing);
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes.first().icon, QMessageBox::Critical);
        QVERIFY2(watcher.boxes.first().text.contains(u"manca.tbl"_s),
                 qPrintable(watcher.boxes.first().text));
    }
    QCOMPARE(status(), statusBefore);
    QCOMPARE(kept(), keptBefore);

    // Nor does a later cancel read the file that failed.
    WindowHarness::ModalWatcher watcher;
    cancelDialog();
    QTest::qWait(50);
    QVERIFY(watcher.boxes.isEmpty());
    QCOMPARE(kept(), keptBefore);
    QCOMPARE(status(), statusBefore);
}

void TestOpenTable::namesAreBytes_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("there") << true;
    QTest::newRow("missing") << false;
}

// "lat\xe9.tbl", Latin-1 as an older system wrote it: no UTF-8, so no text holds it whole.
void TestOpenTable::namesAreBytes()
{
    QFETCH(bool, exists);
    const QByteArray path = QFile::encodeName(m_dir.path()) + "/lat\xe9.tbl";
    const auto write = [&path](const char *table) {
        std::FILE *file = std::fopen(path.constData(), "wb");
        return file && std::fputs(table, file) >= 0 && std::fclose(file) == 0;
    };
    std::remove(path.constData());
    QVERIFY(!exists || write("41=A\r\n"));
    WindowHarness::ModalWatcher watcher;
    m_window->openTable(path);
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    const QString shown = u"lat\uFFFD.tbl"_s; // the byte that is no character
    if (!exists) {
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QVERIFY(watcher.boxes.first().text.contains(shown));
        return;
    }
    QCOMPARE(status(), u"Tabella caricata: "_s + shown);
    // A cancelled dialog reads it again, by its own name.
    QVERIFY(write("41=Z\r\n"));
    cancelDialog();
    QCOMPARE(kept(), u"Z#"_s);
    QVERIFY(watcher.boxes.isEmpty());
}

QTEST_MAIN(TestOpenTable)
#include "tst_opentable.moc"
