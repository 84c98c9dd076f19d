#include "AppInfo.h"
#include "CapsLock.h"
#include "CharacterTable.h"
#include "Fonts.h"
#include "LineBox.h"
#include "MainWindow.h"
#include "OpenFileDialog.h"
#include "Shape.h"
#include "StatusBar.h"
#include "Twips.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Examples = QStringLiteral(VERZINO_EXAMPLES_DIR);

QRect designRect(int left, int top, int width, int height)
{
    return Twips::rect(left, top, width, height);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// How wide a label or check box must be to show its caption whole.
int captionWidth(QWidget *control)
{
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->fontMetrics().horizontalAdvance(label->text());
    auto *box = qobject_cast<QCheckBox *>(control);
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    option.rect = box->rect();
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    return contents.left() + box->fontMetrics().horizontalAdvance(box->text());
}

} // namespace

class tst_MainWindow final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_window;
    WindowHarness::ScriptedChooser m_chooser;

    template <typename T> T *control(const QString &name) const
    {
        return WindowHarness::control<T>(m_window.get(), name);
    }
    QString status() const { return WindowHarness::status(m_window.get()); }
    // What the line keeps of characters that tell the tables here apart.
    QString kept() const { return WindowHarness::typed(m_window.get(), u"ABXYZ#"_s); }
    QAction *action(const QString &name) const { return control<QAction>(name); }

    void choose(const std::optional<QString> &answer)
    {
        m_chooser.answers.append(answer);
        action(u"mnuApriT"_s)->trigger();
        QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    }

private Q_SLOTS:
    void init()
    {
        m_chooser = {};
        m_window = std::make_unique<MainWindow>(m_chooser.chooser());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void designGeometry_data();
    void designGeometry();
    void clientAreaAndFixedSize();
    void captionsShowWhole();
    void startState();
    void tabOrder();
    void menus();
    void accessKeys_data();
    void accessKeys();
    void openCancelBeforeAnyChoice();
    void openExample_data();
    void openExample();
    void cancelAfterChoiceReadsAgain();
    void secondFileMerges();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void openTables_data();
    void openTables();
    void openTableIsTheDialogsChoice();
    void fileNameShownAsWritten();
    void informationBox();
    void esciCloses();
    void spinnerSetsLimitAndMovesMarker();
    void spinnerKeys_data();
    void spinnerKeys();
    void capsLockFollowsKeyEvents();
};

void tst_MainWindow::designGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("design");
    QTest::addColumn<bool>("captioned"); // may be widened, or pushed right, to show its caption

    QTest::newRow("SB") << u"SB"_s << designRect(0, 1695, 6600, 375) << false;
    QTest::newRow("rtbRiga") << u"rtbRiga"_s << designRect(120, 600, 5535, 345) << false;
    // The limit field and its arrows are one spin box, where the design put the two side by side.
    QTest::newRow("UpDown1") << u"UpDown1"_s << designRect(5760, 600, 720, 345) << false;
    QTest::newRow("chkAppunti") << u"chkAppunti"_s << designRect(120, 1320, 2655, 255) << true;
    QTest::newRow("chkSvuota") << u"chkSvuota"_s << designRect(3000, 1320, 2295, 255) << true;
    QTest::newRow("Label1") << u"Label1"_s << designRect(120, 240, 2655, 255) << true;
    QTest::newRow("Label2") << u"Label2"_s << designRect(5760, 240, 495, 255) << true;
}

void tst_MainWindow::designGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, design);
    QFETCH(bool, captioned);

    const QWidget *widget = control<QWidget>(name);
    QCOMPARE(widget->parentWidget(),
             WindowHarness::control<QWidget>(m_window.get(), u"clientArea"_s));
    const QRect actual = widget->geometry();
    if (!captioned) {
        QCOMPARE(actual, design);
        return;
    }
    QCOMPARE(actual.top(), design.top());
    QCOMPARE(actual.height(), design.height());
    QVERIFY2(actual.left() >= design.left(), qPrintable(name));
    QVERIFY2(actual.width() >= design.width(), qPrintable(name));
}

void tst_MainWindow::clientAreaAndFixedSize()
{
    const QWidget *client = WindowHarness::control<QWidget>(m_window.get(), u"clientArea"_s);
    QCOMPARE(client->size(), QSize(440, 138));
    QCOMPARE(client->geometry().top(), m_window->menuBar()->geometry().bottom() + 1);
    QCOMPARE(m_window->height(), m_window->menuBar()->height() + client->height());
    QCOMPARE(m_window->width(), client->width());
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->size(), m_window->minimumSize());

    QCOMPARE(control<Shape>(u"shpLimite"_s)->geometry(), designRect(175, 960, 135, 135));
}

void tst_MainWindow::captionsShowWhole()
{
    const QStringList captioned = {u"Label1"_s, u"Label2"_s, u"chkAppunti"_s, u"chkSvuota"_s};
    for (const QString &name : captioned) {
        QWidget *widget = control<QWidget>(name);
        QVERIFY2(widget->width() >= captionWidth(widget), qPrintable(name));
        QVERIFY2(widget->height() >= widget->fontMetrics().height(), qPrintable(name));
    }
    // The first control of each row keeps its designed Left.
    QCOMPARE(control<QWidget>(u"Label1"_s)->x(), designRect(120, 0, 0, 0).x());
    QCOMPARE(control<QWidget>(u"chkAppunti"_s)->x(), designRect(120, 0, 0, 0).x());

    // No control overlaps another or leaves the client area.
    const QRect client = WindowHarness::control<QWidget>(m_window.get(), u"clientArea"_s)->rect();
    const QStringList all = {u"SB"_s,     u"rtbRiga"_s,   u"chkAppunti"_s, u"Label1"_s,
                             u"Label2"_s, u"chkSvuota"_s, u"UpDown1"_s,    u"shpLimite"_s};
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QRect a = control<QWidget>(all[i])->geometry();
        QVERIFY2(client.contains(a), qPrintable(all[i]));
        for (qsizetype j = i + 1; j < all.size(); ++j) {
            const QRect b = control<QWidget>(all[j])->geometry();
            QVERIFY2(!a.intersects(b), qPrintable(all[i] + u" overlaps "_s + all[j]));
        }
    }
}

void tst_MainWindow::startState()
{
    QCOMPARE(m_window->windowTitle(), u"Verzino v.1.0 - (C) 2026 gli autori di Verzino"_s);
    const QList<QSize> iconSizes = m_window->windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)));
    QVERIFY(iconSizes.contains(QSize(32, 32)));

    auto *line = control<LineBox>(u"rtbRiga"_s);
    QCOMPARE(QApplication::focusWidget(), line);
    QVERIFY(line->text().isEmpty());
    QCOMPARE(WindowHarness::typed(m_window.get(), QString(50, u'x')).size(), 50);
    QCOMPARE(line->font(), Fonts::courier());

    auto *limit = control<QLineEdit>(u"txtLimite"_s);
    QCOMPARE(limit->text(), u"0"_s);
    QVERIFY(limit->isReadOnly());
    QCOMPARE(limit->font(), Fonts::courier());
    auto *spinner = control<QSpinBox>(u"UpDown1"_s);
    QCOMPARE(spinner->value(), 0);
    QCOMPARE(spinner->minimum(), 0);
    QCOMPARE(spinner->maximum(), 45);
    QCOMPARE(limit->parentWidget(), spinner);

    for (const QString &name : {u"chkAppunti"_s, u"chkSvuota"_s}) {
        auto *box = control<QCheckBox>(name);
        QCOMPARE(box->checkState(), Qt::Checked);
        QCOMPARE(box->font(), QApplication::font());
    }
    QCOMPARE(control<QCheckBox>(u"chkAppunti"_s)->text(), u"Copia negli Appunti con INVIO"_s);
    QCOMPARE(control<QCheckBox>(u"chkSvuota"_s)->text(), u"Svuota casella con INVIO"_s);
    QCOMPARE(control<QLabel>(u"Label1"_s)->text(), u"Scrivi qui la riga:"_s);
    QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"Limite:"_s);
    QCOMPARE(control<QLabel>(u"Label1"_s)->font(), QApplication::font());

    const auto *marker = control<Shape>(u"shpLimite"_s);
    QVERIFY(marker->isVisible());
    QCOMPARE(marker->fillColor(), QColor(255, 0, 0));

    QCOMPARE(status(), u"Nessuna tabella aperta"_s);

    // With no table in force, whatever is typed goes into the line.
    QTest::keyClicks(QApplication::focusWidget(), u"aZ#~"_s);
    QCOMPARE(line->text(), u"aZ#~"_s);
}

void tst_MainWindow::tabOrder()
{
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The limit field and its arrows are one control, where the field stood in the order.
    QCOMPARE(order, (QStringList{u"rtbRiga"_s, u"chkAppunti"_s, u"UpDown1"_s, u"chkSvuota"_s,
                                 u"rtbRiga"_s}));
    for (const QString &name : {u"Label1"_s, u"Label2"_s, u"SB"_s})
        QCOMPARE(control<QWidget>(name)->focusPolicy(), Qt::NoFocus);
}

void tst_MainWindow::menus()
{
    const QList<QAction *> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0]->menu(), control<QMenu>(u"mnuFile"_s));
    QCOMPARE(bar[1]->menu(), control<QMenu>(u"mnuAiuto"_s));
    QCOMPARE(bar[0]->text(), u"&File"_s);
    QCOMPARE(bar[1]->text(), u"&?"_s);

    const QList<QAction *> file = control<QMenu>(u"mnuFile"_s)->actions();
    QCOMPARE(file, (QList<QAction *>{action(u"mnuApriT"_s), action(u"mnuEsci"_s)}));
    const QList<QAction *> help = control<QMenu>(u"mnuAiuto"_s)->actions();
    QCOMPARE(help, (QList<QAction *>{action(u"mnuInfo"_s)}));
    QCOMPARE(action(u"mnuApriT"_s)->text(), u"&Apri Tabella..."_s);
    QCOMPARE(action(u"mnuEsci"_s)->text(), u"&Esci"_s);
    QCOMPARE(action(u"mnuInfo"_s)->text(), u"&Informazioni su..."_s);
    for (const QAction *item : file + help)
        QVERIFY(item->shortcuts().isEmpty());
}

void tst_MainWindow::accessKeys_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("menuKey");
    QTest::addColumn<int>("itemKey");
    QTest::addColumn<QString>("effect");

    QTest::newRow("Alt+F, A") << u"mnuFile"_s << int(Qt::Key_F) << int(Qt::Key_A) << u"dialog"_s;
    QTest::newRow("Alt+F, E") << u"mnuFile"_s << int(Qt::Key_F) << int(Qt::Key_E) << u"closed"_s;
    QTest::newRow("Alt+?, I") << u"mnuAiuto"_s << int(Qt::Key_Question) << int(Qt::Key_I)
                              << u"information"_s;
}

void tst_MainWindow::accessKeys()
{
    QFETCH(QString, menu);
    QFETCH(int, menuKey);
    QFETCH(int, itemKey);
    QFETCH(QString, effect);

    WindowHarness::ModalWatcher closer;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(menuKey), Qt::AltModifier);
    auto *popup = control<QMenu>(menu);
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key(itemKey));
    QTRY_VERIFY(!popup->isVisible());

    if (effect == u"dialog"_s) {
        QTRY_COMPARE(m_chooser.calls.size(), 1);
        QVERIFY(m_window->isVisible());
    } else if (effect == u"closed"_s) {
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY(m_chooser.calls.isEmpty());
    } else {
        QTRY_COMPARE(closer.boxes.size(), 1);
        QCOMPARE(closer.boxes[0].title, u"Informazioni su..."_s);
        QVERIFY(m_chooser.calls.isEmpty());
    }
}

void tst_MainWindow::openCancelBeforeAnyChoice()
{
    choose(std::nullopt);

    QCOMPARE(m_chooser.calls.size(), 1);
    QCOMPARE(m_chooser.calls[0].title, u"Apri Tabella..."_s);
    QCOMPARE(m_chooser.calls[0].nameFilters,
             (QStringList{u"File Tabella (*.tbl) (*.tbl)"_s, u"Tutti i file (*.*) (*)"_s}));
    QCOMPARE(kept(), u"ABXYZ#"_s); // nothing is checked
    QCOMPARE(status(), u"Nessuna tabella aperta"_s);
}

void tst_MainWindow::openExample_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("maiuscole") << u"maiuscole.tbl"_s << u"A a#"_s << u"A #"_s;
    QTest::newRow("italiano") << u"italiano.tbl"_s << u"a@"_s << u"a"_s;
}

void tst_MainWindow::openExample()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    // The line is not touched by a menu command.
    QTest::keyClicks(control<LineBox>(u"rtbRiga"_s), u"ab"_s);
    choose(QDir(Examples).absoluteFilePath(name));
    QCOMPARE(control<LineBox>(u"rtbRiga"_s)->text(), u"ab"_s);

    QCOMPARE(status(), u"Tabella caricata: "_s + name);
    QCOMPARE(WindowHarness::typed(m_window.get(), typed), kept);
}

void tst_MainWindow::cancelAfterChoiceReadsAgain()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"prova.tbl"_s);
    writeFile(path, "41=A\r\n");
    choose(path);
    QCOMPARE(kept(), u"A#"_s);

    // Only a second reading can bring the new text in.
    writeFile(path, "41=Z\r\n");
    choose(std::nullopt);

    QCOMPARE(m_chooser.calls.size(), 2);
    QCOMPARE(kept(), u"Z#"_s);
    QCOMPARE(status(), u"Tabella caricata: prova.tbl"_s);
}

void tst_MainWindow::secondFileMerges()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath(u"prima.tbl"_s), "41=A\r\n42=B\r\n");
    writeFile(dir.filePath(u"seconda.tbl"_s), "42=X\r\n43=\r\n");
    choose(dir.filePath(u"prima.tbl"_s));
    choose(dir.filePath(u"seconda.tbl"_s));

    QCOMPARE(status(), u"Tabella caricata: seconda.tbl"_s);
    // 0x41 kept, 0x42 replaced, 0x43 empty and filled.
    QCOMPARE(kept(), u"AX#"_s);
}

void tst_MainWindow::unreadableFileChangesNothing_data()
{
    QTest::addColumn<bool>("tableBefore");
    QTest::addColumn<QString>("badName");
    QTest::addColumn<bool>("isFolder");

    QTest::newRow("missing, first") << false << u"manca.tbl"_s << false;
    QTest::newRow("missing, after a table") << true << u"manca.tbl"_s << false;
    QTest::newRow("folder, first") << false << u"cartella.tbl"_s << true;
    QTest::newRow("folder, after a table") << true << u"cartella.tbl"_s << true;
}

void tst_MainWindow::unreadableFileChangesNothing()
{
    QFETCH(bool, tableBefore);
    QFETCH(QString, badName);
    QFETCH(bool, isFolder);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (tableBefore) {
        writeFile(dir.filePath(u"buona.tbl"_s), "41=A\r\n");
        choose(dir.filePath(u"buona.tbl"_s));
    }
    const QString badPath = dir.filePath(badName);
    if (isFolder)
        QVERIFY(QDir(dir.path()).mkdir(badName));

    const QString keptBefore = kept();
    const QString statusBefore = status();

    {
        WindowHarness::ModalWatcher closer;
        choose(badPath);

        QCOMPARE(closer.boxes.size(), 1);
        QVERIFY2(closer.boxes[0].text.contains(badName), qPrintable(closer.boxes[0].text));
        QCOMPARE(closer.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(closer.boxes[0].buttons, 1);
    }

    QCOMPARE(kept(), keptBefore);
    QCOMPARE(status(), statusBefore);

    // A later cancel reads the file in force again, if any, not the one that failed.
    if (tableBefore)
        writeFile(dir.filePath(u"buona.tbl"_s), "5A=Z\r\n");
    WindowHarness::ModalWatcher closer;
    choose(std::nullopt);
    QVERIFY(closer.boxes.isEmpty());
    QCOMPARE(kept(), tableBefore ? u"AZ#"_s : keptBefore);
    QCOMPARE(status(), statusBefore);
}

void tst_MainWindow::openTables_data()
{
    QTest::addColumn<QStringList>("names"); // files in dir; "manca" is missing
    QTest::addColumn<QString>("inForce");   // empty: none
    QTest::addColumn<QString>("kept");      // of "ABXYZ#" afterwards
    QTest::addColumn<int>("errorBoxes");

    QTest::newRow("one") << QStringList{u"a.tbl"_s} << u"a.tbl"_s << u"AB#"_s << 0;
    QTest::newRow("each over the last")
        << QStringList{u"a.tbl"_s, u"b.tbl"_s, u"c.tbl"_s} << u"c.tbl"_s << u"AXY#"_s << 0;
    QTest::newRow("in the order given")
        << QStringList{u"c.tbl"_s, u"b.tbl"_s, u"a.tbl"_s} << u"a.tbl"_s << u"ABY#"_s << 0;
    QTest::newRow("stops at the first failure")
        << QStringList{u"a.tbl"_s, u"manca.tbl"_s, u"b.tbl"_s} << u"a.tbl"_s << u"AB#"_s << 1;
    QTest::newRow("first fails, nothing read")
        << QStringList{u"manca.tbl"_s, u"a.tbl"_s} << QString() << u"ABXYZ#"_s << 1;
}

void tst_MainWindow::openTables()
{
    QFETCH(QStringList, names);
    QFETCH(QString, inForce);
    QFETCH(QString, kept);
    QFETCH(int, errorBoxes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath(u"a.tbl"_s), "41=A\r\n42=B\r\n");
    writeFile(dir.filePath(u"b.tbl"_s), "42=X\r\n");
    writeFile(dir.filePath(u"c.tbl"_s), "43=Y\r\n");
    QByteArrayList paths;
    for (const QString &name : names)
        paths.append(QFile::encodeName(dir.filePath(name)));

    WindowHarness::ModalWatcher watcher;
    m_window->openTables(paths);
    QVERIFY(WindowHarness::isLoading(m_window.get()));
    QVERIFY(WindowHarness::waitForLoad(m_window.get(), 10'000));

    QCOMPARE(watcher.boxes.size(), errorBoxes);
    if (errorBoxes)
        QVERIFY(watcher.boxes[0].text.contains(dir.filePath(u"manca.tbl"_s)));
    QCOMPARE(status(),
             inForce.isEmpty() ? u"Nessuna tabella aperta"_s : u"Tabella caricata: "_s + inForce);
    QCOMPARE(this->kept(), kept);
    QVERIFY(m_chooser.calls.isEmpty());
}

void tst_MainWindow::openTableIsTheDialogsChoice()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"diretta.tbl"_s);
    writeFile(path, "41=A\r\n");
    m_window->openTable(QFile::encodeName(path));
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    QCOMPARE(status(), u"Tabella caricata: diretta.tbl"_s);

    // A cancelled dialog reads it again.
    writeFile(path, "41=Z\r\n");
    choose(std::nullopt);
    QCOMPARE(kept(), u"Z#"_s);

    // While a table loads, neither the menu nor a second call starts another reading.
    m_window->openTable(QFile::encodeName(path));
    QVERIFY(WindowHarness::isLoading(m_window.get()));
    m_window->openTable(QFile::encodeName(dir.filePath(u"manca.tbl"_s)));
    m_chooser.answers.append(dir.filePath(u"manca.tbl"_s));
    action(u"mnuApriT"_s)->trigger();
    QCOMPARE(m_chooser.calls.size(), 1);
    WindowHarness::ModalWatcher watcher;
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    QTest::qWait(20);
    QVERIFY(watcher.boxes.isEmpty());
    QCOMPARE(status(), u"Tabella caricata: diretta.tbl"_s);
}

void tst_MainWindow::fileNameShownAsWritten()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"<b>grassetto</b>.tbl"_s);
    WindowHarness::ModalWatcher watcher;
    choose(path);
    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].textFormat, Qt::PlainText);
    QVERIFY2(watcher.boxes[0].text.contains(u"<b>grassetto</b>.tbl"_s),
             qPrintable(watcher.boxes[0].text));
}

void tst_MainWindow::informationBox()
{
    WindowHarness::ModalWatcher closer;
    action(u"mnuInfo"_s)->trigger();

    QCOMPARE(closer.boxes.size(), 1);
    QCOMPARE(closer.boxes[0].title, u"Informazioni su..."_s);
    QCOMPARE(closer.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(closer.boxes[0].buttons, 1);
    const QStringList lines = closer.boxes[0].text.split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], u"Verzino versione 1.0"_s);
    QCOMPARE(lines[1], u"(C) 2026 gli autori di Verzino"_s);
    QCOMPARE(lines[2], AppInfo::contact());
    QVERIFY(!lines[2].isEmpty());
    QCOMPARE(closer.boxes[0].renderedLines, 3);
    // Nothing else changes.
    QCOMPARE(status(), u"Nessuna tabella aperta"_s);
    QVERIFY(m_window->isVisible());
}

void tst_MainWindow::esciCloses()
{
    bool askedAnything = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&askedAnything] {
        if (QApplication::activeModalWidget())
            askedAnything = true;
    });
    watcher.start(5);

    choose(QDir(Examples).absoluteFilePath(u"maiuscole.tbl"_s));
    action(u"mnuEsci"_s)->trigger();
    QTRY_VERIFY(!m_window->isVisible());
    QVERIFY(!askedAnything);
}

void tst_MainWindow::spinnerSetsLimitAndMovesMarker()
{
    auto *spinner = control<QSpinBox>(u"UpDown1"_s);
    auto *limit = control<QLineEdit>(u"txtLimite"_s);
    auto *marker = control<Shape>(u"shpLimite"_s);

    spinner->stepDown();
    QCOMPARE(limit->text(), u"0"_s);
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175)));

    for (int i = 0; i < 10; ++i)
        spinner->stepUp();
    QCOMPARE(limit->text(), u"10"_s);
    QCOMPARE(WindowHarness::typed(m_window.get(), QString(50, u'x')), QString(10, u'x'));
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175 + 120 * (10))));
    QVERIFY(marker->isVisible());

    for (int i = 0; i < 50; ++i)
        spinner->stepUp();
    QCOMPARE(limit->text(), u"45"_s);
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175 + 120 * (45))));

    for (int i = 0; i < 60; ++i)
        spinner->stepDown();
    QCOMPARE(limit->text(), u"0"_s);
    QCOMPARE(WindowHarness::typed(m_window.get(), QString(50, u'x')).size(), 50);
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175)));
    QVERIFY(marker->isVisible());
}

void tst_MainWindow::spinnerKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("limit");

    QTest::newRow("Down at 0") << QList<int>{Qt::Key_Down} << 0;
    QTest::newRow("Up, Up, Down") << QList<int>{Qt::Key_Up, Qt::Key_Up, Qt::Key_Down} << 1;
    QTest::newRow("Page Up twice") << QList<int>{Qt::Key_PageUp, Qt::Key_PageUp} << 20;
    QTest::newRow("Page Up past the top") << QList<int>(5, Qt::Key_PageUp) << 45;
    QTest::newRow("no typing into the field")
        << QList<int>{Qt::Key_Up, Qt::Key_4, Qt::Key_Backspace, Qt::Key_Delete} << 1;
}

void tst_MainWindow::spinnerKeys()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, limit);

    // Reached with Tab, as from the keyboard.
    auto *spinner = control<QSpinBox>(u"UpDown1"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), spinner);
    for (const int key : keys)
        QTest::keyClick(spinner, Qt::Key(key));
    QCOMPARE(control<QLineEdit>(u"txtLimite"_s)->text(), QString::number(limit));
    QCOMPARE(WindowHarness::typed(m_window.get(), QString(50, u'x')).size(), limit ? limit : 50);
    QCOMPARE(control<Shape>(u"shpLimite"_s)->x(),
             qRound(Twips::toPixels(175 + 120 * (float(limit)))));
}

void tst_MainWindow::capsLockFollowsKeyEvents()
{
    if (CapsLock::state())
        QSKIP("this platform tells the keyboard's state; key events are not followed");
    auto *bar = control<StatusBar>(u"SB"_s);
    const bool before = bar->findChild<QLabel *>(u"panel2"_s)->isEnabled();

    // With no way to ask the keyboard, each Caps Lock press flips the panel, whichever control
    // has the focus. Keys come in through the window, as the platform delivers them.
    QWindow *window = m_window->windowHandle();
    QTest::keyClick(window, Qt::Key_CapsLock);
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), !before);
    control<QCheckBox>(u"chkAppunti"_s)->setFocus();
    QTest::keyClick(window, Qt::Key_CapsLock);
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), before);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
