#include "ricercacomune.h"

#include <algorithm>

#include "cp1252.h"
#include "luoghi.h"
#include "luogonascita.h"
#include "percorsi.h"
#include "tabellacodici.h"

namespace ElencoComuni {

namespace {

constexpr qsizetype kLarghezzaProvincia = 18; // the province column of codes.dat

QString testo(QByteArrayView byte)
{
    return Cp1252::decodifica(byte.toByteArray());
}

// The entry of today's municipality that an entry's code became: the code itself while it lasts, else its
// successors followed; -1 when the archive does not tell or the place is abroad.
int oggi(const Fiscale::TabellaCodici &t, int voce)
{
    QByteArrayView codice = t.codice(voce);
    for (int passi = 0; !codice.isEmpty() && passi < 16; ++passi) {
        const int d = t.ultimaDelCodice(codice);
        if (d < 0 || t.provincia(d) == "EE")
            return -1;
        const Fiscale::Periodo p = t.periodo(d);
        if (p.ultimo == Fiscale::kSempre && !(p.segni & Fiscale::Periodo::Cessato))
            return d;
        codice = t.successore(d);
    }
    return -1;
}

QString giorno(const Fiscale::Periodo &p)
{
    if (p.segni & Fiscale::Periodo::SoloAnno)
        return QString::number(p.ultimo / 10000);
    return Fiscale::dataDi(p.ultimo).toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

RicercaComune::RicercaComune(const Elenco &elenco, QString fileCodici)
    : m_elenco(elenco)
    , m_file(std::move(fileCodici))
{}

RicercaComune::~RicercaComune() = default;

const Fiscale::TabellaCodici *RicercaComune::storia() const
{
    if (!m_letta) {
        m_letta = true;
        m_storia = std::make_unique<Fiscale::TabellaCodici>();
        const QString file = m_file.isEmpty() ? Percorsi::fileProgramma(QStringLiteral("codes.cf")) : m_file;
        if (m_storia->carica(file) != 0)
            m_storia.reset();
    }
    return m_storia.get();
}

QStringList RicercaComune::sigle(const QString &provincia) const
{
    const QString p = provincia.trimmed();
    if (p.isEmpty())
        return {};
    QStringList sigle;
    if (const Fiscale::TabellaCodici *t = storia())
        sigle = t->province().sigle(p);
    else
        sigle = Fiscale::Province().sigle(p);
    if (m_siglaDelNome.isEmpty()) {
        for (int i = 0; i < m_elenco.nomi.size(); ++i)
            m_siglaDelNome.insert(Luoghi::forma(m_elenco.elencoprovince[i].trimmed()), m_elenco.elencosigle[i]);
        m_siglaDelNome.remove(QString());
    }
    const QString perNome = m_siglaDelNome.value(Luoghi::forma(p));
    if (!perNome.isEmpty() && !sigle.contains(perNome))
        sigle.append(perNome);
    return sigle;
}

int RicercaComune::posizioneDi(const QString &nome, const QString &sigla) const
{
    for (int i : m_perNome.value(nome)) {
        if (m_elenco.elencosigle[i] == sigla)
            return i;
    }
    return -1;
}

// The municipalities of today that a name of the archive leads to, in the provinces `sigle` of any time
// (any when empty); for one, what became of that name.
std::vector<int> RicercaComune::dallaStoria(const QString &nome, const QStringList &sigle, QString &avviso) const
{
    std::vector<int> posizioni;
    const Fiscale::TabellaCodici *t = storia();
    if (!t)
        return posizioni;
    const QByteArray n = Cp1252::codifica(nome);
    std::vector<int> delNome = sigle.isEmpty() ? t->vociDelNome(n) : std::vector<int>();
    for (const QString &s : sigle) {
        const std::vector<int> altre = t->voci(n, s.toLatin1());
        delNome.insert(delNome.end(), altre.begin(), altre.end());
    }
    int nominata = -1, attuale = -1;
    for (int v : delNome) {
        const int d = oggi(*t, v);
        const int p = d < 0 ? -1 : posizioneDi(testo(t->nomeIntero(d)), testo(t->provincia(d)));
        if (p < 0)
            continue;
        if (std::find(posizioni.begin(), posizioni.end(), p) == posizioni.end())
            posizioni.push_back(p);
        // The name's latest use, in today's province when it had more than one.
        const int ultimo = t->periodo(v).ultimo, ultimoNominata = nominata < 0 ? 0 : t->periodo(nominata).ultimo;
        if (nominata < 0 || ultimo > ultimoNominata ||
            (ultimo == ultimoNominata && t->provincia(v) == t->provincia(d) && t->provincia(nominata) != t->provincia(d))) {
            nominata = v;
            attuale = d;
        }
    }
    std::sort(posizioni.begin(), posizioni.end());
    // Today's name written another way (PATERNO' for PATERNÒ) is no former name.
    if (posizioni.size() != 1 || Luoghi::forma(m_elenco.nomi[posizioni.front()]) == Luoghi::forma(nome))
        return posizioni;
    const QString ora = QStringLiteral("ora %1 (%2)").arg(testo(t->nomeIntero(attuale)), testo(t->provincia(attuale)));
    const Fiscale::Periodo p = t->periodo(nominata);
    QString fine;
    if (t->codice(nominata) != t->codice(attuale))
        fine = Fiscale::fineDelLuogo(p, false) + QStringLiteral(", ");
    else if (p.ultimo != Fiscale::kSempre)
        fine = QStringLiteral("nome fino al %1, ").arg(giorno(p));
    avviso = QStringLiteral("%1 (%2): %3%4").arg(testo(t->nomeIntero(nominata)), testo(t->provincia(nominata)), fine, ora);
    return posizioni;
}

QString RicercaComune::elenco(const std::vector<int> &posizioni) const
{
    QStringList parti;
    for (int i : posizioni)
        parti.append(m_elenco.nomi[i] + QStringLiteral(" (") + m_elenco.elencosigle[i] + u')');
    return parti.join(QStringLiteral(", "));
}

RicercaComune::Risposta RicercaComune::cerca(const QString &testoNome, const QString &provincia) const
{
    if (m_perNome.isEmpty()) {
        // A name and province twice (only a file made by hand has it) tell nothing apart: the first stands.
        for (int i = 0; i < m_elenco.nomi.size(); ++i) {
            if (posizioneDi(m_elenco.nomi[i], m_elenco.elencosigle[i]) < 0)
                m_perNome[m_elenco.nomi[i]].push_back(i);
        }
    }
    Risposta r;
    QString nome = togliSpazi(Cp1252::maiuscole(testoNome));
    QString p = provincia.trimmed();
    provinciaTraParentesi(nome, p);
    if (nome.isEmpty())
        return r;
    const QStringList s = sigle(p);
    const auto scelta = [&](Risposta::Esito esito, std::vector<int> posizioni, const QString &domanda) {
        r.esito = esito;
        r.scelte = std::move(posizioni);
        r.domanda = domanda + QStringLiteral(". Forse cercavi:");
        r.messaggio = r.domanda + u' ' + elenco(r.scelte);
        return r;
    };
    const std::vector<int> omonimi = m_perNome.value(nome);
    std::vector<int> scelti;
    for (int i : omonimi) {
        if (p.isEmpty() || s.contains(m_elenco.elencosigle[i]))
            scelti.push_back(i);
    }
    if (scelti.empty() && (p.isEmpty() || !s.isEmpty()))
        scelti = dallaStoria(nome, s, r.avviso);
    if (scelti.size() == 1) {
        r.esito = Risposta::Esito::Trovato;
        r.posizione = scelti.front();
        return r;
    }
    if (scelti.size() > 1)
        return scelta(Risposta::Esito::Scelta, scelti, QStringLiteral("Comune ambiguo: indicare la provincia"));
    if (!omonimi.empty())
        return scelta(Risposta::Esito::ProvinciaErrata, omonimi, QStringLiteral("Provincia errata per %1: %2").arg(nome, p));
    return r;
}

void RicercaComune::provinciaTraParentesi(QString &nome, QString &provincia)
{
    const qsizetype aperta = nome.lastIndexOf(u" (");
    if (aperta > 0 && nome.endsWith(u')')) {
        if (provincia.isEmpty())
            provincia = nome.mid(aperta + 2, nome.size() - aperta - 3).trimmed();
        nome = nome.left(aperta).trimmed();
    }
}

QString RicercaComune::provincia(int posizione) const
{
    const QString &colonna = m_elenco.elencoprovince[posizione];
    if (colonna.trimmed().size() < kLarghezzaProvincia)
        return colonna;
    const Fiscale::TabellaCodici *t = storia();
    const QString intero = t ? Cp1252::maiuscole(t->province().nome(m_elenco.elencosigle[posizione])) : QString();
    return intero.startsWith(colonna) ? intero : colonna;
}

} // namespace ElencoComuni
