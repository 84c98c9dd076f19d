#include "FileSource.h"

#include "SystemErrorReason.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

// Where the POSIX calls are missing: Qt's file class, with the same checks and reasons. Qt cannot
// open without blocking, so a file swapped for a FIFO between the check and the open would block
// here; the POSIX source closes that gap.

namespace {

QString reasonForMissing(const QFileInfo &info)
{
    // A path that runs through an ordinary file, as in "tabella.tbl/altro".
    for (QFileInfo parent(info.absolutePath()); !parent.isRoot();
         parent = QFileInfo(parent.absolutePath())) {
        if (parent.exists())
            return systemErrorReason(parent.isDir() ? ENOENT : ENOTDIR);
    }
    return systemErrorReason(ENOENT);
}

QString reasonFor(const QFile &file)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return systemErrorReason(EACCES);
    default:
        return file.errorString();
    }
}

} // namespace

struct FileSource::Handle {
    QFile file;
    QDateTime modified;
};

FileSource::FileSource() = default;
FileSource::~FileSource() = default;

bool FileSource::open(const QByteArray &nativePath)
{
    const QString path = QFile::decodeName(nativePath);
    m_handle.reset();
    m_error.clear();
    if (path.isEmpty())
        return fail(QStringLiteral("nessun file indicato"));

    const QFileInfo info(path); // follows symbolic links, like stat()
    if (!info.exists())
        return fail(reasonForMissing(info));
    if (info.isDir())
        return fail(systemErrorReason(EISDIR));
    if (!info.isFile())
        return fail(QStringLiteral("non è un file ordinario"));

    auto handle = std::make_unique<Handle>();
    handle->file.setFileName(path);
    if (!handle->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(reasonFor(handle->file));
    m_size = handle->file.size();
    handle->modified = handle->file.fileTime(QFileDevice::FileModificationTime);
    m_handle = std::move(handle);
    return true;
}

qint64 FileSource::read(char *buffer, qint64 capacity)
{
    if (!m_handle)
        return notOpen();
    const qint64 n = m_handle->file.read(buffer, capacity);
    if (n < 0)
        m_error = reasonFor(m_handle->file);
    if (n == 0 &&
        (m_handle->file.size() != m_size ||
         m_handle->file.fileTime(QFileDevice::FileModificationTime) != m_handle->modified)) {
        m_error = changedReason();
        return -1;
    }
    return n;
}
