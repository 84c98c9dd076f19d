#include "TestFiles.h"

#include <QFile>

namespace TestFiles {

bool writeRepeated(const QString &path, const QByteArray &pattern, qint64 total)
{
    QFile file(path);
    if (pattern.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    while (block.size() < MiB)
        block += pattern;
    for (qint64 written = 0; written < total;) {
        const qint64 n = qMin<qint64>(block.size(), total - written);
        if (file.write(block.constData(), n) != n)
            return false;
        written += n;
    }
    return true;
}

bool writeTable(const QString &path, qint64 total)
{
    return writeRepeated(path, "41=A\r\n42=Bb\r\n; commento\r\n4142=AB\r\nff=z\r\n", total);
}

} // namespace TestFiles
