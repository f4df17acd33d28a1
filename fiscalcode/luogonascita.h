#pragma once

#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>

#include "luoghi.h"
#include "tabellacodici.h"

namespace Fiscale {

class RicercaLuoghi;

// The place of birth as a person's documents write it, resolved for the day of birth: a municipality or a
// foreign state by its name, with the province of any time (its sigla or its name), "EE" or nothing where
// none is needed. Every front end that computes a fiscal code asks here, so that each gives the same code,
// the same places to choose from and the same messages.
struct LuogoNascita {
    enum class Esito {
        Trovato,         // codice: the code valid on the day; nome and sigla: the place as the table has it
        Scelta,          // several places fit the name as people write it: scelte
        Ambiguo,         // namesakes in several provinces and no province given: scelte
        NonEsistente,    // the place did not exist on that day (ceased, or not yet made)
        ProvinciaErrata, // the name is a place of other provinces: scelte are those
        ProvinciaIgnota, // the province is neither a sigla nor the name of a province
        NonTrovato,
    };
    Esito esito = Esito::NonTrovato;
    QString codice;
    QString nome, sigla;
    std::vector<Luoghi::Luogo> scelte; // each with its entry of the table in `dato`
    QString messaggio;                 // the system's message for every esito but Trovato
    QString domanda;                   // with scelte: the question above them ("Forse cercavi:")

    bool trovato() const { return esito == Esito::Trovato; }
};

// `comune` and `provincia` as typed; `tollerante`, when given, looks for a name not found as it is written
// (after the exact lookup, and before the answer "Comune non trovato").
LuogoNascita risolviLuogo(const TabellaCodici &tabella, const QString &comune, const QString &provincia,
                          const QDate &nascita, const RicercaLuoghi *tollerante = nullptr);

// The places to choose from as the messages and the choice lists name them: "CASTRO (BG)", "CASTRO (LE)";
// two that would read the same carry their code ("SAN MARTINO (TN) H988").
QStringList etichette(const TabellaCodici &tabella, const std::vector<Luoghi::Luogo> &scelte);

// "BELLAGIO (CO) (soppresso il 03/02/2014)" and the like: the end of a place, or its start, as the texts say it.
QString fineDelLuogo(const Periodo &vita, bool estero);
QString inizioDelLuogo(const Periodo &vita);

} // namespace Fiscale
