// Loading a table through the window when the file is large or is no table at all: the window
// keeps running, a long reading can be cancelled, and every failure ends in a message box with
// the window as it was.
#include "CharacterTable.h"
#include "LineBox.h"
#include "OpenFileDialog.h"
#include "StatusBar.h"
#include "TestFiles.h"
#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::MiB;
using TestFiles::writeTable;

// What the progress dialog showed while it was up.
struct SeenProgress {
    QString title;
    QString label;
    QString buttonText;
    Qt::WindowModality modality = Qt::NonModal;
    int maximum = 0;
};

// What a message box showed before the watcher closed it.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Watches for modal windows while a command runs: notes the progress dialog and runs
// `onProgress` once when it first appears; notes and closes every message box.
class ModalWatcher final : public QObject {
public:
    explicit ModalWatcher(QObject *parent = nullptr) : QObject(parent)
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
        m_timer.start(2);
    }

    std::function<void(QProgressDialog *)> onProgress;
    std::optional<SeenProgress> progress;
    QList<SeenBox> boxes;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QProgressDialog *>(modal); dialog && !progress) {
            SeenProgress seen;
            seen.title = dialog->windowTitle();
            seen.label = dialog->labelText();
            if (const auto buttons = dialog->findChildren<QPushButton *>(); buttons.size() == 1)
                seen.buttonText = buttons.first()->text();
            seen.modality = dialog->windowModality();
            seen.maximum = dialog->maximum();
            progress = seen;
            if (onProgress)
                onProgress(dialog);
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->windowTitle(), box->text(), box->icon()});
            box->button(QMessageBox::Ok)->click();
        }
    }

    QTimer m_timer;
};

// Stands in for a slow disk: the first time the reading lets events run, it holds the
// thread for longer than the progress dialog waits before it shows.
class SlowDisk final : public QObject {
public:
    explicit SlowDisk(QObject *parent = nullptr) : QObject(parent)
    {
        QTimer::singleShot(0, this, [] { QThread::msleep(600); });
    }
};

// Counts the turns of the event loop while a command runs.
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

// Counts the times a widget was blocked by a modal window.
class BlockCounter final : public QObject {
public:
    explicit BlockCounter(QWidget *watched) : QObject(watched)
    {
        watched->installEventFilter(this);
    }
    int blocked = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::WindowBlocked)
            ++blocked;
        return false;
    }
};

// The window's state that a load changes, or must leave alone.
struct WindowState {
    QString file;
    QString name;
    CharacterTable table;
    QString status;

    friend bool operator==(const WindowState &, const WindowState &) = default;
};

} // namespace

class TestLoadProgress final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
    QString m_bigTable; // long enough to read in many blocks
    QList<QString> m_answers;
    int m_chooserCalls = 0;
    std::function<void(const QString &)> m_beforeAnswer;

    template <typename T> T *control(const QString &name) const
    {
        auto *found = m_window->findChild<T *>(name);
        if (!found)
            qFatal("no control named %s", qPrintable(name));
        return found;
    }
    QString status() const { return control<StatusBar>(u"SB"_s)->panelText(); }
    WindowState state() const
    {
        return {m_window->fileTabella(), m_window->nomeTabella(), m_window->vociTabella(),
                status()};
    }

    // File → Apri Tabella..., choosing `path`; returns when the command has ended.
    void open(const QString &path)
    {
        m_answers.append(path);
        control<QAction>(u"mnuApriT"_s)->trigger();
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
        QCOMPARE(m_window->vociTabella().entry(0x41), u"X"_s);
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
        m_answers.clear();
        m_chooserCalls = 0;
        m_beforeAnswer = nullptr;
        m_window = std::make_unique<MainWindow>();
        m_window->commonDialog1().setChooser(
            [this](QWidget *, const QString &, const QStringList &) -> std::optional<QString> {
                ++m_chooserCalls;
                if (m_answers.isEmpty())
                    return std::nullopt;
                const QString answer = m_answers.takeFirst();
                if (m_beforeAnswer)
                    m_beforeAnswer(answer);
                return answer;
            });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void quickLoadShowsNothing();
    void longLoadShowsProgress();
    void cancelLeavesWindowAsItWas_data();
    void cancelLeavesWindowAsItWas();
    void windowTakesNoInputWhileReading();
    void closingWhileReadingCancels_data();
    void closingWhileReadingCancels();
    void badFileThroughWindow_data();
    void badFileThroughWindow();
};

void TestLoadProgress::quickLoadShowsNothing()
{
    const QString path = m_dir.filePath(u"piccola.tbl"_s);
    QVERIFY(writeTable(path, 2 * MiB));

    ModalWatcher watcher;
    Ticker ticker;
    open(path);

    // The event loop ran during the reading, yet no dialog was due.
    QVERIFY(ticker.ticks > 0);
    QVERIFY(!watcher.progress);
    QVERIFY(watcher.boxes.isEmpty());
    QCOMPARE(status(), u"Tabella caricata: piccola.tbl"_s);
    QCOMPARE(m_window->vociTabella().entry(0x42), u"Bb"_s);
}

void TestLoadProgress::longLoadShowsProgress()
{
    ModalWatcher watcher;
    BlockCounter blocks(m_window.get());
    Ticker ticker;
    int ticksWhenShown = -1;
    watcher.onProgress = [&](QProgressDialog *) { ticksWhenShown = ticker.ticks; };
    const SlowDisk slowDisk;
    open(m_bigTable);

    QVERIFY(watcher.progress);
    QCOMPARE(watcher.progress->title, u"Apri Tabella..."_s);
    QCOMPARE(watcher.progress->label, u"Lettura di grande.tbl..."_s);
    QCOMPARE(watcher.progress->buttonText, u"Annulla"_s);
    QCOMPARE(watcher.progress->modality, Qt::WindowModal);
    QCOMPARE(watcher.progress->maximum, int(32 * MiB));
    QVERIFY(blocks.blocked > 0);
    // The window kept running while the dialog was up.
    QVERIFY(ticksWhenShown >= 0);
    QVERIFY(ticker.ticks > ticksWhenShown);

    QVERIFY(watcher.boxes.isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_window->fileTabella(), m_bigTable);
    QCOMPARE(m_window->nomeTabella(), u"grande.tbl"_s);
    QCOMPARE(status(), u"Tabella caricata: grande.tbl"_s);
    QCOMPARE(m_window->vociTabella().entry(0x41), u"A"_s);
    QCOMPARE(m_window->vociTabella().entry(0xFF), u"z"_s);
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
    watcher.onProgress = [](QProgressDialog *dialog) {
        const auto buttons = dialog->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        buttons.first()->click();
    };
    const SlowDisk slowDisk;
    open(m_bigTable);

    QVERIFY(watcher.progress);
    QVERIFY(watcher.boxes.isEmpty()); // a cancel is no failure
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(state(), before);

    // The same file, left alone, loads.
    open(m_bigTable);
    QCOMPARE(status(), u"Tabella caricata: grande.tbl"_s);
    QCOMPARE(m_window->vociTabella().entry(0x41), u"A"_s);
}

void TestLoadProgress::windowTakesNoInputWhileReading()
{
    loadSmallTableFirst(); // "A" and "C" are defined from here on
    QWindow *window = m_window->windowHandle();
    auto *line = control<LineBox>(u"rtbRiga"_s);

    ModalWatcher watcher;
    QString lineWhileReading;
    int callsWhileReading = -1;
    watcher.onProgress = [&](QProgressDialog *) {
        QTest::keyClick(window, 'C');
        QTest::keyClick(window, 'C');
        lineWhileReading = line->text();
        // A command that reaches the window anyway must not start a second reading.
        m_answers.append(m_dir.filePath(u"prima.tbl"_s));
        control<QAction>(u"mnuApriT"_s)->trigger();
        callsWhileReading = m_chooserCalls;
    };
    const SlowDisk slowDisk;
    open(m_bigTable);

    QVERIFY(watcher.progress);
    QCOMPARE(lineWhileReading, QString());
    QCOMPARE(callsWhileReading, 2); // the first table and the big one, no third
    QCOMPARE(status(), u"Tabella caricata: grande.tbl"_s);

    // With the reading over, the same keys reach the line. Offscreen there is no window manager
    // to hand the activation back when the dialog goes, so do it here.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(window, 'C');
    QTest::keyClick(window, 'C');
    QCOMPARE(line->text(), u"CC"_s);
}

void TestLoadProgress::closingWhileReadingCancels_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("window closed") << u"close"_s;
    QTest::newRow("File, Esci") << u"mnuEsci"_s;
}

void TestLoadProgress::closingWhileReadingCancels()
{
    QFETCH(QString, how);
    loadSmallTableFirst();
    const WindowState before = state();

    ModalWatcher watcher;
    watcher.onProgress = [&](QProgressDialog *) {
        if (how == u"close")
            m_window->close();
        else
            control<QAction>(how)->trigger();
    };
    const SlowDisk slowDisk;
    open(m_bigTable);

    QVERIFY(watcher.progress);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(watcher.boxes.isEmpty());
    // Cancelled, not read to the end.
    QCOMPARE(state(), before);
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
        m_beforeAnswer = [](const QString &chosen) { QFile::remove(chosen); };
    }

    ModalWatcher watcher;
    QElapsedTimer clock;
    clock.start();
    open(path);

    QVERIFY2(clock.elapsed() < 10'000, "the command took too long");
    QVERIFY(!watcher.progress);
    QCOMPARE(watcher.boxes.size(), 1);
    const SeenBox &box = watcher.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, u"Apri Tabella..."_s);
    QVERIFY2(box.text.contains(path), qPrintable(box.text));
    QVERIFY2(box.text.contains(reason), qPrintable(box.text));
    QCOMPARE(state(), before);
}

QTEST_MAIN(TestLoadProgress)
#include "tst_loadprogress.moc"
