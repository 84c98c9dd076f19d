#include "FileSource.h"

#include "SystemErrorReason.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Ordinary files only: anything else could block (FIFO, socket, terminal) or never end
// (/dev/zero).
QString reasonForType(mode_t mode)
{
    if (S_ISDIR(mode))
        return systemErrorReason(EISDIR);
    if (!S_ISREG(mode))
        return QStringLiteral("non è un file ordinario");
    return {};
}

} // namespace

struct FileSource::Handle {
    explicit Handle(int descriptor) : fd(descriptor) {}
    ~Handle() { ::close(fd); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    int fd;
    timespec modified{};
};

FileSource::FileSource() = default;
FileSource::~FileSource() = default;

bool FileSource::open(const QByteArray &path)
{
    m_handle.reset();
    m_error.clear();
    if (path.isEmpty())
        return fail(QStringLiteral("nessun file indicato"));
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return fail(systemErrorReason(errno));
    if (const QString reason = reasonForType(info.st_mode); !reason.isEmpty())
        return fail(reason);

    // O_NONBLOCK in case the path was swapped for a FIFO since the check; fstat settles it.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail(systemErrorReason(errno));
    auto handle = std::make_unique<Handle>(fd);
    if (::fstat(fd, &info) != 0)
        return fail(systemErrorReason(errno));
    if (const QString reason = reasonForType(info.st_mode); !reason.isEmpty())
        return fail(reason);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_size = info.st_size;
    handle->modified = info.st_mtim;
    m_handle = std::move(handle);
    return true;
}

qint64 FileSource::read(char *buffer, qint64 capacity)
{
    if (!m_handle)
        return notOpen();
    for (;;) {
        const ssize_t n = ::read(m_handle->fd, buffer, std::size_t(capacity));
        if (n > 0)
            return n;
        if (n == 0) {
            // What was read is the file only if it has not changed since it was opened.
            struct stat info {};
            if (::fstat(m_handle->fd, &info) != 0) {
                m_error = systemErrorReason(errno);
                return -1;
            }
            if (info.st_size == m_size && info.st_mtim.tv_sec == m_handle->modified.tv_sec &&
                info.st_mtim.tv_nsec == m_handle->modified.tv_nsec)
                return 0;
            m_error = changedReason();
            return -1;
        }
        if (errno != EINTR) {
            m_error = systemErrorReason(errno);
            return -1;
        }
    }
}
