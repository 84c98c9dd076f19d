#include "ReadProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>

#include <climits>

using namespace Qt::StringLiterals;

ReadProgress::Steps ReadProgress::steps(qint64 done, qint64 total)
{
    if (total <= 0)
        return {};
    // A file may grow while it is read; the bar stops at full.
    done = qBound<qint64>(0, done, total);
    // Dropping the same low bits of both keeps the proportion within one step.
    int shift = 0;
    while ((total >> shift) > INT_MAX)
        ++shift;
    return {int(done >> shift), int(total >> shift)};
}

ReadProgress::ReadProgress(QWidget *parent, const QString &title, const QString &label,
                           std::chrono::milliseconds threshold)
    : m_parent(parent), m_title(title), m_label(label)
{
    m_delay.setSingleShot(true);
    // A coarse timer may fire up to 5 % early.
    m_delay.setTimerType(Qt::PreciseTimer);
    connect(&m_delay, &QTimer::timeout, this, &ReadProgress::showDialog);
    m_delay.start(threshold);
    // Escape reaches the window, never the dialog: catch it before the focused control.
    qApp->installEventFilter(this);
}

ReadProgress::~ReadProgress()
{
    if (m_dialog) {
        m_dialog->disconnect(this);
        m_dialog->hide();
        m_dialog->deleteLater();
    }
}

void ReadProgress::setProgress(qint64 done, qint64 total)
{
    m_steps = steps(done, total);
    if (!m_dialog)
        return;
    // Not modal, so setValue() does not run the event loop.
    m_dialog->setMaximum(m_steps.maximum);
    m_dialog->setValue(m_steps.value);
}

bool ReadProgress::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_parent || !watched->isWidgetType())
        return false;
    if (event->type() == QEvent::WindowActivate && watched == m_dialog) {
        // Where the platform activates it anyway (a click, a window manager that ignores the
        // hint), the keyboard goes back to the window, once this activation is over.
        QMetaObject::invokeMethod(
            m_parent, [parent = m_parent] { parent->activateWindow(); }, Qt::QueuedConnection);
        return false;
    }
    // The dialog may still hold the keyboard for a moment after the platform activated it.
    const QWidget *window = static_cast<QWidget *>(watched)->window();
    const bool escape =
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
    if (!escape || (window != m_parent->window() && window != m_dialog))
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed as a plain key, so that no shortcut (the dialog's own Escape among them)
        // takes it before the key press comes here.
        event->accept();
        return true;
    }
    Q_EMIT canceled();
    return true;
}

void ReadProgress::showDialog()
{
    // The keyboard stays with the window: the dialog is neither modal nor ever focused, so keys
    // typed meanwhile wait for the reading, and only a click on Annulla or Escape cancels.
    m_dialog = new QProgressDialog(m_parent);
    m_dialog->setWindowTitle(m_title);
    m_dialog->setLabelText(m_label);
    m_dialog->setAttribute(Qt::WA_ShowWithoutActivating);
    m_dialog->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    auto *cancel = new QPushButton(u"Annulla"_s, m_dialog);
    cancel->setFocusPolicy(Qt::NoFocus);
    m_dialog->setCancelButton(cancel);
    // Shown here and now, kept until the reading ends, whatever the bar says.
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setRange(0, m_steps.maximum);
    m_dialog->setValue(m_steps.value);
    connect(m_dialog, &QProgressDialog::canceled, this, &ReadProgress::canceled);
    m_dialog->show();
}
