#pragma once

#include <QString>

class QWidget;

// Modal message boxes with one OK button. The box is a QMessageBox child of parent named
// "MessageBox", so tests can find it with QApplication::activeModalWidget().
namespace MessageBox {

inline constexpr char ObjectName[] = "MessageBox";

void information(QWidget *parent, const QString &title, const QString &text);
void error(QWidget *parent, const QString &title, const QString &text);

} // namespace MessageBox
