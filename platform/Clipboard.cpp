#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace Clipboard {

// Only the clipboard proper: X11's primary selection follows the mouse and is left alone.
void clear()
{
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

void putText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

} // namespace Clipboard
