#include "LimitSpinner.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

LimitSpinner::LimitSpinner(QWidget *parent) : QSpinBox(parent)
{
    lineEdit()->setObjectName(u"txtLimite"_s);
    lineEdit()->setReadOnly(true);
}

void LimitSpinner::stepBy(int steps)
{
    QSpinBox::stepBy(steps);
    // A step selects the digits, as for editing them: an arrow clicked while the focus stays in
    // the line box must not leave them looking selected.
    if (!hasFocus())
        lineEdit()->deselect();
}
