#pragma once

#include <memory>
#include <vector>

#include <QHash>
#include <QString>

#include "elencocomuni.h"

namespace Fiscale {
class TabellaCodici;
}

namespace ElencoComuni {

// Which municipality of the directory a name and province mean, as documents write them: the name (or
// "CASTRO (LE)", as the list shows namesakes) with a province sigla of any time or a province's name;
// namesakes without a province are offered, not chosen; a former name (of a municipality renamed, or merged
// into one of today's) gives today's municipality, with what became of the name. The history comes from
// codes.cf, read the first time it is needed.
class RicercaComune
{
public:
    struct Risposta {
        enum class Esito {
            Trovato,         // posizione
            Scelta,          // namesakes: scelte, in list order
            ProvinciaErrata, // the name is in other provinces: scelte
            NonTrovato,      // for the search as people write it
        };
        Esito esito = Esito::NonTrovato;
        int posizione = -1;
        std::vector<int> scelte;
        QString avviso;    // a former name: "LENNO (CO): soppresso il 03/02/2014, ora TREMEZZINA (CO)"
        QString messaggio; // for Scelta and ProvinciaErrata: the message, with the places
        QString domanda;   // for Scelta and ProvinciaErrata: the question above the places to choose from
    };

    // `fileCodici`: codes.cf; empty for the one beside the program.
    explicit RicercaComune(const Elenco &elenco, QString fileCodici = QString());
    ~RicercaComune();
    RicercaComune(const RicercaComune &) = delete;
    RicercaComune &operator=(const RicercaComune &) = delete;

    Risposta cerca(const QString &nome, const QString &provincia = QString()) const;
    // "CASTRO (LE)": the province in brackets after the name, as the list and many tables write it, moved to
    // `provincia` when that is empty (and dropped from the name anyway).
    static void provinciaTraParentesi(QString &nome, QString &provincia);
    // The province of a list position as the directory holds it, or whole when codes.dat cut it at 18 characters.
    QString provincia(int posizione) const;
    // "CASTRO (BG)" for the positions, as the messages name them.
    QString elenco(const std::vector<int> &posizioni) const;
    // The province sigle a typed province stands for: a sigla of any time, or a province's name (the whole
    // names of codes.cf, those of the directory); empty for none.
    QStringList sigle(const QString &provincia) const;

private:
    const Fiscale::TabellaCodici *storia() const;
    std::vector<int> dallaStoria(const QString &nome, const QStringList &sigle, QString &avviso) const;
    int posizioneDi(const QString &nome, const QString &sigla) const;

    const Elenco &m_elenco;
    QString m_file;
    // Built at the first search: "SAMONE" -> its two positions; the form of a province's name -> its sigla.
    mutable QHash<QString, std::vector<int>> m_perNome;
    mutable QHash<QString, QString> m_siglaDelNome;
    mutable bool m_letta = false;
    mutable std::unique_ptr<Fiscale::TabellaCodici> m_storia;
};

} // namespace ElencoComuni
