#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class CharacterTable;

struct TableReadResult {
    enum class Outcome { Read, Failed, Cancelled };
    Outcome outcome = Outcome::Read;
    QString error; // Italian, names the file and the reason; empty unless Failed
    // Lines that look like definitions but cannot be used (see TableParser): how many, and the
    // number of the first. The table is read without them either way.
    qint64 unusableLines = 0;
    qint64 firstUnusableLine = 0;

    bool ok() const { return outcome == Outcome::Read; }

    // A reading of the file at path that failed for reason (bare, in lower case).
    static TableReadResult failed(const QString &path, const QString &reason);
};

// Reads a table file into the table, all or nothing: on failure or cancel the table is left
// exactly as it was. Only ordinary files are opened, so a FIFO, a device or a folder is refused
// before anything could block. The progress callback gets the bytes read so far and the file's
// size after every block; returning false cancels the reading.
using TableReadProgress = std::function<bool(qint64 done, qint64 total)>;

// The path is the file's name as the system has it: bytes, which need not be UTF-8.
TableReadResult readTableFile(const QByteArray &path, CharacterTable &table,
                              const TableReadProgress &progress = {});
