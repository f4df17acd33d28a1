#include "errorifile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// A folder in place of the file: opened, but no file to read.
constexpr int kCartella = -2;

#ifdef Q_OS_WIN
// The file by its UTF-16 name, whatever the code page (Windows opens no folder as a file).
int apri(const QString &percorso, const QByteArray &)
{
    if (QFileInfo(percorso).isDir())
        return kCartella;
    return ::_wopen(reinterpret_cast<const wchar_t *>(percorso.utf16()), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

// The size of a plain file, -1 for anything else.
qint64 dimensione(int fd)
{
    struct _stat64 info {
    };
    return ::_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG ? info.st_size : -1;
}

int leggi(int fd, char *blocco, qint64 quanti)
{
    return ::_read(fd, blocco, static_cast<unsigned>(quanti));
}

void chiudi(int fd)
{
    ::_close(fd);
}
#else
int apri(const QString &, const QByteArray &nome)
{
    int fd;
    do {
        // Non-blocking, so that opening a named pipe cannot hang the window.
        fd = ::open(nome.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The size of a plain file (then read blocking again), -1 for anything else, kCartella for a folder.
qint64 dimensione(int fd)
{
    struct stat info {
    };
    if (::fstat(fd, &info) != 0)
        return -1;
    if (S_ISDIR(info.st_mode))
        return kCartella;
    if (!S_ISREG(info.st_mode))
        return -1;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return info.st_size;
}

ssize_t leggi(int fd, char *blocco, qint64 quanti)
{
    return ::read(fd, blocco, static_cast<size_t>(quanti));
}

void chiudi(int fd)
{
    ::close(fd);
}
#endif

} // namespace

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
    const int fd = apri(percorso, nome);
    if (fd < 0 && fd != kCartella) {
        lettura.errore = numeroDaErrno(errno);
        return lettura;
    }
    lettura.aperto = true;
    const qint64 byte = fd == kCartella ? kCartella : dimensione(fd);
    if (byte == kCartella) {
        if (fd >= 0)
            chiudi(fd);
        lettura.errore = AccessoNegato;
        return lettura;
    }
    // The bytes go straight into one buffer of the file's size and a byte more, so that the end is seen
    // without growing it; only a file that grows while it is read makes it larger.
    QByteArray &dati = lettura.dati;
    dati.resize(static_cast<qsizetype>(qMin<qint64>(limite, byte > 0 ? byte + 1 : 65536)));
    qsizetype letti = 0;
    while (letti < limite) {
        if (letti == dati.size())
            dati.resize(static_cast<qsizetype>(qMin<qint64>(limite, qint64(dati.size()) * 2)));
        // At most 1 GiB a call: Windows reads no more than 2 GiB at once.
        const auto n = leggi(fd, dati.data() + letti, qMin<qint64>(dati.size() - letti, qint64(1) << 30));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            lettura.errore = numeroDaErrno(errno);
            break;
        }
        if (n == 0)
            break;
        letti += static_cast<qsizetype>(n);
    }
    dati.resize(letti);
    chiudi(fd);
    return lettura;
}

} // namespace ErroriFile
