#pragma once

#include <QByteArray>
#include <QList>

// Synthetic codes.dat files for tests and benchmarks.
namespace FileComuni {

// One line of 89 characters: name and province code padded to 40, province, region, prefix, CAP.
inline QByteArray riga(const QByteArray &nome, const QByteArray &regione = "LAZIO", const QByteArray &cap = "00100")
{
    return (nome + " (RM)").leftJustified(40, ' ', true) + ' ' + QByteArray("ROMA").leftJustified(18) + ' ' +
           regione.leftJustified(19, ' ', true) + QByteArray("06").leftJustified(4) + ' ' + cap;
}

// The lines with CR LF, then the closing line that the loader never stores.
inline QByteArray file(const QList<QByteArray> &righe)
{
    QByteArray dati;
    for (const QByteArray &r : righe)
        dati += r + "\r\n";
    return dati + "\r\n";
}

// The initial blocks of the original data file of 8,102 municipalities: initials and last position.
struct BloccoTabella {
    const char *iniziali;
    int ultimo;
};
constexpr BloccoTabella kTabella[] = {
    {"A", 435},  {"B", 1021}, {"C", 2520}, {"D", 2626}, {"EF", 2976}, {"G", 3334}, {"HIJ", 3421},
    {"L", 3726}, {"M", 4574}, {"N", 4704}, {"O", 4882}, {"P", 5598},  {"Q", 5629}, {"R", 6028},
    {"S", 7137}, {"T", 7518}, {"U", 7554}, {"V", 8048}, {"Z", -1},
};

// Names laid out in the blocks of the table ("C1022" at position 1022), the letters of a shared block
// one after the other; the Z block runs up to `quanti` - 1.
inline QList<QByteArray> righeDellaTabella(int quanti = 8102)
{
    QList<QByteArray> righe;
    int inizio = 0;
    for (const BloccoTabella &b : kTabella) {
        const int ultimo = b.ultimo < 0 ? quanti - 1 : b.ultimo;
        const int lettere = static_cast<int>(qstrlen(b.iniziali));
        for (int i = inizio; i <= ultimo; ++i)
            righe.append(riga(b.iniziali[(i - inizio) * lettere / (ultimo - inizio + 1)] + QByteArray::number(i)));
        inizio = ultimo + 1;
    }
    return righe;
}

} // namespace FileComuni
