#include "errorifile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace ErroriFile {

int numeroDaErrno(int err)
{
    switch (err) {
    case ENOENT: return FileNonTrovato;
    case ENOTDIR: return PercorsoNonTrovato;
    case EACCES:
    case EPERM:
    case EROFS: return PermessoNegato;
    case EISDIR: return AccessoNegato;
    case ENXIO:
    case ENODEV:
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
        return DiscoNonPronto;
    case EIO: return ErroreLettura;
    case EMFILE:
    case ENFILE: return TroppiFile;
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL: return NomeFileErrato;
    default: return ErroreIO;
    }
}

QString conSegno(int numero)
{
    return numero < 0 ? QString::number(numero) : QStringLiteral(" ") + QString::number(numero);
}

QString messaggio(int numero, const QString &nomeFile)
{
    switch (numero) {
    case FileNonTrovato:
        return QStringLiteral("File dei codici %1 non trovato, impossibile continuare").arg(nomeFile.toUpper());
    case DiscoNonPronto: return QStringLiteral("Disco non pronto");
    case ErroreLettura: return QStringLiteral("Errore nella lettura dal disco");
    default:
        return QStringLiteral("Si è verificato un errore - code:") + conSegno(numero) +
               QStringLiteral(" - Impossibile continuare");
    }
}

bool chiudeFinestra(int numero)
{
    return numero != DiscoNonPronto && numero != ErroreLettura;
}

Lettura leggiFile(const QString &percorso, qint64 limite)
{
    Lettura lettura;
    const QByteArray nome = QFile::encodeName(percorso);
    if (nome.isEmpty() || nome.contains('\0')) {
        lettura.errore = nome.isEmpty() ? FileNonTrovato : NomeFileErrato;
        return lettura;
    }
    int fd;
    do {
        // Non-blocking, so that opening a named pipe cannot hang the window.
        fd = ::open(nome.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        lettura.errore = numeroDaErrno(errno);
        return lettura;
    }
    lettura.aperto = true;
    struct stat info {
    };
    if (::fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            ::close(fd);
            lettura.errore = AccessoNegato;
            return lettura;
        }
        if (S_ISREG(info.st_mode)) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            // One buffer of the file's size, not one regrown and copied at every block.
            lettura.dati.reserve(static_cast<qsizetype>(qMin<qint64>(qMax<qint64>(info.st_size, 0), limite)));
        }
    }
    char blocco[65536];
    while (lettura.dati.size() < limite) {
        const qint64 voglio = qMin<qint64>(sizeof blocco, limite - lettura.dati.size());
        const ssize_t n = ::read(fd, blocco, static_cast<size_t>(voglio));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            lettura.errore = numeroDaErrno(errno);
            break;
        }
        if (n == 0)
            break;
        lettura.dati.append(blocco, static_cast<qsizetype>(n));
    }
    ::close(fd);
    return lettura;
}

} // namespace ErroriFile
