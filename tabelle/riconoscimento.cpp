// What a file is, from its first bytes: the one place that tells a sheet's zip and an old Office container
// from anything else. No archive library here: the engine asks before it loads the sheet readers.
#include "foglio.h"

namespace Fogli {

namespace {

// The name of the stream that holds an encrypted package, in the UTF-16 of an OLE2 directory.
const QByteArray &nomeCifrato()
{
    static const QByteArray nome("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    return nome;
}

// Whether the directory of an OLE2 container lists an encrypted package: an .xlsx or .ods protected by a
// password, stored inside one. `inizio` holds its header.
bool ole2Cifrato(QIODevice &file, const QByteArray &inizio)
{
    const auto u16 = [&](int o) { return static_cast<quint16>(quint8(inizio[o]) | (quint8(inizio[o + 1]) << 8)); };
    const auto u32 = [&](int o) { return static_cast<quint32>(u16(o) | (static_cast<quint32>(u16(o + 2)) << 16)); };
    const int spostamento = u16(30);
    const qint64 settore = spostamento >= 7 && spostamento <= 12 ? (qint64(1) << spostamento) : 512;
    const quint32 directory = u32(48);
    if (directory >= 0xFFFFFFFAu || !file.seek((static_cast<qint64>(directory) + 1) * settore))
        return false;
    return file.read(settore * 4).contains(nomeCifrato());
}

} // namespace

QString msgPassword()
{
    return QStringLiteral("Il file è protetto da password: salvalo senza password e riprova");
}

Contenitore contenitoreDi(QByteArrayView inizio)
{
    if (inizio.startsWith("PK\x03\x04") || inizio.startsWith("PK\x05\x06"))
        return Contenitore::Zip;
    if (inizio.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Contenitore::Ole2;
    return Contenitore::Nessuno;
}

QString descriviNonFoglio(QIODevice &file)
{
    file.seek(0);
    const QByteArray inizio = file.read(512);
    if (inizio.isEmpty())
        return QStringLiteral("Il file è vuoto");
    switch (contenitoreDi(inizio)) {
    case Contenitore::Zip: return {};
    case Contenitore::Ole2:
        if (inizio.size() == 512 && ole2Cifrato(file, inizio))
            return msgPassword();
        return QStringLiteral("Il file è nel vecchio formato Excel (.xls): salvalo come .xlsx o .ods e riprova");
    case Contenitore::Nessuno: break;
    }
    return QStringLiteral("Il file non è un foglio di calcolo .xlsx o .ods");
}

} // namespace Fogli
