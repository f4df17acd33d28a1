#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the single-byte code page of the data files and of the original program's text handling.
namespace Cp1252 {

// Every byte decodes to one character; the five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// C1 control of the same value, as Windows does.
QString decodifica(const QByteArray &byte);
QChar decodificaByte(unsigned char b);

// The byte of a character, or -1 when the character is not in the code page.
int byteDi(QChar c);
// Characters outside the code page become "?".
QByteArray codifica(const QString &testo);

// Upper case by the code page's rules: a-z, the accented small letters 0xE0-0xFE (but not the division sign),
// and the four small letters of 0x80-0x9F (š, œ, ž, ÿ). ß and µ have no capital and stay. Characters outside
// the code page are upper-cased by Unicode rules.
QChar maiuscola(QChar c);
QString maiuscole(const QString &testo);

} // namespace Cp1252
