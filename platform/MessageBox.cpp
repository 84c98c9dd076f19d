#include "MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace MessageBox {
namespace {

// A paragraph longer than this many lines of half the screen's width is cut in its middle.
constexpr int MaxLines = 4;

// A very long path would make the box taller than the screen, its OK button out of reach: cut
// in the middle, the path keeps its start and its file name, and the reason after it stays.
QString fitToScreen(const QString &text, const QFontMetrics &metrics, const QScreen *screen)
{
    const int width = MaxLines * screen->availableGeometry().width() / 2;
    QStringList paragraphs = text.split(u'\n');
    for (QString &paragraph : paragraphs)
        paragraph = metrics.elidedText(paragraph, Qt::ElideMiddle, width);
    return paragraphs.join(u'\n');
}

void show(QMessageBox::Icon icon, QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, QString(), QMessageBox::Ok, parent);
    box.setText(fitToScreen(text, box.fontMetrics(),
                            parent ? parent->screen() : QGuiApplication::primaryScreen()));
    box.setObjectName(QString::fromLatin1(ObjectName));
    // File names are shown as written, even one that looks like markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

} // namespace

void information(QWidget *parent, const QString &title, const QString &text)
{
    show(QMessageBox::Information, parent, title, text);
}

void error(QWidget *parent, const QString &title, const QString &text)
{
    show(QMessageBox::Critical, parent, title, text);
}

} // namespace MessageBox
