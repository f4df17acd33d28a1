#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

#include "tabellacsv.h"

// Tables of made-up people and VAT numbers for measuring sportello-cli and for its tests.
namespace Generatore {

struct Opzioni {
    qint64 righe = 1000000;
    char separatore = ';';
    Csv::Codifica codifica = Csv::Codifica::Utf8;
    quint32 seme = 12345;
};

using Scrivi = std::function<void(const QByteArray &)>;

// cognome;nome;sesso;data_nascita;comune;provincia with varied names (some accented, with apostrophes or
// spaces; upper, lower and mixed case), the municipalities of codes.dat in turn, both sexes, dates from
// 1900 to 2025 written d/m/yyyy, on a day the municipality existed under its name and province when codes.cf
// beside codes.dat tells it. `scrivi` receives the bytes in pieces. False when codes.dat cannot be read.
bool persone(const QString &codesDat, const Opzioni &opzioni, const Scrivi &scrivi);

// partita_iva: numbers with varied office codes, one in twenty with a wrong check digit.
void partiteIva(const Opzioni &opzioni, const Scrivi &scrivi);

} // namespace Generatore
