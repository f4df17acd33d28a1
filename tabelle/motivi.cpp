#include "motivi.h"

#include <cerrno>
#include <cstring>

#include <QFileInfo>

#include "sostituzione.h"
#include "tabella.h"

namespace Tabelle {

QString motivo(const QFileDevice &file)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        if (!QFile::exists(file.fileName()))
            return QStringLiteral("il file non esiste");
        if (QFileInfo(file.fileName()).isDir())
            return QStringLiteral("è una cartella");
        return QStringLiteral("accesso negato o non è un file");
    case QFileDevice::ReadError: return QStringLiteral("errore di lettura");
    case QFileDevice::PermissionsError: return QStringLiteral("permesso negato");
    default: return file.errorString();
    }
}

namespace {

// The sheet formats the output is never written in: a name so ending would hold a CSV.
const QStringList kFormatiNonScritti = {QStringLiteral("ods"),  QStringLiteral("fods"), QStringLiteral("ots"),
                                        QStringLiteral("xls"),  QStringLiteral("xlsm"), QStringLiteral("xlsb"),
                                        QStringLiteral("xltx"), QStringLiteral("xlt")};

} // namespace

QString ostacoloScrittura(const QString &percorso)
{
    const QFileInfo info(percorso);
    if (info.isDir())
        return QStringLiteral("è una cartella");
    if (Sostituzione::speciale(percorso)) // a device or a pipe, written into where it is
        return QString();
    const QString estensione = info.suffix().toLower();
    if (kFormatiNonScritti.contains(estensione))
        return QStringLiteral("il formato .%1 non è tra quelli scritti: scegliere un nome che finisce in .xlsx "
                              "(foglio di calcolo) o .csv")
            .arg(estensione);
    const QFileInfo cartella(info.absolutePath());
    if (!cartella.exists())
        return QStringLiteral("la cartella «%1» non esiste").arg(info.absolutePath());
    if (!cartella.isDir())
        return QStringLiteral("«%1» non è una cartella").arg(info.absolutePath());
    if (!cartella.isWritable())
        return QStringLiteral("permesso negato nella cartella «%1»").arg(info.absolutePath());
    if (info.exists() && !info.isWritable())
        return QStringLiteral("permesso negato: il file è di sola lettura");
    return QString();
}

int numeroErrore(const QFileDevice &file, int salvato)
{
    if (salvato != 0)
        return salvato;
    const QString testo = file.errorString();
    for (int e : {ENOSPC,
#ifdef EDQUOT
                  EDQUOT,
#endif
                  EACCES, EPERM, EROFS, EFBIG, EIO, ENOENT}) {
        if (testo.contains(QString::fromLocal8Bit(std::strerror(e))))
            return e;
    }
    return 0;
}

QString minuscola(QString testo)
{
    if (!testo.isEmpty())
        testo[0] = testo[0].toLower();
    return testo;
}

QString motivoScrittura(int numeroErrore)
{
    switch (numeroErrore) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("spazio esaurito sul disco");
    case EACCES:
    case EPERM: return QStringLiteral("permesso negato");
    case EROFS: return QStringLiteral("il disco è di sola lettura");
    case EFBIG: return QStringLiteral("file troppo grande per il disco");
    case ENOENT: return QStringLiteral("la cartella non esiste più");
    case EIO: return QStringLiteral("errore del disco");
    case EPIPE: return QStringLiteral("il programma che leggeva l'uscita si è chiuso");
    default:
        return numeroErrore != 0
                   ? QStringLiteral("errore di scrittura (%1)").arg(QString::fromLocal8Bit(std::strerror(numeroErrore)))
                   : QStringLiteral("errore di scrittura");
    }
}

} // namespace Tabelle
