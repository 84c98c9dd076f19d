#pragma once

#include <QByteArray>
#include <QString>

namespace TestFiles {

constexpr qint64 MiB = 1024 * 1024;

// Writes `total` bytes of `pattern` repeated, through a small buffer, so that even a file of
// gigabytes costs the test no memory.
bool writeRepeated(const QString &path, const QByteArray &pattern, qint64 total);

// Table lines repeated: once read, 0x41 is "A", 0x42 "Bb" and 0xFF "z".
bool writeTable(const QString &path, qint64 total);

} // namespace TestFiles
