// Loading a table through the window while the reading runs on its worker thread: the window
// keeps running and answering, a long reading shows its progress and can be cancelled, keys
// typed meanwhile wait for the new table, closing lets go of a reading stuck for good, and every
// failure ends in a message box with the window as it was.
#include "CharacterTable.h"
#include "LineBox.h"
#include "MainWindow.h"
#include "ReadGate.h"
#include "StatusBar.h"
#include "TestFiles.h"
#include "WindowHarness.h"
#include <QLabel>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using WindowHarness::ModalWatcher;

namespace {

using TestFiles::MiB;
using TestFiles::writeTable;

constexpr char ChildVariable[] = "TST_LOADPROGRESS_STUCK_TABLE";

// The window's state that a load changes, or must leave alone: what the status line says, the
// line, and what the line keeps of characters that tell the tables here apart.
struct WindowState {
    QString status;
    QString line;
    QString kept;

    friend bool operator==(const WindowState &, const WindowState &) = default;
};

// Counts the turns of the event loop.
class Ticker final : public QObject {
public:
    explicit Ticker(QObject *parent = nullptr) : QObject(parent)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { ++ticks; });
        m_timer.start(1);
    }
    int ticks = 0;

private:
    QTimer m_timer;
};

// A reading that reports half of the file read, then waits at the gate.
TableSession::ReadFunction halfThenGate(std::shared_ptr<ReadGate> gate)
{
    const TableSession::ReadFunction gated = ReadGate::gatedRead(std::move(gate), QString());
    return
        [gated](const QByteArray &path, CharacterTable &table, const TableReadProgress &progress) {
            progress(16 * MiB, 32 * MiB);
            return gated(path, table, progress);
        };
}

} // namespace

class TestLoadProgress final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
    QString m_bigTable;
    WindowHarness::ScriptedChooser m_chooser;
    // Holds every reading of the big table until opened; never opened, a read() stuck for good.
    std::shared_ptr<ReadGate> m_gate;

    template <typename T> T *control(const QString &name) const
    {
        return WindowHarness::control<T>(m_window.get(), name);
    }
    QString status() const { return WindowHarness::status(m_window.get()); }
    WindowState state() const
    {
        auto *line = control<LineBox>(u"rtbRiga"_s);
        const QString text = line->text();
        const QString kept = WindowHarness::typed(m_window.get(), u"ACXZq#"_s);
        line->setTextUnlimited(text);
        return {status(), text, kept};
    }
    // A window whose readings go through `read`.
    void useWindow(TableSession::ReadFunction read)
    {
        m_window = std::make_unique<MainWindow>(m_chooser.chooser(), std::move(read));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    // File → Apri Tabella..., choosing `path`; returns once the command has started.
    void startOpen(const QString &path)
    {
        m_chooser.answers.append(path);
        control<QAction>(u"mnuApriT"_s)->trigger();
    }
    void open(const QString &path)
    {
        startOpen(path);
        QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    }

    void loadSmallTableFirst()
    {
        const QString path = m_dir.filePath(u"prima.tbl"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("41=X\r\n43=C\r\n");
        file.close();
        open(path);
        QCOMPARE(status(), u"Tabella caricata: prima.tbl"_s);
        QCOMPARE(state().kept, u"CX#"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_bigTable = m_dir.filePath(u"grande.tbl"_s);
        QVERIFY(writeTable(m_bigTable, 32 * MiB));
    }

    void init()
    {
        m_chooser = {};
        m_gate = std::make_shared<ReadGate>();
        useWindow(ReadGate::gatedRead(m_gate, m_bigTable));
    }
    void cleanup() { m_window.reset(); }

    void quickLoadShowsNothing();
    void longLoadShowsProgress();
    void windowAnswersWhileReading();
    void cancelLeavesWindowAsItWas_data();
    void cancelLeavesWindowAsItWas();
    void keysTypedWhileReadingWaitForTheTable_data();
    void keysTypedWhileReadingWaitForTheTable();
    void dropsWaitForTheReading();
    void closingWhileReadingLetsGo_data();
    void closingWhileReadingLetsGo();
    void programEndsSoonAfterCloseWhenStuck();
    void badFileThroughWindow_data();
    void badFileThroughWindow();
};

void TestLoadProgress::quickLoadShowsNothing()
{
    const QString path = m_dir.filePath(u"piccola.tbl"_s);
    QVERIFY(writeTable(path, 2 * MiB));

    ModalWatcher watcher;
    open(path);

    QVERIFY(!watcher.progress);
    QVERIFY(watcher.boxes.isEmpty());
    QCOMPARE(status(), u"Tabella caricata: piccola.tbl"_s);
    QCOMPARE(state().kept, u"A#"_s);
}

void TestLoadProgress::longLoadShowsProgress()
{
    auto gate = std::make_shared<ReadGate>();
    useWindow(halfThenGate(gate));
    ModalWatcher watcher;
    Ticker ticker;
    QElapsedTimer clock;
    clock.start();
    qint64 shownAt = -1;
    int ticksWhenShown = -1;
    QPointer<QProgressDialog> shown;
    watcher.onProgress = [&](QProgressDialog *dialog) {
        shownAt = clock.elapsed();
        ticksWhenShown = ticker.ticks;
        shown = dialog;
    };
    startOpen(m_bigTable);

    QTRY_VERIFY(shown);
    QVERIFY2(shownAt >= 450, qPrintable(QString::number(shownAt)));
    QVERIFY(ticksWhenShown > 10); // the event loop turned all along
    QCOMPARE(watcher.progress->title, u"Apri Tabella..."_s);
    QCOMPARE(watcher.progress->label, u"Lettura di grande.tbl..."_s);
    QCOMPARE(watcher.progress->buttonText, u"Annulla"_s);
    QCOMPARE(watcher.progress->modality, Qt::NonModal);
    QCOMPARE(shown->maximum(), int(32 * MiB));
    QCOMPARE(shown->value(), int(16 * MiB));
    QVERIFY(WindowHarness::isLoading(m_window.get()));

    gate->open();
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    QTRY_VERIFY(!shown || !shown->isVisible());
    QVERIFY(watcher.boxes.isEmpty());
    QCOMPARE(status(), u"Tabella caricata: grande.tbl"_s);
    QCOMPARE(state().kept, u"A#"_s);
}

void TestLoadProgress::windowAnswersWhileReading()
{
    startOpen(m_bigTable);
    QVERIFY(WindowHarness::isLoading(m_window.get()));

    // The window takes clicks as ever, before the dialog is due and while it shows.
    auto *spinner = control<QSpinBox>(u"UpDown1"_s);
    WindowHarness::clickArrow(spinner, QStyle::SC_SpinBoxUp);
    WindowHarness::clickArrow(spinner, QStyle::SC_SpinBoxUp);
    QCOMPARE(control<QLineEdit>(u"txtLimite"_s)->text(), u"2"_s);
    // A command that reaches the window meanwhile does not start a second reading.
    startOpen(m_bigTable);
    QCOMPARE(m_chooser.calls.size(), 1);

    QTRY_VERIFY(WindowHarness::shownProgressDialog());
    WindowHarness::clickArrow(spinner, QStyle::SC_SpinBoxUp);
    QCOMPARE(control<QLineEdit>(u"txtLimite"_s)->text(), u"3"_s);
    int paints = 0;
    struct PaintCounter final : QObject {
        int *count;
        explicit PaintCounter(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    QWidget *line = control<LineBox>(u"rtbRiga"_s);
    line->installEventFilter(&counter);
    line->update();
    QTRY_VERIFY(paints > 0);
    QVERIFY(WindowHarness::isLoading(m_window.get()));
}

void TestLoadProgress::cancelLeavesWindowAsItWas_data()
{
    QTest::addColumn<bool>("tableBefore");
    QTest::newRow("no table before") << false;
    QTest::newRow("a table before") << true;
}

void TestLoadProgress::cancelLeavesWindowAsItWas()
{
    QFETCH(bool, tableBefore);
    if (tableBefore)
        loadSmallTableFirst();
    const WindowState before = state();

    ModalWatcher watcher;
    watcher.onProgress = WindowHarness::pressCancel;
    startOpen(m_bigTable);
    QVERIFY(WindowHarness::waitForLoad(m_window.get(), 5'000));

    QVERIFY(watcher.progress);
    QVERIFY(watcher.boxes.isEmpty()); // a cancel is no failure
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(state(), before);

    // The same file, once the file system answers, loads.
    m_gate->open();
    open(m_bigTable);
    QCOMPARE(status(), u"Tabella caricata: grande.tbl"_s);
    QCOMPARE(state().kept, tableBefore ? u"AC#"_s : u"A#"_s); // its "A" over "X"
}

void TestLoadProgress::keysTypedWhileReadingWaitForTheTable_data()
{
    // Keys as typed where the focus is: "\r" is Enter, "\b" Backspace, "\x1b" Escape; "after" once
    // the progress dialog shows. "Z" only comes with the new table; "q" is in neither.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("before the dialog") << u"ZCq\bZX"_s << QString() << u"ZZX"_s << true;
    QTest::newRow("after it, Space a key") << u"Z"_s << u"C qX"_s << u"ZCX"_s << true;
    QTest::newRow("Enter takes the line then") << u"Z"_s << u"C\rX"_s << u"X"_s << true;
    QTest::newRow("Escape cancels: the old table") << u"X"_s << u"Z\x1b"_s << u"X"_s << false;
    // Each goes where the focus is by then: past the check box to the spinner, not the line.
    QTest::newRow("Tab twice, then a key") << u"\t\tZ"_s << QString() << QString() << true;
}

void TestLoadProgress::keysTypedWhileReadingWaitForTheTable()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, line);
    QFETCH(bool, loaded);

    const QString next = m_dir.filePath(u"nuova.tbl"_s);
    QFile file(next);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("5A=Z\r\n");
    file.close();

    auto gate = std::make_shared<ReadGate>();
    useWindow(ReadGate::gatedRead(gate, next));
    loadSmallTableFirst(); // "X" and "C" are defined from here on
    auto *lineBox = control<LineBox>(u"rtbRiga"_s);
    ModalWatcher watcher;
    startOpen(next);
    QTRY_COMPARE(gate->arrived(), 1);
    QTest::keyClicks(QApplication::focusWidget(), before);
    if (!after.isEmpty()) {
        QTRY_VERIFY(watcher.progress);
        QTRY_COMPARE(QApplication::focusWidget(), lineBox);
        QTest::keyClicks(lineBox, after);
    }
    QCOMPARE(lineBox->text(), QString());

    gate->open();
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    // In the order typed, each checked against the table in force by then.
    QCOMPARE(lineBox->text(), line);
    QCOMPARE(status(), u"Tabella caricata: "_s + (loaded ? u"nuova.tbl"_s : u"prima.tbl"_s));
    // From here on keys go straight in.
    QTest::keyClicks(lineBox, u"C"_s);
    QCOMPARE(lineBox->text(), line + u"C"_s);
}

void TestLoadProgress::dropsWaitForTheReading()
{
    startOpen(m_bigTable);
    QTRY_COMPARE(m_gate->arrived(), 1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_bigTable)});
    const auto dragTaken = [&data, this] {
        QDragEnterEvent enter({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(control<LineBox>(u"rtbRiga"_s), &enter);
        return enter.isAccepted();
    };
    // Refused while the reading runs, as Apri Tabella... is; taken again after it.
    QVERIFY(!dragTaken());
    QVERIFY(!control<QAction>(u"mnuApriT"_s)->isEnabled());
    m_gate->open();
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    QVERIFY(dragTaken());
    QVERIFY(control<QAction>(u"mnuApriT"_s)->isEnabled());
}

void TestLoadProgress::closingWhileReadingLetsGo_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("dialogUp");
    QTest::newRow("window closed") << u"close"_s << false;
    QTest::newRow("window closed, dialog up") << u"close"_s << true;
    QTest::newRow("File, Esci") << u"mnuEsci"_s << false;
}

void TestLoadProgress::closingWhileReadingLetsGo()
{
    QFETCH(QString, how);
    QFETCH(bool, dialogUp);
    loadSmallTableFirst();
    const WindowState before = state();

    ModalWatcher watcher;
    startOpen(m_bigTable);
    QTest::keyClicks(control<LineBox>(u"rtbRiga"_s), u"CC"_s);
    if (dialogUp)
        QTRY_VERIFY(watcher.progress);

    QElapsedTimer clock;
    clock.start();
    if (how == u"close")
        m_window->close();
    else
        control<QAction>(how)->trigger();
    // A hang guard: this takes ~0 ms.
    QVERIFY2(clock.elapsed() < 1000, "closing waited for the stuck reading");

    QVERIFY(!m_window->isVisible());
    QVERIFY(!WindowHarness::isLoading(m_window.get()));
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QTest::qWait(20);
    QVERIFY(watcher.boxes.isEmpty());
    // Nothing was read, and the keys held for the reading went with the window.
    QCOMPARE(state(), before);
}

void TestLoadProgress::programEndsSoonAfterCloseWhenStuck()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildVariable), m_bigTable);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    while (!said.contains("closing\n")) {
        QVERIFY2(child.waitForReadyRead(20'000), said.constData());
        said += child.readAllStandardOutput();
    }
    QElapsedTimer clock;
    clock.start();
    const bool ended = child.waitForFinished(5'000);
    const qint64 took = clock.elapsed();
    if (!ended)
        child.kill();
    QVERIFY2(ended, "the program did not end after its window was closed");
    qInfo("the program ended %lld ms after its window was closed", took);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    said += child.readAllStandardOutput();
    QVERIFY2(said.contains("loading\n"), said.constData());
}

void TestLoadProgress::badFileThroughWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("tableBefore");

    const QList<std::pair<QString, QString>> kinds = {
        {u"FIFO"_s, u"non è un file ordinario"_s},
        {u"/dev/zero"_s, u"non è un file ordinario"_s},
        {u"folder"_s, u"è una cartella"_s},
        {u"missing"_s, u"il file non esiste"_s},
        {u"removed after choosing"_s, u"il file non esiste"_s},
    };
    for (const auto &[kind, reason] : kinds) {
        for (const bool tableBefore : {false, true}) {
            const QString row = kind + (tableBefore ? u", after a table"_s : u", first"_s);
            QTest::newRow(qPrintable(row)) << kind << reason << tableBefore;
        }
    }
}

void TestLoadProgress::badFileThroughWindow()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QFETCH(bool, tableBefore);

    if (tableBefore)
        loadSmallTableFirst();
    const WindowState before = state();

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(u"tabella.tbl"_s);
    if (kind == u"FIFO") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"/dev/zero") {
        path = u"/dev/zero"_s;
    } else if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(u"tabella.tbl"_s));
    } else if (kind == u"removed after choosing") {
        QVERIFY(writeTable(path, MiB));
        m_chooser.beforeAnswer = [](const QString &chosen) { QFile::remove(chosen); };
    }

    ModalWatcher watcher;
    QElapsedTimer clock;
    clock.start();
    open(path);

    QVERIFY2(clock.elapsed() < 10'000, "the command took too long");
    QVERIFY(!watcher.progress);
    QCOMPARE(watcher.boxes.size(), 1);
    const ModalWatcher::Box &box = watcher.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, u"Apri Tabella..."_s);
    QVERIFY2(box.text.contains(path), qPrintable(box.text));
    QVERIFY2(box.text.contains(reason), qPrintable(box.text));
    QCOMPARE(state(), before);
}

namespace {

// The program with a reading that never returns: its window is closed once the progress dialog
// is up, and the process must then end on its own.
int runStuckProgram(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow window({}, ReadGate::gatedRead(std::make_shared<ReadGate>()));
    window.show();
    window.openTable(QFile::encodeName(qEnvironmentVariable(ChildVariable)));
    std::printf("%s\n", WindowHarness::isLoading(&window) ? "loading" : "not loading");
    QTimer::singleShot(700, &window, [&window] {
        std::printf("closing\n");
        std::fflush(stdout);
        window.close();
    });
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(ChildVariable))
        return runStuckProgram(argc, argv);
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    TestLoadProgress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loadprogress.moc"
