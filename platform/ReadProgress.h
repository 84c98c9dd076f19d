#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

class QProgressDialog;
class QWidget;

// The progress of a reading that runs on another thread. A reading that has lasted longer than
// the threshold gets a dialog with the progress and an "Annulla" button; shorter ones show
// nothing. The dialog never takes the keyboard from the parent's window, whose Escape cancels the
// reading from the start. It never runs the event loop itself: it only follows the caller's.
class ReadProgress final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultThreshold{500};

    // What the dialog's int range shows for a position in a file of any size.
    struct Steps {
        int value = 0;
        int maximum = 0; // 0 for an unknown size: the bar then shows that it is busy

        friend bool operator==(const Steps &, const Steps &) = default;
    };
    static Steps steps(qint64 done, qint64 total);

    // The clock starts here: construct it when the reading starts.
    ReadProgress(QWidget *parent, const QString &title, const QString &label,
                 std::chrono::milliseconds threshold = DefaultThreshold);
    // The dialog goes with it; safe from inside the dialog's own canceled signal.
    ~ReadProgress() override;

    void setProgress(qint64 done, qint64 total);

Q_SIGNALS:
    // Annulla, Escape or the dialog's close button.
    void canceled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDialog();

    QPointer<QWidget> m_parent;
    QString m_title;
    QString m_label;
    QTimer m_delay;
    Steps m_steps;
    QPointer<QProgressDialog> m_dialog;
};
