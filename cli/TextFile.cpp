#include "TextFile.h"

#include "FileSource.h"
#include "SystemErrorReason.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

TextFile::TextFile(const QByteArray &name) : m_name(name), m_standardInput(name == "-") {}

TextFile::~TextFile() = default;

bool TextFile::fail(const QString &reason)
{
    m_error =
        m_standardInput
            ? u"Impossibile leggere lo standard input: %1."_s.arg(reason)
            : u"Impossibile leggere il testo \"%1\": %2."_s.arg(QFile::decodeName(m_name), reason);
    return false;
}

void TextFile::setChanged()
{
    fail(FileSource::changedReason());
}

// Standard input is whatever we were given, a pipe or a terminal as much as a file, so it is
// read with the plain calls (source null), not through the file source, which opens ordinary
// files only.
qint64 TextFile::fill(FileSource *source, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        if (source) {
            const qint64 n = source->read(m_block.get() + done, size - done);
            if (n < 0) {
                fail(source->error());
                return -1;
            }
            if (n == 0)
                break;
            done += n;
            continue;
        }
        const ssize_t n = ::read(STDIN_FILENO, m_block.get() + done, std::size_t(size - done));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break;
        } else if (errno == EAGAIN) {
            // Left non-blocking by whoever started us: wait for it.
            pollfd waiting{STDIN_FILENO, POLLIN, 0};
            ::poll(&waiting, 1, -1);
        } else if (errno != EINTR) {
            fail(systemErrorReason(errno));
            return -1;
        }
    }
    return done;
}

bool TextFile::openStandardInput()
{
    struct stat info {};
    if (::fstat(STDIN_FILENO, &info) != 0)
        return fail(systemErrorReason(errno));
    if (S_ISDIR(info.st_mode))
        return fail(systemErrorReason(EISDIR));
    if (S_ISREG(info.st_mode))
        m_standardInputStart = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
    return true;
}

bool TextFile::keep(qint64 size)
{
    if (!m_spool) {
        m_spool =
            std::make_unique<QTemporaryFile>(QDir::tempPath() + u"/verzino-controlla.XXXXXX"_s);
        if (!m_spool->open())
            return fail(u"impossibile crearne una copia in %1"_s.arg(QDir::tempPath()));
    }
    if (m_spool->write(m_block.get(), size) != size)
        return fail(u"impossibile scriverne una copia in %1"_s.arg(QDir::tempPath()));
    return true;
}

bool TextFile::read(const BlockReader &onBlock)
{
    m_block.reset(new char[std::size_t(BlockSize)]);
    FileSource source;
    if (m_standardInput) {
        if (!openStandardInput())
            return false;
    } else if (!source.open(m_name)) {
        return fail(source.error());
    }
    FileSource *const from = m_standardInput ? nullptr : &source;

    m_size = 0;
    bool wanted = true;
    bool spooling = false;
    for (;;) {
        const qint64 n = fill(from, BlockSize);
        if (n < 0)
            return false;
        if (m_size == 0 && n < BlockSize)
            m_wholeInBlock = true; // kept in memory for a second reading
        else if (m_size == 0 && m_standardInput && m_standardInputStart < 0)
            spooling = true;
        if (n == 0)
            break;
        m_size += n;
        if (spooling && !keep(n))
            return false;
        if (wanted)
            wanted = onBlock(std::string_view(m_block.get(), std::size_t(n)));
        if (m_wholeInBlock)
            break;
        if (!wanted && !spooling) {
            m_size = -1; // the second reading goes to the end
            break;
        }
    }
    if (m_spool && !m_spool->flush())
        return fail(u"impossibile scriverne una copia in %1"_s.arg(QDir::tempPath()));
    return true;
}

bool TextFile::readAgain(const BlockReader &onBlock)
{
    if (m_wholeInBlock) {
        onBlock(std::string_view(m_block.get(), std::size_t(m_size)));
        return true;
    }

    FileSource source;
    const bool fromStandardInput = m_standardInput && !m_spool;
    if (fromStandardInput) {
        if (::lseek(STDIN_FILENO, m_standardInputStart, SEEK_SET) < 0)
            return fail(systemErrorReason(errno));
    } else if (!source.open(m_spool ? QFile::encodeName(m_spool->fileName()) : m_name)) {
        return fail(source.error());
    }

    qint64 left = m_size < 0 ? std::numeric_limits<qint64>::max() : m_size;
    while (left > 0) {
        const qint64 n = fill(fromStandardInput ? nullptr : &source, std::min(left, BlockSize));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        onBlock(std::string_view(m_block.get(), std::size_t(n)));
        left -= n;
    }
    if (m_size >= 0 && left > 0) {
        setChanged();
        return false;
    }
    return true;
}
