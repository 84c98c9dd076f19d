#include "ReadProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

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
    : m_parent(parent), m_title(title), m_label(label), m_threshold(threshold)
{
    m_clock.start();
}

ReadProgress::~ReadProgress()
{
    delete m_dialog.data();
}

QProgressDialog *ReadProgress::dialog() const
{
    return m_dialog.data();
}

bool ReadProgress::update(qint64 done, qint64 total)
{
    if (m_cancelled)
        return false;

    if (!m_dialog) {
        if (std::chrono::milliseconds(m_clock.elapsed()) < m_threshold) {
            // Paint and run timers, but keep clicks and keys for later.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return !m_cancelled;
        }
        showDialog();
    }

    const Steps now = steps(done, total);
    if (m_dialog->maximum() != now.maximum)
        m_dialog->setMaximum(now.maximum);
    m_dialog->setValue(now.value);
    // The dialog is modal now: input reaches it and nothing else.
    QCoreApplication::processEvents();
    return !m_cancelled;
}

void ReadProgress::showDialog()
{
    m_dialog = new QProgressDialog(m_parent);
    m_dialog->setWindowTitle(m_title);
    m_dialog->setLabelText(m_label);
    m_dialog->setCancelButtonText(u"Annulla"_s);
    m_dialog->setWindowModality(Qt::WindowModal);
    // Shown here and now, kept until the reading ends, whatever the bar says.
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    QObject::connect(m_dialog, &QProgressDialog::canceled, m_dialog, [this] { cancel(); });
    m_dialog->show();
}
