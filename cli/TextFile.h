#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <string_view>

class FileSource;
class QTemporaryFile;

// One text to check, read in blocks with memory bounded by one block whatever its size, and
// read again from the start when the caller needs it. Standard input that cannot be read twice (a
// pipe, a terminal) is copied to a temporary file on the first reading, unless it fits in one
// block.
class TextFile final {
public:
    static constexpr qint64 BlockSize = 256 * 1024;
    // Gets each block; returns false when it wants no more of this reading.
    using BlockReader = std::function<bool(std::string_view)>;

    // name: a path, or "-" for standard input.
    explicit TextFile(const QByteArray &name);
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    // The first reading. False when the text cannot be read (see error()).
    bool read(const BlockReader &onBlock);
    // The same bytes again, from the start. False when they cannot be read again.
    bool readAgain(const BlockReader &onBlock);

    // For a text whose second reading turned out different from the first.
    void setChanged();
    // For a text that cannot be checked for reason (bare, in lower case); returns false.
    bool fail(const QString &reason);

    // Italian, names the text and the reason.
    QString error() const { return m_error; }

private:
    bool openStandardInput();
    // Reads from the source until the block is full or the input ends; -1 on failure, with
    // m_error set.
    qint64 fill(FileSource *source, qint64 size);
    bool keep(qint64 size);

    QByteArray m_name;
    bool m_standardInput;
    qint64 m_standardInputStart = -1; // where standard input started, when it is an ordinary file
    qint64 m_size = 0;                // bytes of the first reading; -1 if it stopped early
    std::unique_ptr<char[]> m_block;
    bool m_wholeInBlock = false;
    std::unique_ptr<QTemporaryFile> m_spool;
    QString m_error;
};
