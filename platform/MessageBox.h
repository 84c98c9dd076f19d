#pragma once

#include <QString>

class QWidget;

// Modal message boxes with one OK button, their text plain and fitted to the screen.
namespace MessageBox {

void information(QWidget *parent, const QString &title, const QString &text);
void error(QWidget *parent, const QString &title, const QString &text);

} // namespace MessageBox
