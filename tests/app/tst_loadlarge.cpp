// A table file larger than the progress bar's int range, through the window with nothing to slow
// it down: the event loop keeps turning while the worker thread reads, so the progress dialog
// comes after half a second and Cancel can be pressed in it, leaving the window as it was. The
// times, and the reader alone's beside them, are printed, not asserted: they depend on the
// machine and its load.
#include "CharacterTable.h"
#include "MainWindow.h"
#include "OpenFileDialog.h"
#include "StatusBar.h"
#include "TableReader.h"
#include "TestFiles.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::MiB;
using TestFiles::writeTable;
constexpr qint64 FileSize = 2560 * MiB;
constexpr qint64 DialogDelayMs = 500;

// Times the turns of the event loop and the progress dialog while a command runs; can press
// Cancel as soon as the dialog is up.
class Observer final : public QObject {
public:
    explicit Observer(bool pressCancel, QObject *parent = nullptr)
        : QObject(parent), m_pressCancel(pressCancel)
    {
        connect(&m_timer, &QTimer::timeout, this, &Observer::turn);
        m_clock.start();
        m_timer.start(1);
    }

    qint64 elapsed() const { return m_clock.elapsed(); }
    qint64 longestGap(qint64 end) const { return qMax(m_longestGap, end - m_lastTurn); }

    std::optional<qint64> dialogShownAt;
    int dialogMaximum = 0;
    std::optional<qint64> cancelPressedAt;
    bool sawMessageBox = false;

private:
    void turn()
    {
        const qint64 now = m_clock.elapsed();
        m_longestGap = qMax(m_longestGap, now - m_lastTurn);
        m_lastTurn = now;

        QWidget *modal = QApplication::activeModalWidget();
        if (QProgressDialog *dialog = WindowHarness::shownProgressDialog()) {
            if (!dialogShownAt) {
                dialogShownAt = now;
                dialogMaximum = dialog->maximum();
            }
            if (m_pressCancel && !cancelPressedAt) {
                cancelPressedAt = now;
                dialog->findChild<QPushButton *>()->click();
            }
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            sawMessageBox = true;
            box->button(QMessageBox::Ok)->click();
        }
    }

    bool m_pressCancel;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTurn = 0;
    qint64 m_longestGap = 0;
};

} // namespace

class TestLoadLarge final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    qint64 m_plainMs = -1;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (QStorageInfo(m_dir.path()).bytesAvailable() < 2 * FileSize)
            QSKIP("not enough free space for the 2.5 GiB table file");
        m_path = m_dir.filePath(u"giga.tbl"_s);
        QVERIFY(writeTable(m_path, FileSize));
    }

    // The reader alone, for comparison.
    void plainReading()
    {
        CharacterTable table;
        QElapsedTimer clock;
        clock.start();
        const TableReadResult result = readTableFile(QFile::encodeName(m_path), table);
        m_plainMs = clock.elapsed();
        QVERIFY2(result.ok(), qPrintable(result.error));
        qInfo("reader alone: %lld ms for %lld MiB", m_plainMs, FileSize / MiB);
    }

    void throughTheWindow_data()
    {
        QTest::addColumn<bool>("pressCancel");
        QTest::newRow("read to the end") << false;
        QTest::newRow("cancelled") << true;
    }

    void throughTheWindow()
    {
        QFETCH(bool, pressCancel);

        MainWindow window(
            [this](QWidget *, const QString &, const QStringList &) { return m_path; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString statusBefore = WindowHarness::status(&window);

        Observer observer(pressCancel);
        WindowHarness::control<QAction>(&window, u"mnuApriT"_s)->trigger();
        QVERIFY(WindowHarness::waitForLoad(&window, 300'000));
        const qint64 took = observer.elapsed();

        qInfo("%s: %lld ms for %lld MiB, dialog after %lld ms, longest wait of the event loop "
              "%lld ms%s",
              pressCancel ? "cancelled" : "read", took, FileSize / MiB,
              observer.dialogShownAt.value_or(-1), observer.longestGap(took),
              observer.cancelPressedAt ? qPrintable(u", returned %1 ms after Cancel"_s.arg(
                                             took - *observer.cancelPressedAt))
                                       : "");

        QVERIFY(!observer.sawMessageBox);
        if (took < DialogDelayMs) {
            QVERIFY(!observer.dialogShownAt);
            QSKIP("this machine reads the whole file faster than the dialog's delay");
        }
        QVERIFY(observer.dialogShownAt);
        QVERIFY(*observer.dialogShownAt >= DialogDelayMs);
        // The size does not fit the bar's int range as it is; it must be brought into it.
        QVERIFY(observer.dialogMaximum > INT_MAX / 2);

        // No table before: every character passes; the big table has "Bb", never "B" alone.
        if (pressCancel) {
            QVERIFY(observer.cancelPressedAt);
            QCOMPARE(WindowHarness::typed(&window, u"AB#"_s), u"AB#"_s);
            QCOMPARE(WindowHarness::status(&window), statusBefore);
        } else {
            QCOMPARE(WindowHarness::status(&window), u"Tabella caricata: giga.tbl"_s);
            QCOMPARE(WindowHarness::typed(&window, u"AB#"_s), u"A#"_s);
        }
    }
};

QTEST_MAIN(TestLoadLarge)
#include "tst_loadlarge.moc"
