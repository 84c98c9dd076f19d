#pragma once

#include <QSpinBox>

// The spinner and the limit field it writes, one control: the arrows, the keys and the wheel
// step it, and its field, txtLimite, takes no typing.
class LimitSpinner final : public QSpinBox {
    Q_OBJECT

public:
    explicit LimitSpinner(QWidget *parent = nullptr);

protected:
    void stepBy(int steps) override;
};
