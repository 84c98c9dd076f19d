#pragma once

#include <QByteArrayList>
#include <QObject>

class QMimeData;
class QWidget;

// Takes files dropped from a file manager on a widget and every widget inside it: they are
// reported as a list of paths, in the order given, and never reach a widget as text. A path is
// the bytes the system knows the file by, whether or not they are UTF-8. Other
// drops (plain text) go on to the widget under the pointer as usual.
class FileDropTarget final : public QObject {
    Q_OBJECT

public:
    explicit FileDropTarget(QObject *parent = nullptr);

    // Watches root and the widgets it holds now; root accepts drops from then on.
    void watch(QWidget *root);

    // While not accepting, files are refused where they are dragged: the drag shows that they
    // cannot be dropped, and a drop is ignored, never taken.
    void setAcceptingFiles(bool accepting) { m_accepting = accepting; }

    // The local files a drag carries, in order; empty when it carries none.
    static QByteArrayList localFiles(const QMimeData *data);

Q_SIGNALS:
    // Emitted once the drop is over, so that the drag's source is not kept waiting.
    void filesDropped(const QByteArrayList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_accepting = true;
};
