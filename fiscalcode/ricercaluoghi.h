#pragma once

#include <vector>

#include <QDate>
#include <QString>

#include "luoghi.h"
#include "tabellacodici.h"

namespace Fiscale {

// The search that follows trovacod when it finds nothing: the names of the table (today's, former and
// foreign ones) and the other names of luoghi.dat, as people write them (Luoghi::Indice), then a postal code
// and the forms clerks write (Luoghi::Indice::cercaComeScritto). luoghi.dat is read and the index built the
// first time it is needed, over the table given then.
class RicercaLuoghi
{
public:
    explicit RicercaLuoghi(QString fileLuoghi = QString())
        : m_file(std::move(fileLuoghi))
    {}

    // The keys of the table (name and province, as trovacod takes them) that `comune` names, in the
    // province `provincia` when it is not empty: one per cadastral code for a birth on `nascita`, the
    // name that code shows when it has several (AGLIÈ rather than AGLIE'); in order of name. Several are
    // a choice to offer, never to take one of.
    std::vector<Luoghi::Luogo> cerca(const TabellaCodici &tabella, const QString &comune, const QString &provincia,
                                     const QDate &nascita) const;
    // When cerca finds nothing: the keys whose names are one or two letters off `comune` (Milamo: MILANO),
    // as cerca gives them. To offer ("Forse cercavi"), even one alone, never to take.
    std::vector<Luoghi::Luogo> proposte(const TabellaCodici &tabella, const QString &comune, const QString &provincia,
                                        const QDate &nascita) const;

private:
    void prepara(const TabellaCodici &tabella) const;
    std::vector<Luoghi::Luogo> perCodice(const TabellaCodici &tabella, const std::vector<Luoghi::Luogo> &luoghi,
                                         const QDate &nascita) const;

    QString m_file;
    mutable bool m_pronto = false;
    mutable Luoghi::Indice m_indice{20};
    mutable Luoghi::Dati m_dati; // for the postal codes
};

} // namespace Fiscale
