#pragma once

#include <array>

#include <QByteArrayView>

#include "tabellacodici.h"

namespace Fiscale {

// The fiscal code of the common case computed on Windows-1252 bytes, for tables of many rows, without a
// text built for each value. What compattastringa makes of each byte is taken from it one character at a
// time, so that this path folds and upper-cases as CodiceFiscale does; a byte whose letter is not its own
// alone (one that would give two letters, say) is left to CodiceFiscale.
class CalcoloRapido
{
public:
    CalcoloRapido();

    // The three letters of a surname (or, `delNome`, of a name) in `tre`, as parteCognome and parteNome give
    // them; false when a byte's letter cannot be told by itself.
    bool treLettere(QByteArrayView testo, bool delNome, char *tre) const;
    // Upper case in place, as Cp1252::maiuscole; false when a byte has no capital in the code page.
    bool maiuscole(char *testo, qsizetype lunghezza) const;

    // The 16 characters of the code in `codice`, as CodiceFiscale computes them for a person born on
    // giorno/mese/anno (a year from 100) in the place of cadastral code `catastale`. False when a letter
    // cannot be told by itself, or `catastale` is not a letter and three digits.
    bool codice(QByteArrayView cognome, QByteArrayView nome, bool femmina, int giorno, int mese, int anno,
                QByteArrayView catastale, char *codice) const;

private:
    // For every byte: the letter compattastringa makes of it ('A'-'Z'), 0 when that is no letter (the
    // letters of the code leave it out), kIncerta otherwise; and its capital (0 when it has none).
    static constexpr unsigned char kIncerta = 1;
    std::array<unsigned char, 256> m_lettera{};
    std::array<unsigned char, 256> m_maiuscola{};
};

} // namespace Fiscale
