#pragma once

#include <QByteArray>

// Records of codes.cf for the tests: name (cut to 20), province, code and last year padded with spaces, then
// the line end. The texts are Windows-1252 bytes.
inline QByteArray recordCodici(const QByteArray &nome, const QByteArray &provincia = "RM",
                               const QByteArray &codice = "H501", const QByteArray &annoFine = QByteArray())
{
    QByteArray r = nome.left(20).leftJustified(20, ' ');
    r += provincia.leftJustified(2, ' ');
    r += codice.leftJustified(4, ' ');
    r += annoFine.leftJustified(4, ' ');
    r += "\r\n";
    return r;
}

inline QByteArray fineCodici()
{
    return recordCodici("END", "", "");
}
