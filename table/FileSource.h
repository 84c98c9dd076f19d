#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A named file read from start to end in blocks, for the table reader and anything else that
// reads a whole file. Only ordinary files are opened: a FIFO, a socket, a device or a folder is
// refused before anything could block on it or never end.
//
// Failures come as a bare reason in Italian, lower case and without the file's name ("il file
// non esiste", "accesso negato"), for the caller to put into its own sentence.
//
// Two implementations, chosen when the build is configured: POSIX calls where they exist,
// Qt's own file class elsewhere.
class FileSource final {
public:
    FileSource();
    ~FileSource();
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    // Opens the file, named by the bytes the system knows it by (not every name is UTF-8); false
    // on failure, with error() saying why.
    bool open(const QByteArray &path);

    // The file's size when it was opened.
    qint64 size() const { return m_size; }

    // Reads the next bytes into buffer: how many, 0 at the end of the file, or -1 on failure
    // with error() saying why. A file whose size or modification time has changed since it was
    // opened fails at its end (changedReason()): what was read is not the file as it is.
    qint64 read(char *buffer, qint64 capacity);

    static QString changedReason()
    {
        return QStringLiteral("il file è cambiato durante la lettura");
    }

    const QString &error() const { return m_error; }

private:
    // Shared by both: a failed open (the handle is kept once it works), a read of nothing open.
    bool fail(const QString &reason)
    {
        m_error = reason;
        return false;
    }
    qint64 notOpen()
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("il file non è aperto");
        return -1;
    }

    struct Handle; // what the implementation keeps of the open file
    std::unique_ptr<Handle> m_handle;
    qint64 m_size = 0;
    QString m_error;
};
