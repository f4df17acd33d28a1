#include "luogonascita.h"

#include <algorithm>
#include <tuple>

#include <QHash>

#include "cp1252.h"
#include "ricercaluoghi.h"

namespace Fiscale {

namespace {

using Esito = LuogoNascita::Esito;

QString testo(QByteArrayView byte)
{
    return Cp1252::decodifica(byte.toByteArray());
}

QString data(int giorno)
{
    return dataDi(giorno).toString(QStringLiteral("dd/MM/yyyy"));
}

bool estero(const TabellaCodici &tabella, int voce)
{
    return tabella.provincia(voce) == "EE";
}

Luoghi::Luogo luogo(const TabellaCodici &tabella, int voce)
{
    return {testo(tabella.nomeIntero(voce)), testo(tabella.provincia(voce)), voce};
}

LuogoNascita trovato(const TabellaCodici &tabella, int voce)
{
    LuogoNascita r;
    r.esito = Esito::Trovato;
    r.codice = testo(tabella.codice(voce));
    r.nome = testo(tabella.nomeIntero(voce));
    r.sigla = testo(tabella.provincia(voce));
    return r;
}

// Of two entries of one code, the one to name: the one with the province the place has last (today's), then
// one with a province of the name's own time.
bool preferita(const TabellaCodici &tabella, int a, int b)
{
    const int ultima = tabella.ultimaDelCodice(tabella.codice(a));
    if (ultima >= 0 && (tabella.provincia(a) == tabella.provincia(ultima)) != (tabella.provincia(b) == tabella.provincia(ultima)))
        return tabella.provincia(a) == tabella.provincia(ultima);
    return (tabella.periodo(a).segni & Periodo::DelTempo) && !(tabella.periodo(b).segni & Periodo::DelTempo);
}

// The places of these entries that existed on the day, one entry for each code, in order of name.
std::vector<int> esistentiIl(const TabellaCodici &tabella, QByteArrayView nome, const std::vector<int> &voci,
                             int giorno)
{
    QHash<QByteArray, int> perCodice;
    QList<QByteArray> province;
    for (int v : voci) {
        const QByteArray p = tabella.provincia(v).toByteArray();
        if (province.contains(p))
            continue;
        province.append(p);
        const int trovata = tabella.cerca(nome, p, giorno);
        if (trovata < 0)
            continue;
        const QByteArray codice = tabella.codice(trovata).toByteArray();
        const auto it = perCodice.find(codice);
        if (it == perCodice.end())
            perCodice.insert(codice, trovata);
        else if (preferita(tabella, trovata, it.value()))
            it.value() = trovata;
    }
    std::vector<int> trovate(perCodice.begin(), perCodice.end());
    std::sort(trovate.begin(), trovate.end(), [&](int a, int b) {
        return std::make_tuple(tabella.nomeIntero(a), tabella.provincia(a), tabella.codice(a)) <
               std::make_tuple(tabella.nomeIntero(b), tabella.provincia(b), tabella.codice(b));
    });
    return trovate;
}

// The place that took over from the entry's municipality, as it was on the day: the successors followed
// while the one named had itself ceased before the day.
QString successoreIl(const TabellaCodici &tabella, int voce, int giorno)
{
    QByteArrayView codice = tabella.successore(voce);
    for (int passi = 0; !codice.isEmpty() && passi < 16; ++passi) {
        const int v = tabella.ultimaDelCodice(codice);
        if (v < 0)
            return QString();
        if (tabella.esisteIl(v, giorno))
            return estero(tabella, v) ? testo(tabella.nomeIntero(v))
                                      : testo(tabella.nomeIntero(v)) + QStringLiteral(" (") +
                                            testo(tabella.provincia(v)) + u')';
        codice = tabella.successore(v);
    }
    return QString();
}

// Why none of these entries (one name, no code existing on the day) answers: the end nearest before the
// day, else the start nearest after it.
LuogoNascita nonEsistente(const TabellaCodici &tabella, const std::vector<int> &voci, int giorno)
{
    int finita = -1, futura = -1;
    for (int v : voci) {
        const Periodo q = tabella.periodo(v);
        if (q.ultimo < giorno && (finita < 0 || q.ultimo >= tabella.periodo(finita).ultimo))
            finita = v;
        if (q.primo > giorno && (futura < 0 || q.primo < tabella.periodo(futura).primo))
            futura = v;
    }
    LuogoNascita r;
    r.esito = Esito::NonEsistente;
    const int v = finita >= 0 ? finita : futura;
    if (v < 0)
        return r;
    const bool stato = estero(tabella, v);
    const QString nome = stato ? testo(tabella.nomeIntero(v))
                               : testo(tabella.nomeIntero(v)) + QStringLiteral(" (") + testo(tabella.provincia(v)) + u')';
    const QString chi = stato ? QStringLiteral("Stato") : QStringLiteral("Comune");
    if (finita < 0) {
        r.messaggio = QStringLiteral("%1 non ancora esistente alla data di nascita: %2, %3")
                          .arg(chi, nome, inizioDelLuogo(tabella.periodo(v)));
        return r;
    }
    r.messaggio = QStringLiteral("%1 non più esistente alla data di nascita: %2, %3")
                      .arg(chi, nome, fineDelLuogo(tabella.periodo(v), stato));
    const QString dopo = successoreIl(tabella, v, giorno);
    if (!dopo.isEmpty())
        r.messaggio += (stato ? QStringLiteral(", poi ") : QStringLiteral(", confluito in ")) + dopo;
    return r;
}

LuogoNascita scelta(const TabellaCodici &tabella, Esito esito, const std::vector<int> &voci, const QString &domanda)
{
    LuogoNascita r;
    r.esito = esito;
    for (int v : voci)
        r.scelte.push_back(luogo(tabella, v));
    r.domanda = domanda + QStringLiteral(". Forse cercavi:");
    r.messaggio = r.domanda + u' ' + etichette(tabella, r.scelte).join(QStringLiteral(", "));
    return r;
}

// The lookup of the name as written, in the provinces `sigle` (any when empty).
LuogoNascita esatto(const TabellaCodici &tabella, const QByteArray &nome, const QStringList &sigle, int giorno,
                    const QString &comune, const QString &provincia)
{
    if (sigle.isEmpty()) {
        const std::vector<int> tutte = tabella.vociDelNome(nome);
        std::vector<int> esistenti = esistentiIl(tabella, nome, tutte, giorno);
        // Without a province the name must be the place's name on the day: a name a place bore before it was
        // renamed (FIUME, Fiume Veneto until 1911) is not taken for it later, when the name is more likely
        // another place's (Fiume, ceased in 1947).
        if (giorno > 0 && tabella.conGiorni())
            esistenti.erase(std::remove_if(esistenti.begin(), esistenti.end(),
                                           [&](int v) {
                                               const Periodo q = tabella.periodo(v);
                                               return giorno < q.primo || giorno > q.ultimo;
                                           }),
                            esistenti.end());
        if (esistenti.size() == 1)
            return trovato(tabella, esistenti.front());
        if (esistenti.size() > 1)
            return scelta(tabella, Esito::Ambiguo, esistenti, QStringLiteral("Comune ambiguo: indicare la provincia"));
        return tutte.empty() ? LuogoNascita() : nonEsistente(tabella, tutte, giorno);
    }
    std::vector<int> trovate;
    for (const QString &s : sigle) {
        const int v = tabella.cerca(nome, s.toLatin1(), giorno);
        if (v >= 0)
            trovate.push_back(v);
    }
    // The common case, a sigla and its place: as the byte path of the engine answers it.
    if (trovate.size() == 1)
        return trovato(tabella, trovate.front());
    const std::vector<int> esistenti = esistentiIl(tabella, nome, trovate, giorno);
    if (esistenti.size() == 1)
        return trovato(tabella, esistenti.front());
    if (esistenti.size() > 1)
        return scelta(tabella, Esito::Ambiguo, esistenti, QStringLiteral("Comune ambiguo"));
    std::vector<int> delleProvince;
    for (const QString &s : sigle) {
        const std::vector<int> voci = tabella.voci(nome, s.toLatin1());
        delleProvince.insert(delleProvince.end(), voci.begin(), voci.end());
    }
    if (!delleProvince.empty())
        return nonEsistente(tabella, delleProvince, giorno);
    const std::vector<int> tutte = tabella.vociDelNome(nome);
    const std::vector<int> altrove = esistentiIl(tabella, nome, tutte, giorno);
    if (!altrove.empty())
        return scelta(tabella, Esito::ProvinciaErrata, altrove,
                      QStringLiteral("Provincia errata per %1: %2")
                          .arg(Cp1252::maiuscole(comune.trimmed()), provincia.trimmed()));
    return tutte.empty() ? LuogoNascita() : nonEsistente(tabella, tutte, giorno);
}

// The places found in one of the provinces `sigle` names (any when it names one or none: the search was
// given that one).
std::vector<Luoghi::Luogo> nelleProvince(std::vector<Luoghi::Luogo> trovati, const QStringList &sigle)
{
    if (sigle.size() > 1)
        trovati.erase(std::remove_if(trovati.begin(), trovati.end(),
                                     [&](const Luoghi::Luogo &l) { return !sigle.contains(l.sigla); }),
                      trovati.end());
    return trovati;
}

} // namespace

QString fineDelLuogo(const Periodo &vita, bool estero)
{
    QString verbo = estero ? QStringLiteral("cessato") : QStringLiteral("soppresso");
    if (vita.segni & Periodo::Cessato)
        return verbo;
    if (vita.segni & Periodo::SoloAnno)
        return verbo + QStringLiteral(" nel ") + QString::number(vita.ultimo / 10000);
    return verbo + QStringLiteral(" il ") + data(vita.ultimo);
}

QString inizioDelLuogo(const Periodo &vita)
{
    return QStringLiteral("istituito il ") + data(vita.primo);
}

QStringList etichette(const TabellaCodici &tabella, const std::vector<Luoghi::Luogo> &scelte)
{
    QStringList semplici;
    for (const Luoghi::Luogo &l : scelte)
        semplici.append(l.nome + QStringLiteral(" (") + l.sigla + u')');
    QStringList testi = semplici;
    for (qsizetype i = 0; i < testi.size(); ++i) {
        const int voce = scelte[size_t(i)].dato;
        if (semplici.count(semplici[i]) > 1 && voce >= 0 && voce < tabella.numeroVoci())
            testi[i] += u' ' + testo(tabella.codice(voce));
    }
    return testi;
}

LuogoNascita risolviLuogo(const TabellaCodici &tabella, const QString &comune, const QString &provincia,
                          const QDate &nascita, const RicercaLuoghi *tollerante)
{
    const int giorno = giornoDi(nascita);
    // A character outside the code page becomes "?", which no name holds.
    const QByteArray nome = Cp1252::codifica(Cp1252::maiuscole(comune));
    QStringList sigle;
    if (!provincia.trimmed().isEmpty()) {
        sigle = tabella.province().sigle(provincia);
        // A state's name repeated in the province: no province.
        if (sigle.isEmpty() && Luoghi::forma(provincia) != Luoghi::forma(comune)) {
            LuogoNascita r;
            r.esito = Esito::ProvinciaIgnota;
            r.messaggio = QStringLiteral("Provincia non riconosciuta: «%1»").arg(provincia.trimmed());
            return r;
        }
    }
    LuogoNascita r = esatto(tabella, nome, sigle, giorno, comune, provincia);
    if (r.esito != Esito::NonTrovato || !tollerante) {
        if (r.esito == Esito::NonTrovato)
            r.messaggio = QStringLiteral("Comune non trovato");
        return r;
    }

    // As people or clerks write it: one place is the place, several are offered. Else the names one or two
    // letters off, offered even when there is one.
    const QString sigla = sigle.size() == 1 ? sigle[0] : QString();
    std::vector<Luoghi::Luogo> trovati = nelleProvince(tollerante->cerca(tabella, comune, sigla, nascita), sigle);
    const bool proposte = trovati.empty();
    if (proposte)
        trovati = nelleProvince(tollerante->proposte(tabella, comune, sigla, nascita), sigle);
    if (trovati.size() == 1 && !proposte) {
        LuogoNascita unico = esatto(tabella, Cp1252::codifica(trovati[0].nome), {trovati[0].sigla}, giorno,
                                    trovati[0].nome, trovati[0].sigla);
        if (unico.esito != Esito::NonTrovato)
            return unico;
    }
    if (trovati.size() > 1 || (proposte && !trovati.empty())) {
        r.esito = Esito::Scelta;
        r.scelte = trovati;
        r.domanda = QStringLiteral("Forse cercavi:");
        r.messaggio = QStringLiteral("Comune non trovato. Forse cercavi: ") +
                      etichette(tabella, trovati).join(QStringLiteral(", "));
        return r;
    }
    r.messaggio = QStringLiteral("Comune non trovato");
    return r;
}

} // namespace Fiscale
