#pragma once

#include <QString>

// Files of the program are found in the directory that holds its executable.
namespace Percorsi {

// The directory, then the separator unless the directory already ends with one, then the file name:
// "C:\" + "codes.cf" gives "C:\codes.cf", "C:\Kit" gives "C:\Kit\codes.cf".
QString unisci(const QString &cartella, const QString &nome, QChar separatore = QChar('/'));

// The directory of the executable; tests may put another one in its place.
QString cartellaProgramma();
void impostaCartellaProgramma(const QString &cartella); // empty: back to the executable's directory

QString fileProgramma(const QString &nome);

} // namespace Percorsi
