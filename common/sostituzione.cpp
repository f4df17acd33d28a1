#include "sostituzione.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_WIN
#include <QThread>
#include <windows.h>
#else
#include <cstdio>
#include <sys/stat.h>
#endif

#include <cerrno>
#include <cstring>

namespace Sostituzione {

namespace {
QString comeCartella()
{
    return QStringLiteral("al suo posto c'è una cartella");
}

// Why a system call failed, by its error number.
QString perche(int numero)
{
    switch (numero) {
    case ENOENT: return QStringLiteral("il file o la cartella non esiste più");
    case EACCES:
    case EPERM: return QStringLiteral("permesso negato");
    case EROFS: return QStringLiteral("il disco è di sola lettura");
    case EISDIR: return comeCartella();
    case ENOSPC: return QStringLiteral("spazio esaurito sul disco");
    default: return QString::fromLocal8Bit(std::strerror(numero));
    }
}

// The bytes of `temporaneo` written into the device or pipe `destinazione`, then `temporaneo` removed.
QString copiaIn(const QString &temporaneo, const QString &destinazione)
{
    QFile da(temporaneo);
    QFile a(destinazione);
    QString errore;
    if (!da.open(QIODevice::ReadOnly))
        errore = da.errorString();
    else if (!a.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        errore = a.errorString();
    while (errore.isEmpty()) {
        const QByteArray blocco = da.read(1 << 16);
        if (blocco.isEmpty())
            break;
        errno = 0;
        if (a.write(blocco) != blocco.size())
            errore = errno != 0 ? perche(errno) : a.errorString();
    }
    da.close();
    QFile::remove(temporaneo);
    return errore;
}
} // namespace

#ifdef Q_OS_WIN

namespace {

QString testoErrore(DWORD codice)
{
    switch (codice) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return QStringLiteral("il file è aperto in un altro programma");
    case ERROR_ACCESS_DENIED: return QStringLiteral("permesso negato (il file è di sola lettura o aperto in un altro programma)");
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return QStringLiteral("il file o la cartella non esiste più");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return QStringLiteral("spazio esaurito sul disco");
    case ERROR_WRITE_PROTECT: return QStringLiteral("il disco è di sola lettura");
    default: break;
    }
    wchar_t *testo = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, codice, 0, reinterpret_cast<LPWSTR>(&testo), 0, nullptr);
    const QString descrizione = n > 0 ? QString::fromWCharArray(testo, int(n)).trimmed() : QString();
    LocalFree(testo);
    return QStringLiteral("errore %1%2").arg(codice).arg(descrizione.isEmpty() ? QString() : QStringLiteral(": ") + descrizione);
}

bool passeggero(DWORD codice)
{
    return codice == ERROR_SHARING_VIOLATION || codice == ERROR_LOCK_VIOLATION || codice == ERROR_ACCESS_DENIED ||
           codice == ERROR_USER_MAPPED_FILE;
}

} // namespace

namespace {

// The names Windows keeps for its devices, in any folder and with any extension.
bool nomeDiDispositivo(const QString &percorso)
{
    const QString base = QFileInfo(percorso).completeBaseName().section(u'.', 0, 0).trimmed().toUpper();
    static const QStringList nomi = {QStringLiteral("NUL"), QStringLiteral("CON"), QStringLiteral("PRN"),
                                     QStringLiteral("AUX"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (nomi.contains(base))
        return true;
    return base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           base[3] >= u'1' && base[3] <= u'9';
}

} // namespace

bool speciale(const QString &percorso)
{
    return percorso.startsWith(QLatin1String("\\\\.\\")) || percorso.startsWith(QLatin1String("//./")) ||
           nomeDiDispositivo(percorso);
}

QString sostituisci(const QString &temporaneo, const QString &destinazione)
{
    if (QFileInfo(destinazione).isDir())
        return comeCartella();
    if (speciale(destinazione))
        return copiaIn(temporaneo, destinazione);
    const auto da = reinterpret_cast<const wchar_t *>(temporaneo.utf16());
    const auto a = reinterpret_cast<const wchar_t *>(destinazione.utf16());
    // An antivirus or the search indexer may hold a file just written for a moment: a few tries over a
    // second, then the program that keeps it open is the user's to close.
    DWORD codice = ERROR_SUCCESS;
    for (int prova = 0; prova < 10; ++prova) {
        if (MoveFileExW(da, a, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return QString();
        codice = GetLastError();
        if (!passeggero(codice))
            break;
        QThread::msleep(100);
    }
    return testoErrore(codice);
}

#else

bool speciale(const QString &percorso)
{
    struct stat s {};
    return ::stat(QFile::encodeName(percorso).constData(), &s) == 0 && !S_ISREG(s.st_mode) && !S_ISDIR(s.st_mode);
}

QString sostituisci(const QString &temporaneo, const QString &destinazione)
{
    if (speciale(destinazione))
        return copiaIn(temporaneo, destinazione);
    if (std::rename(QFile::encodeName(temporaneo).constData(), QFile::encodeName(destinazione).constData()) == 0)
        return QString();
    return perche(errno);
}

#endif

} // namespace Sostituzione
