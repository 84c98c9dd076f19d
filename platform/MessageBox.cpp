#include "MessageBox.h"

#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace MessageBox {
namespace {

// A paragraph longer than this many lines is cut in its middle, so the box stays on the screen.
constexpr int MaxLines = 4;

int widestWord(const QString &text, const QFontMetrics &metrics)
{
    int widest = 0;
    for (const QString &word : text.split(QRegularExpression(u"\\s"_s)))
        widest = qMax(widest, metrics.horizontalAdvance(word));
    return widest;
}

// A word too wide for the label (a long path has no blank to break it at) would run past its
// edge: cut in the middle, it keeps its start and its end, the file's name.
QString fitted(const QString &text, const QFontMetrics &metrics, int room)
{
    QStringList paragraphs = text.split(u'\n');
    for (QString &paragraph : paragraphs) {
        QStringList words =
            metrics.elidedText(paragraph, Qt::ElideMiddle, MaxLines * room).split(u' ');
        for (QString &word : words)
            word = metrics.elidedText(word, Qt::ElideMiddle, room);
        paragraph = words.join(u' ');
    }
    return paragraphs.join(u'\n');
}

// Qt sizes a message box once it is shown, from the screen it is on; the text is fitted then.
class FittedBox final : public QMessageBox {
public:
    FittedBox(Icon icon, const QString &title, const QString &text, QWidget *parent)
        : QMessageBox(icon, title, QString(), Ok, parent), m_text(text),
          m_label(findChild<QLabel *>(u"qt_msgbox_label"_s))
    {
        // File names are shown as written, even one that looks like markup.
        setTextFormat(Qt::PlainText);
        setText(text);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        const QFontMetrics metrics = m_label->fontMetrics();
        if (const int widest = widestWord(m_text, metrics); widest > room()) {
            // The box grows as wide as Qt lets it; what still does not fit is cut.
            m_label->setMinimumWidth(qMin(widest, screen()->availableGeometry().width()));
            setText(m_text);
        }
        const QString shown = fitted(m_text, metrics, room());
        if (shown != m_text) {
            m_label->setMinimumWidth(qMin(widestWord(shown, metrics), room()));
            setText(shown);
        }
    }

private:
    int room() const { return width() - m_label->x() - layout()->contentsMargins().right(); }

    QString m_text;
    QLabel *m_label;
};

void show(QMessageBox::Icon icon, QWidget *parent, const QString &title, const QString &text)
{
    FittedBox box(icon, title, text, parent);
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
