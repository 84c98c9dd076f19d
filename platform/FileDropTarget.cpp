#include "FileDropTarget.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

using namespace Qt::StringLiterals;

FileDropTarget::FileDropTarget(QObject *parent) : QObject(parent) {}

void FileDropTarget::watch(QWidget *root)
{
    root->setAcceptDrops(true);
    root->installEventFilter(this);
    const QList<QWidget *> children = root->findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
}

QByteArrayList FileDropTarget::localFiles(const QMimeData *data)
{
    QByteArrayList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile() || url.path().isEmpty())
            continue;
        // The address carries the name's bytes percent-encoded; toLocalFile() would turn those
        // that are no UTF-8 into U+FFFD, a name no file has.
        QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (const QString host = url.host(); !host.isEmpty() && host != "localhost"_L1)
            path.prepend("//" + host.toUtf8());
        paths.append(path);
    }
    return paths;
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);

    auto *drop = static_cast<QDropEvent *>(event);
    const QByteArrayList paths = localFiles(drop->mimeData());
    if (paths.isEmpty())
        return false;
    if (!m_accepting) {
        // Taken here all the same, so that no widget takes the files' addresses as text.
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Reading a file shows its progress, with an event loop of its own: not inside the drop.
        QMetaObject::invokeMethod(
            this, [this, paths] { Q_EMIT filesDropped(paths); }, Qt::QueuedConnection);
    }
    return true;
}
