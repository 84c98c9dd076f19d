#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString reasonFor(int error)
{
    switch (error) {
    case ENOENT:
        return u"il file non esiste"_s;
    case ENOTDIR:
        return u"il percorso non è valido"_s;
    case EACCES:
    case EPERM:
        return u"accesso negato"_s;
    case EISDIR:
        return u"è una cartella"_s;
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// Ordinary files only: anything else could block (FIFO, socket, terminal) or never end
// (/dev/zero).
QString reasonForType(mode_t mode)
{
    if (S_ISDIR(mode))
        return u"è una cartella"_s;
    if (!S_ISREG(mode))
        return u"non è un file ordinario"_s;
    return {};
}

// Streaming UTF-8 validation: well-formed sequences only (no overlong forms, no surrogates,
// nothing past U+10FFFF), in blocks split anywhere.
class Utf8Validation final {
public:
    void feed(const unsigned char *p, const unsigned char *end)
    {
        while (p < end && m_valid) {
            if (m_need == 0) {
                while (end - p >= 8) {
                    std::uint64_t word;
                    std::memcpy(&word, p, sizeof word);
                    if (word & 0x8080808080808080u)
                        break;
                    p += 8;
                }
                if (p == end)
                    return;
                const unsigned char lead = *p++;
                if (lead < 0x80)
                    continue;
                m_low = 0x80;
                m_high = 0xBF;
                if (lead >= 0xC2 && lead <= 0xDF) {
                    m_need = 1;
                } else if (lead >= 0xE0 && lead <= 0xEF) {
                    m_need = 2;
                    if (lead == 0xE0)
                        m_low = 0xA0;
                    else if (lead == 0xED)
                        m_high = 0x9F;
                } else if (lead >= 0xF0 && lead <= 0xF4) {
                    m_need = 3;
                    if (lead == 0xF0)
                        m_low = 0x90;
                    else if (lead == 0xF4)
                        m_high = 0x8F;
                } else {
                    m_valid = false;
                }
            } else {
                const unsigned char byte = *p++;
                if (byte < m_low || byte > m_high)
                    m_valid = false;
                m_low = 0x80;
                m_high = 0xBF;
                --m_need;
            }
        }
    }
    bool valid() const { return m_valid; }
    bool finish() const { return m_valid && m_need == 0; }

private:
    int m_need = 0;
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
    bool m_valid = true;
};

void feed(Utf8Validation &validation, const char *block, qint64 size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(block);
    validation.feed(p, p + size);
}

QString changedReason()
{
    return u"il file è cambiato durante la lettura"_s;
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

TextFile::TextFile(const QByteArray &name) : m_name(name) {}

TextFile::~TextFile()
{
    if (m_ownsFd)
        ::close(m_fd);
}

bool TextFile::fail(const QString &reason)
{
    m_error = m_name == "-" ? u"Impossibile leggere lo standard input: %1."_s.arg(reason)
                            : u"Impossibile leggere il testo \"%1\": %2."_s.arg(
                                  QString::fromLocal8Bit(m_name), reason);
    return false;
}

bool TextFile::failErrno(int error)
{
    return fail(reasonFor(error));
}

qint64 TextFile::fill(int fd, char *buffer, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, std::size_t(size - done));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break;
        } else if (errno == EAGAIN) {
            // Standard input left non-blocking by whoever started us: wait for it.
            pollfd waiting{fd, POLLIN, 0};
            ::poll(&waiting, 1, -1);
        } else if (errno != EINTR) {
            return -1;
        }
    }
    return done;
}

bool TextFile::scan()
{
    struct stat info {};
    if (m_name == "-") {
        m_fd = STDIN_FILENO;
        if (::fstat(m_fd, &info) != 0)
            return failErrno(errno);
        if (S_ISDIR(info.st_mode))
            return fail(reasonForType(info.st_mode));
        m_start = ::lseek(m_fd, 0, SEEK_CUR);
        m_seekable = S_ISREG(info.st_mode) && m_start >= 0;
    } else {
        const QByteArray path = m_name;
        if (::stat(path.constData(), &info) != 0)
            return failErrno(errno);
        if (const QString reason = reasonForType(info.st_mode); !reason.isEmpty())
            return fail(reason);
        // O_NONBLOCK in case the path was swapped for a FIFO since the check; fstat settles it.
        m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (m_fd < 0)
            return failErrno(errno);
        m_ownsFd = true;
        if (::fstat(m_fd, &info) != 0)
            return failErrno(errno);
        if (const QString reason = reasonForType(info.st_mode); !reason.isEmpty())
            return fail(reason);
        m_seekable = true;
    }
    if (S_ISREG(info.st_mode))
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    Utf8Validation validation;
    m_block.reset(new char[std::size_t(BlockSize)]);
    qint64 n = fill(m_fd, m_block.get(), BlockSize);
    if (n < 0)
        return failErrno(errno);
    m_size = n;
    feed(validation, m_block.get(), n);
    if (n < BlockSize) {
        m_wholeInBlock = true;
        m_utf8 = validation.finish();
        return true;
    }

    if (!m_seekable) {
        m_spool =
            std::make_unique<QTemporaryFile>(QDir::tempPath() + u"/verzino-controlla.XXXXXX"_s);
        if (!m_spool->open() || !writeAll(int(m_spool->handle()), m_block.get(), n))
            return fail(u"impossibile copiarlo in un file temporaneo (%1)"_s.arg(
                m_spool->isOpen() ? reasonFor(errno) : m_spool->errorString()));
    }
    while ((n = fill(m_fd, m_block.get(), BlockSize)) > 0) {
        m_size += n;
        if (m_spool) {
            if (!writeAll(int(m_spool->handle()), m_block.get(), n))
                return fail(
                    u"impossibile copiarlo in un file temporaneo (%1)"_s.arg(reasonFor(errno)));
        } else if (!validation.valid()) {
            // Windows-1252 then; the second reading goes to the end of the file.
            m_size = -1;
            break;
        }
        feed(validation, m_block.get(), n);
    }
    if (n < 0)
        return failErrno(errno);
    m_utf8 = validation.finish();
    return true;
}

bool TextFile::read(const std::function<void(std::string_view)> &onBlock)
{
    if (m_wholeInBlock) {
        onBlock(std::string_view(m_block.get(), std::size_t(m_size)));
        return true;
    }
    const int fd = m_spool ? int(m_spool->handle()) : m_fd;
    if (::lseek(fd, m_spool ? 0 : m_start, SEEK_SET) < 0)
        return failErrno(errno);
    qint64 left = m_size < 0 ? std::numeric_limits<qint64>::max() : m_size;
    while (left > 0) {
        const qint64 n = fill(fd, m_block.get(), std::min(left, BlockSize));
        if (n < 0)
            return failErrno(errno);
        if (n == 0)
            break;
        onBlock(std::string_view(m_block.get(), std::size_t(n)));
        left -= n;
    }
    if (m_size >= 0 && left > 0)
        return fail(changedReason());
    return true;
}

void TextFile::setChanged()
{
    fail(changedReason());
}
