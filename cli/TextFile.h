#pragma once

#include "FileSource.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <string_view>

class QTemporaryFile;

// One text to check, read twice with memory bounded by one block whatever its size: once to tell
// whether it is UTF-8, once into the checker. Standard input that cannot be read twice (a pipe,
// a terminal) is copied to a temporary file on the way, unless it fits in one block.
class TextFile final {
public:
    static constexpr qint64 BlockSize = 256 * 1024;

    // name: a path, or "-" for standard input.
    explicit TextFile(const QByteArray &name);
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    // The first reading. False when the text cannot be read (see error()).
    bool scan();
    // Whether the whole text is UTF-8 (after scan()).
    bool isUtf8() const { return m_utf8; }
    // The second reading: the same bytes, block by block. False when they cannot be read again.
    bool read(const std::function<void(std::string_view)> &onBlock);

    // For a text whose second reading turned out different from the first.
    void setChanged();

    // Italian, names the text and the reason.
    QString error() const { return m_error; }

private:
    bool fail(const QString &reason);
    bool scanStandardInput();
    bool scanFile();
    // Reads until the block is full or the input ends; -1 on failure, with m_error set.
    qint64 fill(FileSource &source, qint64 size);
    qint64 fillFromStandardInput(qint64 size);

    QByteArray m_name;
    bool m_standardInput;
    qint64 m_standardInputStart = -1; // where standard input started, when it is an ordinary file
    qint64 m_size = 0;                // the bytes the first reading saw
    bool m_utf8 = true;
    std::unique_ptr<char[]> m_block;
    bool m_wholeInBlock = false;
    std::unique_ptr<QTemporaryFile> m_spool;
    QString m_error;
};
