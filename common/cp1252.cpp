#include "cp1252.h"

namespace {

// Unicode values of the bytes 0x80 to 0x9F.
constexpr char16_t kAlti[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

namespace Cp1252 {

QChar decodificaByte(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F)
        return QChar(kAlti[b - 0x80]);
    return QChar(static_cast<char16_t>(b));
}

QString decodifica(const QByteArray &byte)
{
    QString testo;
    testo.resize(byte.size());
    QChar *out = testo.data();
    for (qsizetype i = 0; i < byte.size(); ++i)
        out[i] = decodificaByte(static_cast<unsigned char>(byte[i]));
    return testo;
}

int byteDi(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kAlti[i] == u)
            return 0x80 + i;
    }
    return -1;
}

QByteArray codifica(const QString &testo)
{
    QByteArray byte;
    byte.reserve(testo.size());
    for (QChar c : testo) {
        const int b = byteDi(c);
        byte.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return byte;
}

QChar maiuscola(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z')
        return QChar(static_cast<char16_t>(u - 0x20));
    if (u < 0x80)
        return c;
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return QChar(static_cast<char16_t>(u - 0x20));
    switch (u) {
    case 0x0161: return QChar(char16_t(0x0160)); // š
    case 0x0153: return QChar(char16_t(0x0152)); // œ
    case 0x017E: return QChar(char16_t(0x017D)); // ž
    case 0x00FF: return QChar(char16_t(0x0178)); // ÿ
    default: break;
    }
    if (byteDi(c) >= 0)
        return c;
    return c.toUpper();
}

QString maiuscole(const QString &testo)
{
    QString risultato = testo;
    for (QChar &c : risultato)
        c = maiuscola(c);
    return risultato;
}

} // namespace Cp1252
