#pragma once

#include <QByteArray>
#include <QString>

// Error numbers of file access, as the windows that read a data file report them, and the one place where
// the operating system's errors are mapped onto them.
namespace ErroriFile {

constexpr int IndiceFuoriIntervallo = 9; // a record would need a slot past the table
constexpr int NomeFileErrato = 52;
constexpr int FileNonTrovato = 53;
constexpr int ErroreIO = 57;
constexpr int FineFileInattesa = 62; // the file ends inside a record
constexpr int TroppiFile = 67;
constexpr int PermessoNegato = 70;
constexpr int DiscoNonPronto = 71;
constexpr int ErroreLettura = 72;
constexpr int AccessoNegato = 75; // path or file access error, e.g. the name is a directory
constexpr int PercorsoNonTrovato = 76;

// Maps an errno value onto the numbers above.
int numeroDaErrno(int err);

// The number in decimal with a sign position: one space before a non-negative number, a minus before a
// negative one (" 62", "-5").
QString conSegno(int numero);

// The message for an error met while opening or reading a data file. `nomeFile` is shown upper-cased in
// the not-found message ("File dei codici CODES.CF non trovato, impossibile continuare").
QString messaggio(int numero, const QString &nomeFile);

// True when the window that met the error closes; after 71 and 72 it stays open.
bool chiudeFinestra(int numero);

struct Lettura {
    QByteArray dati;     // the bytes read, also those read before a failure
    int errore = 0;      // 0, or the number of the failure
    bool aperto = false; // false when the failure came while opening the file
};

// Reads a whole file, at most `limite` bytes (a larger file is read up to the limit, as if it ended there).
Lettura leggiFile(const QString &percorso, qint64 limite);

} // namespace ErroriFile
