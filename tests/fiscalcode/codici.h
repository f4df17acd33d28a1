#pragma once

#include <QByteArray>

// Records of codes.cf for the tests: name (cut to 20), province and code padded with spaces, the line end
// among the six unused characters. The texts are Windows-1252 bytes.
inline QByteArray recordCodici(const QByteArray &nome, const QByteArray &provincia = "RM",
                               const QByteArray &codice = "H501")
{
    QByteArray r = nome.left(20).leftJustified(20, ' ');
    r += provincia.leftJustified(2, ' ');
    r += codice.leftJustified(4, ' ');
    r += "    \r\n";
    return r;
}

inline QByteArray fineCodici()
{
    return recordCodici("END", "", "");
}
