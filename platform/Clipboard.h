#pragma once

#include <QString>

// The system clipboard, plain text only.
namespace Clipboard {

void clear();
void putText(const QString &text);

} // namespace Clipboard
