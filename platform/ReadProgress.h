#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <chrono>

class QProgressDialog;
class QWidget;

// The progress of a long reading that runs in the user-interface thread, block by block.
// Between blocks it lets the event loop run, so the window keeps painting; a reading that has
// lasted longer than the threshold gets a modal dialog with the progress and a Cancel button,
// shorter ones show nothing. Until the dialog is up, user input waits in the queue, so nothing
// can start a second reading or act on a half-read table.
class ReadProgress final {
public:
    static constexpr std::chrono::milliseconds DefaultThreshold{500};

    // What the dialog's int range shows for a position in a file of any size.
    struct Steps {
        int value = 0;
        int maximum = 0; // 0 for an unknown size: the bar then shows that it is busy

        friend bool operator==(const Steps &, const Steps &) = default;
    };
    static Steps steps(qint64 done, qint64 total);

    // The clock starts here: construct it right before the reading begins.
    ReadProgress(QWidget *parent, const QString &title, const QString &label,
                 std::chrono::milliseconds threshold = DefaultThreshold);
    ~ReadProgress();
    ReadProgress(const ReadProgress &) = delete;
    ReadProgress &operator=(const ReadProgress &) = delete;

    // The reader's callback after every block; returns false once the reading is to stop.
    bool update(qint64 done, qint64 total);

    // Stops the reading at the next block, as the Cancel button does.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

    // The dialog once the threshold has passed, null before.
    QProgressDialog *dialog() const;

private:
    void showDialog();

    QPointer<QWidget> m_parent;
    QString m_title;
    QString m_label;
    std::chrono::milliseconds m_threshold;
    QElapsedTimer m_clock;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};
