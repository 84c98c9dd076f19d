#include "SystemErrorReason.h"

#include <cerrno>
#include <cstring>

QString systemErrorReason(int error)
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
