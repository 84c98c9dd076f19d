#include "WindowHarness.h"

#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;

namespace WindowHarness {

QObject *findNamed(const QObject *root, const QString &name, const QMetaObject &type)
{
    for (QObject *child : root->findChildren<QObject *>(name)) {
        if (type.cast(child))
            return child;
    }
    qFatal("no %s named %s", type.className(), qPrintable(name));
}

OpenFileDialog::Chooser ScriptedChooser::chooser()
{
    return [this](QWidget *, const QString &title, const QStringList &nameFilters) {
        calls.append({title, nameFilters});
        if (answers.isEmpty())
            return std::optional<QString>();
        const std::optional<QString> answer = answers.takeFirst();
        if (answer && beforeAnswer)
            beforeAnswer(*answer);
        return answer;
    };
}

ModalWatcher::ModalWatcher(QObject *parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start(2);
}

void ModalWatcher::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (QProgressDialog *dialog = shownProgressDialog(); dialog && !progress) {
        Progress seen;
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
        Box seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = int(box->buttons().size());
        seen.textFormat = box->textFormat();
        if (const auto *label = box->findChild<QLabel *>(u"qt_msgbox_label"_s)) {
            const int lineSpacing = label->fontMetrics().lineSpacing();
            seen.renderedLines = label->sizeHint().height() / lineSpacing;
        }
        boxes.append(seen);
        box->button(QMessageBox::Ok)->click();
    }
}

void clickArrow(QAbstractSpinBox *spinBox, QStyle::SubControl arrow)
{
    QStyleOptionSpinBox option;
    option.initFrom(spinBox);
    option.frame = spinBox->hasFrame();
    option.buttonSymbols = spinBox->buttonSymbols();
    option.subControls = QStyle::SC_All;
    const QRect rect =
        spinBox->style()->subControlRect(QStyle::CC_SpinBox, &option, arrow, spinBox);
    QTest::mouseClick(spinBox, Qt::LeftButton, Qt::NoModifier, rect.center());
}

void pressCancel(QProgressDialog *dialog)
{
    const auto buttons = dialog->findChildren<QPushButton *>();
    if (buttons.size() != 1)
        qFatal("the progress dialog has %d buttons", int(buttons.size()));
    buttons.first()->click();
}

QProgressDialog *shownProgressDialog()
{
    // The progress dialog is not modal: it leaves the keyboard to the window.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QProgressDialog *>(window); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QString status(const QObject *window)
{
    return control<QLabel>(window, u"panel1"_s)->text();
}

QString typed(const QObject *window, const QString &text)
{
    auto *line = control<QLineEdit>(window, u"rtbRiga"_s);
    line->clear();
    QTest::keyClicks(line, text);
    const QString kept = line->text();
    line->clear();
    return kept;
}

bool isLoading(const QObject *window)
{
    return !control<QAction>(window, u"mnuApriT"_s)->isEnabled();
}

bool waitForLoad(const QObject *window, int timeoutMs)
{
    return QTest::qWaitFor([window] { return !isLoading(window); }, timeoutMs);
}

} // namespace WindowHarness
