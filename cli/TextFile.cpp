#include "TextFile.h"

#include "Utf8Validator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString changedReason()
{
    return u"il file è cambiato durante la lettura"_s;
}

QString reasonFor(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return u"accesso negato"_s;
    case EISDIR:
        return u"è una cartella"_s;
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace

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
    fail(changedReason());
}

qint64 TextFile::fill(FileSource &source, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = source.read(m_block.get() + done, size - done);
        if (n < 0) {
            fail(source.error());
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// Standard input is whatever we were given, a pipe or a terminal as much as a file, so it is
// read with the plain calls, not through the file source, which opens ordinary files only.
qint64 TextFile::fillFromStandardInput(qint64 size)
{
    qint64 done = 0;
    while (done < size) {
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
            fail(reasonFor(errno));
            return -1;
        }
    }
    return done;
}

bool TextFile::scan()
{
    m_block.reset(new char[std::size_t(BlockSize)]);
    return m_standardInput ? scanStandardInput() : scanFile();
}

bool TextFile::scanFile()
{
    FileSource source;
    if (!source.open(QFile::decodeName(m_name)))
        return fail(source.error());
    Utf8Validator validator;
    qint64 n = fill(source, BlockSize);
    if (n < 0)
        return false;
    m_size = n;
    validator.feed(std::string_view(m_block.get(), std::size_t(n)));
    m_wholeInBlock = n < BlockSize;
    while (!m_wholeInBlock && (n = fill(source, BlockSize)) > 0) {
        m_size += n;
        validator.feed(std::string_view(m_block.get(), std::size_t(n)));
    }
    if (n < 0)
        return false;
    m_utf8 = validator.valid();
    return true;
}

bool TextFile::scanStandardInput()
{
    struct stat info {};
    if (::fstat(STDIN_FILENO, &info) != 0)
        return fail(reasonFor(errno));
    if (S_ISDIR(info.st_mode))
        return fail(reasonFor(EISDIR));
    if (S_ISREG(info.st_mode))
        m_standardInputStart = ::lseek(STDIN_FILENO, 0, SEEK_CUR);

    Utf8Validator validator;
    qint64 n = fillFromStandardInput(BlockSize);
    if (n < 0)
        return false;
    m_size = n;
    validator.feed(std::string_view(m_block.get(), std::size_t(n)));
    m_wholeInBlock = n < BlockSize;
    if (!m_wholeInBlock && m_standardInputStart < 0) {
        // Not to be read twice: keep a copy for the second reading.
        m_spool =
            std::make_unique<QTemporaryFile>(QDir::tempPath() + u"/verzino-controlla.XXXXXX"_s);
        if (!m_spool->open())
            return fail(u"impossibile crearne una copia in %1"_s.arg(QDir::tempPath()));
    }
    const auto keep = [this](qint64 size) {
        return !m_spool || m_spool->write(m_block.get(), size) == size;
    };
    if (!keep(n))
        return fail(u"impossibile scriverne una copia in %1"_s.arg(QDir::tempPath()));
    while (!m_wholeInBlock && (n = fillFromStandardInput(BlockSize)) > 0) {
        m_size += n;
        if (!keep(n))
            return fail(u"impossibile scriverne una copia in %1"_s.arg(QDir::tempPath()));
        validator.feed(std::string_view(m_block.get(), std::size_t(n)));
    }
    if (n < 0)
        return false;
    if (m_spool && !m_spool->flush())
        return fail(u"impossibile scriverne una copia in %1"_s.arg(QDir::tempPath()));
    m_utf8 = validator.valid();
    return true;
}

bool TextFile::read(const std::function<void(std::string_view)> &onBlock)
{
    if (m_wholeInBlock) {
        onBlock(std::string_view(m_block.get(), std::size_t(m_size)));
        return true;
    }

    FileSource source;
    const bool fromStandardInput = m_standardInput && !m_spool;
    if (fromStandardInput) {
        if (::lseek(STDIN_FILENO, m_standardInputStart, SEEK_SET) < 0)
            return fail(reasonFor(errno));
    } else if (!source.open(m_spool ? m_spool->fileName() : QFile::decodeName(m_name))) {
        return fail(source.error());
    }

    qint64 left = m_size;
    while (left > 0) {
        const qint64 want = std::min(left, BlockSize);
        const qint64 n = fromStandardInput ? fillFromStandardInput(want) : fill(source, want);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        onBlock(std::string_view(m_block.get(), std::size_t(n)));
        left -= n;
    }
    if (left > 0)
        return fail(changedReason());
    return true;
}
