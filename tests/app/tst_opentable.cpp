#include "StatusBar.h"
#include "frmVerzino.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Closes the next modal message box, noting its icon and text.
class BoxCloser final : public QObject {
public:
    BoxCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxCloser::poll);
        m_timer.start(10);
    }
    std::optional<QMessageBox::Icon> icon;
    QString text;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        icon = box->icon();
        text = box->text();
        m_timer.stop();
        box->button(QMessageBox::Ok)->click();
    }
    QTimer m_timer;
};

} // namespace

// A table named on the command line is read as if chosen in the Apri Tabella dialog.
class TestOpenTable final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_window.reset(); }
    void readsAsIfChosen();
    void failureChangesNothing_data();
    void failureChangesNothing();

private:
    QString status() const { return m_window->findChild<StatusBar *>(u"SB"_s)->panelText(); }
    // File > Apri Tabella... cancelled: the dialog's remembered choice is read again.
    void cancelDialog()
    {
        m_window->commonDialog1().setChooser(
            [this](QWidget *, const QString &, const QStringList &) {
                ++m_dialogs;
                return std::optional<QString>();
            });
        m_window->findChild<QAction *>(u"mnuApriT"_s)->trigger();
    }

    std::unique_ptr<frmVerzino> m_window;
    QTemporaryDir m_dir;
    int m_dialogs = 0;
};

void TestOpenTable::init()
{
    QVERIFY(m_dir.isValid());
    m_dialogs = 0;
    m_window = std::make_unique<frmVerzino>();
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

    m_window->openTable(path);
    QCOMPARE(m_window->fileTabella(), path);
    QCOMPARE(m_window->nomeTabella(), u"prova.tbl"_s);
    QCOMPARE(m_window->vociTabella().entry(0x41), u"A"_s);
    QCOMPARE(m_window->vociTabella().entry(0x42), u"#"_s);
    QCOMPARE(status(), u"Tabella caricata: prova.tbl"_s);
    QCOMPARE(m_window->commonDialog1().fileName(), path);
    QCOMPARE(m_window->commonDialog1().fileTitle(), u"prova.tbl"_s);

    // The dialog remembers it as its last choice: a cancel reads the file again.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("41=Z\r\n");
    file.close();
    cancelDialog();
    QCOMPARE(m_dialogs, 1);
    QCOMPARE(m_window->vociTabella().entry(0x41), u"Z"_s);
    QCOMPARE(m_window->fileTabella(), path);
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
        m_window->openTable(good);
    const QString statusBefore = status();
    const QString fileBefore = m_window->fileTabella();

    const QString missing = m_dir.filePath(u"manca.tbl"_s);
    {
        BoxCloser closer;
        m_window->openTable(missing);
        QCOMPARE(closer.icon, std::optional(QMessageBox::Critical));
        QVERIFY2(closer.text.contains(u"manca.tbl"_s), qPrintable(closer.text));
    }
    QCOMPARE(status(), statusBefore);
    QCOMPARE(m_window->fileTabella(), fileBefore);
    QCOMPARE(m_window->commonDialog1().fileName(), fileBefore);
    QCOMPARE(m_window->vociTabella().entry(0x41), tableBefore ? u"A"_s : QString());

    // Nor does a later cancel read the file that failed.
    BoxCloser closer;
    cancelDialog();
    QVERIFY(!closer.icon);
    QCOMPARE(m_window->fileTabella(), fileBefore);
    QCOMPARE(status(), statusBefore);
}

QTEST_MAIN(TestOpenTable)
#include "tst_opentable.moc"
