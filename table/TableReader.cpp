#include "TableReader.h"

#include "CharacterTable.h"
#include "TableParser.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBlockSize = 256 * 1024;

QString failure(const QString &path, const QString &reason)
{
    return QStringLiteral("Impossibile leggere la tabella \"%1\": %2.").arg(path, reason);
}

QString reasonFor(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("il file non esiste");
    case ENOTDIR:
        return QStringLiteral("il percorso non è valido");
    case EACCES:
    case EPERM:
        return QStringLiteral("accesso negato");
    case EISDIR:
        return QStringLiteral("è una cartella");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// Ordinary files only: anything else could block (FIFO, socket, terminal) or never end
// (/dev/zero).
QString reasonForType(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("è una cartella");
    if (!S_ISREG(mode))
        return QStringLiteral("non è un file ordinario");
    return {};
}

class Descriptor final {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { ::close(m_fd); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

private:
    int m_fd;
};

TableReadResult failed(const QString &path, const QString &reason)
{
    return {TableReadResult::Outcome::Failed, failure(path, reason)};
}

} // namespace

TableReadResult readTableFile(const QString &path, CharacterTable &table,
                              const TableReadProgress &progress)
{
    if (path.isEmpty())
        return failed(path, QStringLiteral("nessun file indicato"));
    const QByteArray nativePath = QFile::encodeName(path);

    struct stat info {};
    if (::stat(nativePath.constData(), &info) != 0)
        return failed(path, reasonFor(errno));
    if (const QString reason = reasonForType(info.st_mode); !reason.isEmpty())
        return failed(path, reason);

    // O_NONBLOCK in case the path was swapped for a FIFO since the check; fstat settles it.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return failed(path, reasonFor(errno));
    const Descriptor closer(fd);
    if (::fstat(fd, &info) != 0)
        return failed(path, reasonFor(errno));
    if (const QString reason = reasonForType(info.st_mode); !reason.isEmpty())
        return failed(path, reason);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    const qint64 total = info.st_size;
    qint64 done = 0;
    TableParser parser;
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (;;) {
        const ssize_t n = ::read(fd, block.get(), kBlockSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failed(path, reasonFor(errno));
        }
        if (n == 0)
            break;
        parser.feed(std::string_view(block.get(), std::size_t(n)));
        done += n;
        if (progress && !progress(done, total))
            return {TableReadResult::Outcome::Cancelled, {}};
    }
    parser.finish();
    table.merge(parser);
    return {};
}
