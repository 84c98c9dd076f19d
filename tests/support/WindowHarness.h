#pragma once

// What the window tests share: finding controls by their design names, a stand-in for the open
// dialog, a watcher of modal windows, what the window shows, and waiting for a table load to end.
#include "OpenFileDialog.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStyle>
#include <QTimer>

#include <functional>
#include <optional>

class QAbstractSpinBox;
class QProgressDialog;

namespace WindowHarness {

QObject *findNamed(const QObject *root, const QString &name, const QMetaObject &type);

// The control of that design name under root; ends the test run if there is none.
template <typename T> T *control(const QObject *root, const QString &name)
{
    return static_cast<T *>(findNamed(root, name, T::staticMetaObject));
}

// Stands in for the open dialog: answers each call with the next scripted choice, nullopt (a
// cancel) once they run out.
class ScriptedChooser final {
public:
    struct Call {
        QString title;
        QStringList nameFilters;
    };

    QList<std::optional<QString>> answers;
    QList<Call> calls;
    // Runs on each chosen path before it is handed back.
    std::function<void(const QString &)> beforeAnswer;

    OpenFileDialog::Chooser chooser();
};

// Watches the modal windows while a test runs: notes the progress dialog and runs onProgress
// once when it first shows; notes every message box, then closes it with OK.
class ModalWatcher final : public QObject {
public:
    struct Progress {
        QString title;
        QString label;
        QString buttonText;
        Qt::WindowModality modality = Qt::NonModal;
        int maximum = 0;
    };
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        Qt::TextFormat textFormat = Qt::AutoText;
        int renderedLines = 0;
    };

    explicit ModalWatcher(QObject *parent = nullptr);

    std::function<void(QProgressDialog *)> onProgress;
    std::optional<Progress> progress;
    QList<Box> boxes;

private:
    void poll();

    QTimer m_timer;
};

// The progress dialog while it shows, null otherwise.
QProgressDialog *shownProgressDialog();

// Clicks an arrow of the spin box, QStyle::SC_SpinBoxUp or SC_SpinBoxDown, with the mouse.
void clickArrow(QAbstractSpinBox *spinBox, QStyle::SubControl arrow);

// Presses the progress dialog's only button.
void pressCancel(QProgressDialog *dialog);

// The status line's text.
QString status(const QObject *window);

// What the line box keeps of text typed into it from empty, against the table in force; the box
// is emptied again.
QString typed(const QObject *window, const QString &text);

// Whether a table load runs: Apri Tabella... is greyed meanwhile.
bool isLoading(const QObject *window);
// Waits until the window has no table load running; false on timeout.
bool waitForLoad(const QObject *window, int timeoutMs = 60'000);

} // namespace WindowHarness
