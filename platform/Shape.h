#pragma once

#include <QWidget>

// A circle filled solid red, placed and sized in twips. Left and Top are kept exactly as set;
// the pixel geometry is derived from them.
class Shape final : public QWidget {
    Q_OBJECT

public:
    explicit Shape(QWidget *parent = nullptr);

    void setLeft(float twips);
    void setTop(float twips);
    void setSizeTwips(float width, float height);

    QColor fillColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    float m_left = 0;
    float m_top = 0;
    float m_width = 0;
    float m_height = 0;
};
