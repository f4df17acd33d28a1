// A run of a command over a table, in its stages: open the source; read the header and find the columns;
// the first look at the whole table (encoding and order of dates); open the output; the rows; finish.
#include "tabella.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <optional>

#include "flussi.h"
#include "motivi.h"
#include "sorgente.h"
#include "sorgentefoglio.h"
#include "uscita.h"

namespace Tabelle {

void Osservatore::progresso(qint64, double)
{}

void Osservatore::avviso(const Avviso &)
{}

bool Osservatore::annullato() const
{
    return false;
}

namespace {

// How often the observer hears of the progress, in milliseconds.
constexpr qint64 kIntervalloProgresso = 100;

// A header cut for a message: its first names, each short and without control characters.
QStringList elencoIntestazione(const QStringList &intestazione)
{
    QStringList nomi;
    for (const QString &n : intestazione.mid(0, 12))
        nomi.append(Csv::estratto(n.toUtf8(), Csv::Codifica::Utf8, 30));
    if (intestazione.size() > 12)
        nomi.append(QStringLiteral("…"));
    return nomi;
}

// The values of a date column that fit only one order of day and month.
struct ConteggioDate {
    qint64 soloGiorno = 0, soloMese = 0;
    QString esempioGiorno, esempioMese;
};

class Esecuzione
{
public:
    Esecuzione(Comando &comando, const OpzioniTabella &opzioni, Osservatore &osservatore)
        : m_comando(comando)
        , m_opzioni(opzioni)
        , m_osservatore(osservatore)
        , m_nomeIngresso(opzioni.ingresso == u"-" ? QStringLiteral("standard input") : opzioni.ingresso)
    {}

    Conclusione esegui()
    {
        if (!apriSorgente() || !leggiIntestazione() || !trovaColonne())
            return fermata();
        esamina();
        if (m_osservatore.annullato() || !apriUscita())
            return fermata();
        return finisci(righe());
    }

private:
    bool apriIngresso();
    bool copiaIngresso();
    bool apriSorgente();
    bool primeRighe(std::vector<RigaTenuta> &lette, QList<QStringList> &nomi);
    bool leggiIntestazione();
    bool trovaColonne();
    void esamina();
    void decidiDate(const std::vector<size_t> &date, const std::vector<ConteggioDate> &conti);
    bool apriUscita();
    bool righe();
    bool rigaDiTotale() const;
    void rigaLunga(const Disposizione::Forma &forma);
    void elaboraRiga(const Disposizione::Forma &forma);
    void contaEsito();
    Conclusione finisci(bool finite);
    Resoconto resoconto() const;

    bool problema(Problema::Tipo tipo, const QString &motivo = QString())
    {
        m_problema.tipo = tipo;
        m_problema.file = m_nomeIngresso;
        m_problema.motivo = motivo;
        return false;
    }
    bool illeggibile(const QString &motivo) { return problema(Problema::Tipo::Lettura, minuscola(motivo)); }
    bool nonScrivibile(const QString &motivo)
    {
        problema(Problema::Tipo::Scrittura, motivo);
        m_problema.file = m_nomeUscita;
        return false;
    }
    // The end of a run stopped before its rows: cancelled, or a problem.
    Conclusione fermata() const
    {
        Conclusione c;
        c.stato =
            m_osservatore.annullato() || m_problema.tipo == Problema::Tipo::Nessuno ? Stato::Annullato : Stato::Errore;
        c.problema = m_problema;
        return c;
    }

    Comando &m_comando;
    const OpzioniTabella &m_opzioni;
    Osservatore &m_osservatore;
    QString m_nomeIngresso, m_nomeUscita;
    Problema m_problema;

    QFile m_file;
    QTemporaryFile m_copia;
    QFileDevice *m_ingresso = nullptr;
    std::unique_ptr<Sorgente> m_sorgente;
    Csv::Lettore *m_csv = nullptr; // the CSV reader; null for a sheet
    QString m_nomeFoglio;          // the name of the sheet read, which the .xlsx output's first sheet takes
    Riga m_riga;

    std::vector<RigaTenuta> m_sopra, m_dopo; // the rows read above the header, and below it
    std::optional<RigaTenuta> m_tenutaIntestazione;
    Csv::Codifica m_codifica = Csv::Codifica::Utf8;
    Csv::Codifica m_codificaIntestazione = Csv::Codifica::Utf8;
    QStringList m_intestazione;
    std::vector<QByteArray> m_campiIntestazione;
    QByteArray m_grezzaIntestazione;
    bool m_intestazioneCopiabile = false;
    Disposizione m_disposizione;
    std::vector<Colonna> m_colonne;
    std::vector<int> m_posti;

    std::unique_ptr<Uscita> m_uscita;
    Valori m_valori;
    Risultato m_risultato;
    int m_colonnaAvviso = -1; // the command's "avviso", where a note beside the table is told
    qint64 m_lette = 0, m_conDati = 0, m_conEsito = 0;
    struct TipoDiEsito {
        QByteArray chiave, mostrato; // the message with its numbers as "…"; as shown
        qint64 quante;
    };
    std::vector<TipoDiEsito> m_perEsito;
};

// ---- open the source

bool Esecuzione::apriIngresso()
{
    if (m_opzioni.ingresso == u"-") {
        if (!Flussi::apri(m_file, Flussi::Flusso::Ingresso, QIODevice::ReadOnly | QIODevice::Unbuffered))
            return illeggibile(motivo(m_file));
        m_ingresso = &m_file;
        // Where the standard input cannot be opened again by name, a sheet on it is read from a copy too.
        return (!m_file.isSequential() && !Flussi::percorsoIngresso().isEmpty()) || copiaIngresso();
    }
    if (QFileInfo(m_opzioni.ingresso).isDir())
        return illeggibile(QStringLiteral("è una cartella"));
    m_file.setFileName(m_opzioni.ingresso);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return illeggibile(motivo(m_file));
    m_ingresso = &m_file;
    return true;
}

// A pipe is kept in a temporary file: encoding and order of dates are decided on the whole table before the
// first row is written.
bool Esecuzione::copiaIngresso()
{
    if (!m_copia.open())
        return illeggibile(QStringLiteral("impossibile creare un file temporaneo (%1)").arg(m_copia.errorString()));
    auto nonTenuto = [this]() {
        return illeggibile(QStringLiteral("impossibile tenerlo in un file temporaneo: %1")
                               .arg(motivoScrittura(numeroErrore(m_copia, errno))));
    };
    QByteArray blocco(qsizetype(1) << 20, Qt::Uninitialized);
    for (;;) {
        if (m_osservatore.annullato())
            return false;
        const qint64 n = m_file.read(blocco.data(), blocco.size());
        if (n < 0)
            return illeggibile(m_file.errorString());
        if (n == 0)
            break;
        if (m_copia.write(blocco.constData(), n) != n)
            return nonTenuto();
    }
    if (!m_copia.flush() || !m_copia.seek(0))
        return nonTenuto();
    m_ingresso = &m_copia;
    return true;
}

// Files that are not tables are told by their first bytes; sheets go to the sheet reader, which tells an
// old .xls or a file protected by a password.
bool Esecuzione::apriSorgente()
{
    if (!apriIngresso())
        return false;
    const qint64 inizio = m_ingresso->pos();
    const QByteArray primi = m_ingresso->read(4096);
    m_ingresso->seek(inizio);
    if (SorgenteFoglio::foglio(primi)) {
        const QString percorso = m_ingresso == &m_copia       ? m_copia.fileName()
                                 : m_opzioni.ingresso == u"-" ? Flussi::percorsoIngresso()
                                                              : m_opzioni.ingresso;
        auto foglio = std::make_unique<SorgenteFoglio>();
        if (!foglio->apri(percorso, m_opzioni.foglio))
            return illeggibile(foglio->errore());
        m_nomeFoglio = foglio->nomeFoglio();
        m_sorgente = std::move(foglio);
        return true;
    }
    if (!m_opzioni.foglio.isEmpty())
        return problema(Problema::Tipo::FoglioSenzaFogli);
    const QString cosa = Csv::nonTabella(primi);
    if (!cosa.isEmpty())
        return problema(Problema::Tipo::NonTabella, cosa);
    auto csv =
        std::make_unique<SorgenteCsv>(*m_ingresso, m_opzioni.separatore, m_opzioni.codifica, m_opzioni.massimoRiga);
    csv->lettore().rinviaCodifica(); // decided in the same first look as the order of dates
    m_csv = &csv->lettore();
    m_sorgente = std::move(csv);
    return true;
}

// ---- the header and the columns

// The rows up to the header: up to the line the user gave, or while the first kRigheIntestazione lines are
// looked at for the one that names the command's columns (and on to the first row that is not empty).
bool Esecuzione::primeRighe(std::vector<RigaTenuta> &lette, QList<QStringList> &nomi)
{
    const qint64 forzata = m_opzioni.intestazione;
    bool piena = false;
    while (m_sorgente->leggi(m_riga)) {
        const Csv::Riga &r = m_riga.csv;
        lette.emplace_back(m_riga);
        if (forzata <= 0 && r.numero > kRigheIntestazione && piena) {
            nomi.append(QStringList()); // a row of the table, not a header
            break;
        }
        QStringList campi;
        const Csv::Codifica codifica = m_csv && Csv::rilevaCodifica(r.grezza) == Csv::Codifica::Windows1252
                                           ? Csv::Codifica::Windows1252
                                           : Csv::Codifica::Utf8;
        for (qsizetype i = 0; i < m_riga.campi() && !r.troppoLunga; ++i)
            campi.append(taglia(Csv::decodifica(m_riga.testo(i), codifica)));
        nomi.append(forzata > 0 && r.numero < forzata ? QStringList() : campi);
        piena = piena || !r.vuota;
        if (forzata > 0 && r.numero >= forzata && !r.vuota)
            return true;
    }
    return m_sorgente->errore().isEmpty() || illeggibile(m_sorgente->errore());
}

bool Esecuzione::leggiIntestazione()
{
    std::vector<RigaTenuta> lette;
    QList<QStringList> nomi;
    if (!primeRighe(lette, nomi))
        return false;
    qsizetype scelta = -1;
    if (m_opzioni.intestazione > 0) {
        if (lette.empty() || lette.back().csv().numero < m_opzioni.intestazione || lette.back().csv().vuota) {
            m_problema.riga = m_opzioni.intestazione;
            return problema(Problema::Tipo::IntestazioneAssente);
        }
        scelta = qsizetype(lette.size()) - 1;
    } else {
        scelta = sceltaIntestazione(nomi, m_comando, m_opzioni.colonne);
        for (qsizetype i = 0; scelta < 0 && i < qsizetype(lette.size()); ++i)
            scelta = lette[size_t(i)].csv().vuota ? -1 : i; // a header row too long has no names
    }
    if (scelta < 0)
        return problema(Problema::Tipo::Vuota);
    for (qsizetype i = 0; i < qsizetype(lette.size()); ++i) {
        if (i == scelta)
            m_tenutaIntestazione.emplace(std::move(lette[size_t(i)]));
        else
            (i < scelta ? m_sopra : m_dopo).push_back(std::move(lette[size_t(i)]));
    }
    m_tenutaIntestazione->in(m_riga);
    m_sorgente->intestazioneA(m_riga.csv.numero);
    if (m_riga.csv.troppoLunga) {
        problema(Problema::Tipo::IntestazioneLunga, Csv::estratto(m_riga.csv.grezza, Csv::Codifica::Utf8));
        m_problema.mib = qMax<qsizetype>(1, m_opzioni.massimoRiga >> 20);
        return false;
    }
    // The header in its own encoding until the table's is decided.
    m_codifica = m_opzioni.codifica;
    if (!m_csv)
        m_codifica = Csv::Codifica::Utf8;
    else if (m_codifica == Csv::Codifica::Automatica)
        m_codifica = Csv::rilevaCodifica(m_riga.csv.grezza) == Csv::Codifica::Windows1252 ? Csv::Codifica::Windows1252
                                                                                          : Csv::Codifica::Utf8;
    m_codificaIntestazione = m_codifica;
    for (qsizetype i = 0; i < m_riga.campi(); ++i) {
        m_campiIntestazione.push_back(m_riga.testo(i).toByteArray());
        m_intestazione.append(taglia(Csv::decodifica(m_campiIntestazione.back(), m_codifica)));
    }
    m_grezzaIntestazione = m_riga.csv.grezza.toByteArray();
    m_intestazioneCopiabile = m_csv && m_riga.csv.copiabile;
    m_disposizione.intestazione = m_riga.campi();
    return true;
}

bool Esecuzione::trovaColonne()
{
    m_disposizione.nuove = nuoveColonne(m_intestazione, m_comando.uscita(), m_comando.nome());
    const QStringList dove = intestazioneDiRicerca(m_intestazione, m_disposizione.nuove);
    m_colonne = m_comando.ingresso();
    for (const auto &[nome, _] : m_opzioni.colonne) {
        bool nota = false;
        for (const Colonna &c : m_colonne)
            nota = nota || normalizza(c.nome) == normalizza(nome);
        if (!nota) {
            m_problema.colonna = nome;
            return problema(Problema::Tipo::ColonnaSconosciuta);
        }
    }
    for (const Colonna &c : m_colonne) {
        std::optional<QString> scelta; // an empty heading: no column for it
        for (const auto &[nome, testa] : m_opzioni.colonne) {
            if (normalizza(nome) == normalizza(c.nome))
                scelta = testa;
        }
        const bool nessuna = scelta && scelta->isEmpty();
        const int posto = nessuna ? -1 : trovaColonna(dove, c.nome, scelta.value_or(QString()));
        if (posto < 0 && (c.obbligatoria || (scelta && !nessuna))) {
            m_problema.colonna = c.nome;
            m_problema.scelta = scelta.value_or(QString());
            m_problema.intestazione = elencoIntestazione(m_intestazione);
            m_problema.riconosciuti = nomiRiconosciuti(c.nome);
            return problema(scelta && !nessuna ? Problema::Tipo::ColonnaAssente : Problema::Tipo::ColonnaMancante);
        }
        m_posti.push_back(posto);
    }
    return true;
}

// ---- the first look: encoding and order of dates

void Esecuzione::esamina()
{
    std::vector<int> posizioni;
    std::vector<size_t> date;
    for (size_t c = 0; c < m_colonne.size(); ++c) {
        if (!m_colonne[c].data || m_posti[c] < 0)
            continue;
        if (m_opzioni.ordineData) {
            m_comando.ordineDate(c, *m_opzioni.ordineData);
        } else {
            posizioni.push_back(m_posti[c]);
            date.push_back(c);
        }
    }
    std::vector<ConteggioDate> conti(date.size());
    const bool codificaDaDecidere = m_csv && m_opzioni.codifica == Csv::Codifica::Automatica;
    if (codificaDaDecidere || !date.empty()) {
        m_sorgente->esamina(
            posizioni,
            [&](int k, QByteArrayView valore) {
                ConteggioDate &conto = conti[size_t(k)];
                valore = taglia(valore);
                const unsigned ordini = Fiscale::ordiniPossibili(valore);
                if (ordini == Fiscale::kGiornoPrima && conto.soloGiorno++ == 0)
                    conto.esempioGiorno = Csv::estratto(valore, Csv::Codifica::Utf8, 20);
                if (ordini == Fiscale::kMesePrima && conto.soloMese++ == 0)
                    conto.esempioMese = Csv::estratto(valore, Csv::Codifica::Utf8, 20);
            },
            [this]() { return m_osservatore.annullato(); });
        if (codificaDaDecidere)
            m_codifica = m_csv->codifica() == Csv::Codifica::Automatica ? Csv::Codifica::Utf8 : m_csv->codifica();
    }
    decidiDate(date, conti);
    // The rows read before the encoding was decided, in the table's.
    for (auto *tenute : {&m_sopra, &m_dopo}) {
        for (RigaTenuta &t : *tenute) {
            if (m_csv && m_opzioni.codifica == Csv::Codifica::Automatica)
                t.inCodifica(m_codifica);
        }
    }
    // A header in the other encoding than the table's is written in the table's.
    if (m_codificaIntestazione != m_codifica) {
        m_grezzaIntestazione = Csv::codifica(Csv::decodifica(m_grezzaIntestazione, m_codificaIntestazione), m_codifica);
        for (QByteArray &campo : m_campiIntestazione)
            campo = Csv::codifica(Csv::decodifica(campo, m_codificaIntestazione), m_codifica);
    }
}

// The order of day and month of each date column, from all its values: month first when some value fits
// only that order and none fits only day first; each date in the only order it fits when both kinds are
// there.
void Esecuzione::decidiDate(const std::vector<size_t> &date, const std::vector<ConteggioDate> &conti)
{
    for (size_t d = 0; d < date.size(); ++d) {
        const ConteggioDate &conto = conti[d];
        const size_t c = date[d];
        Avviso avviso;
        avviso.colonna = Csv::estratto(m_intestazione[m_posti[c]].toUtf8(), Csv::Codifica::Utf8, 30);
        avviso.esempioGiorno = conto.esempioGiorno;
        avviso.esempioMese = conto.esempioMese;
        if (conto.soloMese > 0 && conto.soloGiorno == 0) {
            m_comando.ordineDate(c, Fiscale::OrdineData::MeseGiorno);
            avviso.tipo = Avviso::Tipo::DateMesePrima;
            m_osservatore.avviso(avviso);
        } else if (conto.soloMese > 0) {
            m_comando.ordineDate(c, Fiscale::OrdineData::Contraddittorio);
            avviso.tipo = Avviso::Tipo::DateInEntrambiGliOrdini;
            m_osservatore.avviso(avviso);
        } else {
            m_comando.ordineDate(c, Fiscale::OrdineData::GiornoMese);
        }
    }
}

// ---- the output

bool Esecuzione::apriUscita()
{
    const bool suStandard = m_opzioni.uscita.isEmpty() || m_opzioni.uscita == u"-";
    m_nomeUscita = suStandard ? QStringLiteral("standard output") : m_opzioni.uscita;
    if (!suStandard) {
        const QString ostacolo = ostacoloScrittura(m_opzioni.uscita);
        if (!ostacolo.isEmpty())
            return nonScrivibile(ostacolo);
    }
    UscitaCsv *csvAperta = nullptr; // the CSV output, which takes the rows above the header after apri()
    if (!suStandard && m_opzioni.uscita.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        auto xlsx = std::make_unique<UscitaXlsx>(m_disposizione, m_codifica);
        for (const RigaTenuta &t : m_sopra) { // the rows above the header, in their places
            t.in(m_riga);
            xlsx->sopra(m_riga, m_disposizione.forma(m_riga));
        }
        if (!xlsx->apri(m_opzioni.uscita, m_intestazione, m_nomeFoglio))
            return nonScrivibile(xlsx->motivo());
        m_uscita = std::move(xlsx);
    } else {
        const UscitaCsv::Formato formato = m_csv ? UscitaCsv::Formato{m_csv->separatore(), m_csv->fineRiga(),
                                                                      m_csv->bom(), m_codifica, m_csv->rigaSeparatore()}
                                                 : UscitaCsv::comeExcel();
        auto csv = std::make_unique<UscitaCsv>(m_disposizione, formato);
        if (!csv->apri(suStandard ? QString() : m_opzioni.uscita))
            return nonScrivibile(csv->motivo());
        csvAperta = csv.get();
        m_uscita = std::move(csv);
    }
    m_valori.prepara(m_colonne.size(), m_codifica);
    m_valori.foglio = m_csv == nullptr;
    m_risultato.prepara(static_cast<int>(m_disposizione.nuove.nomi.size()), m_comando.colonnaEsito());
    m_colonnaAvviso = static_cast<int>(m_comando.uscita().indexOf(QStringLiteral("avviso")));
    if (UscitaCsv *csv = csvAperta) {
        // The rows above the header, in their places with empty results.
        for (const RigaTenuta &t : m_sopra) {
            t.in(m_riga);
            if (!(m_riga.csv.vuota ? csv->vuota() : csv->riga(m_riga, m_disposizione.forma(m_riga), m_risultato)))
                return nonScrivibile(csv->motivo());
        }
        csv->intestazione(m_campiIntestazione, m_intestazioneCopiabile ? &m_grezzaIntestazione : nullptr);
    }
    return true;
}

// ---- the rows

// Every row in order, each written as it is done; false when the run stops before the end (cancelled, or the
// output failed).
bool Esecuzione::righe()
{
    QElapsedTimer orologio;
    orologio.start();
    qint64 ultimo = 0;
    size_t tenute = 0; // the rows read below the header while it was looked for come first
    while (tenute < m_dopo.size() ? (m_dopo[tenute++].in(m_riga), true) : m_sorgente->leggi(m_riga)) {
        if ((++m_lette & 0xFF) == 0) {
            if (m_osservatore.annullato() || m_uscita->fallita())
                return false;
            if (orologio.elapsed() - ultimo >= kIntervalloProgresso) {
                ultimo = orologio.elapsed();
                m_osservatore.progresso(m_lette, m_sorgente->frazione());
            }
        }
        if (m_riga.csv.vuota) { // stays an empty line, in its place
            if (!m_uscita->vuota())
                return false;
            continue;
        }
        const Disposizione::Forma forma = m_disposizione.forma(m_riga);
        elaboraRiga(forma);
        if (!m_uscita->riga(m_riga, forma, m_risultato))
            return false;
    }
    return true;
}

// The command's columns for the row at hand. A row that could not be read has an esito that says so; a row
// without the command's values (a blank, title or total row) has empty results and no esito.
void Esecuzione::elaboraRiga(const Disposizione::Forma &forma)
{
    m_risultato.pulisci();
    const Csv::Riga &letta = m_riga.csv;
    if (letta.troppoLunga) {
        m_risultato.esito(QStringLiteral("Riga troppo lunga: supera %1 MiB (inizia con «%2»); non letta")
                              .arg(qMax<qsizetype>(1, m_opzioni.massimoRiga >> 20))
                              .arg(Csv::estratto(letta.grezza, m_codifica)));
    } else if (!letta.valida) {
        m_risultato.esito(QStringLiteral("Riga non valida: virgolette non chiuse"));
    } else if (letta.nullo) {
        m_risultato.esito(QStringLiteral("Riga non valida: contiene un byte nullo, non è testo"));
    } else {
        for (size_t k = 0; k < m_posti.size(); ++k) {
            const int p = m_posti[k];
            m_valori.testi[k] = p >= 0 ? taglia(m_riga.testo(p)) : QByteArrayView();
            if (m_colonne[k].data)
                m_valori.date[k] = p >= 0 ? m_riga.data(p) : QDate();
        }
        if (m_valori.vuoti())
            return;
        m_comando.elabora(m_valori, m_risultato);
        if (!m_risultato.esito().isEmpty() && rigaDiTotale()) {
            m_risultato.pulisci();
            return;
        }
        if (forma.lunga)
            rigaLunga(forma);
    }
    ++m_conDati;
    contaEsito();
}

// A row of totals: a cell that reads Totale (Totali, Total, TOT) and, of the command's values, no date nor
// sex, nor any other outside that cell when the command reads neither.
bool Esecuzione::rigaDiTotale() const
{
    qsizetype etichetta = -1;
    for (qsizetype i = 0; i < m_riga.campi() && etichetta < 0; ++i) {
        QByteArrayView t = taglia(m_riga.testo(i));
        while (t.endsWith(':') || t.endsWith('.'))
            t.chop(1);
        for (const char *nome : {"totale", "totali", "total", "tot"})
            etichetta = t.compare(nome, Qt::CaseInsensitive) == 0 ? i : etichetta;
    }
    if (etichetta < 0)
        return false;
    bool dateOSesso = false;
    for (const Colonna &c : m_colonne)
        dateOSesso = dateOSesso || c.data || c.nome == u"sesso";
    for (size_t k = 0; k < m_colonne.size(); ++k) {
        const bool chiave = m_colonne[k].data || m_colonne[k].nome == u"sesso";
        if (m_posti[k] != etichetta && (chiave || !dateOSesso) && !m_valori.testi[k].isEmpty())
            return false;
    }
    return true;
}

// A row with values past the header's width. A row the command found right has a note beside the table: it
// is kept after the new columns, and said in the command's "avviso" when it has one. A row with an esito
// may have had its values moved by a separator too many: the esito says where they went.
void Esecuzione::rigaLunga(const Disposizione::Forma &forma)
{
    const int esito = m_risultato.colonnaEsito();
    const QString detto = QString::fromUtf8(esito >= 0 ? m_risultato.esito() : QByteArrayView());
    if (esito >= 0 && !detto.isEmpty()) {
        m_risultato.esito(detto + QStringLiteral("; ") + esitoRigaLunga(forma.campi, m_disposizione.intestazione));
        return;
    }
    if (m_colonnaAvviso < 0)
        return;
    qsizetype nota = m_disposizione.intestazione;
    while (nota < forma.campi && m_riga.vuoto(nota))
        ++nota;
    const QString avviso = m_risultato.testo(m_colonnaAvviso);
    m_risultato.imposta(m_colonnaAvviso, (avviso.isEmpty() ? QString() : avviso + QStringLiteral("; ")) +
                                             QStringLiteral("Nota accanto alla tabella: «%1», tenuta dopo le nuove "
                                                            "colonne")
                                                 .arg(Csv::estratto(m_riga.testo(nota), m_codifica)));
}

// The kind of an esito: its message without the details of the row, up to the first ':', '(', '«', ';' or
// end of a sentence ("Comune non trovato"), after the "Errore: " that begins every message of partita-iva
// ("Errore: la partita iva deve essere di 11 cifre!").
void Esecuzione::contaEsito()
{
    const QByteArrayView esito = m_risultato.esito();
    if (esito.isEmpty())
        return;
    ++m_conEsito;
    const qsizetype inizio = esito.startsWith("Errore: ") || esito.startsWith("Errore! ") ? 8 : 0;
    qsizetype fine = esito.size();
    for (const char *fermo : {":", "(", "\xC2\xAB", ";", ". "}) {
        const qsizetype i = esito.indexOf(fermo, inizio);
        if (i > 0 && i < fine)
            fine = i;
    }
    // Kinds that differ only in their numbers ("il codice ufficio 158", "… 669") are one, shown with "…" in
    // place of the numbers once two of them differ. Few kinds, each seen many times: a list.
    const QByteArrayView testo = esito.first(fine).trimmed();
    QByteArray chiave(testo.size() * 3, Qt::Uninitialized);
    char *scritto = chiave.data();
    for (qsizetype i = 0; i < testo.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(testo[i])))
            *scritto++ = testo[i];
        else if (i == 0 || !std::isdigit(static_cast<unsigned char>(testo[i - 1])))
            scritto = std::copy_n("\xE2\x80\xA6", 3, scritto);
    }
    chiave.truncate(scritto - chiave.constData());
    for (TipoDiEsito &noto : m_perEsito) {
        if (noto.chiave == chiave) {
            ++noto.quante;
            if (noto.mostrato != testo)
                noto.mostrato = noto.chiave;
            return;
        }
    }
    m_perEsito.push_back({std::move(chiave), testo.toByteArray(), 1});
}

// ---- finish

Conclusione Esecuzione::finisci(bool finite)
{
    if (m_osservatore.annullato()) {
        m_uscita->annulla();
        return fermata();
    }
    if (finite && !m_sorgente->errore().isEmpty()) {
        m_uscita->annulla();
        illeggibile(m_sorgente->errore());
        return fermata();
    }
    const Resoconto fatto = resoconto();
    if (!finite || !m_uscita->chiudi(fatto)) {
        m_uscita->annulla();
        nonScrivibile(m_uscita->motivo());
        return fermata();
    }
    m_osservatore.progresso(m_lette, 1.0);
    Conclusione c;
    c.stato = m_conEsito > 0 ? Stato::ConEsiti : Stato::Fatto;
    c.resoconto = fatto;
    return c;
}

// The summary of a run, the kinds of esito most frequent first (then by name, for a stable order).
Resoconto Esecuzione::resoconto() const
{
    Resoconto r;
    r.righe = m_conDati;
    r.buone = m_conDati - m_conEsito;
    r.uscita = m_nomeUscita;
    for (const TipoDiEsito &tipo : m_perEsito)
        r.perEsito.append({QString::fromUtf8(tipo.mostrato), tipo.quante});
    std::sort(r.perEsito.begin(), r.perEsito.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return r;
}

} // namespace

Conclusione eseguiTabella(Comando &comando, const OpzioniTabella &opzioni, Osservatore &osservatore)
{
    return Esecuzione(comando, opzioni, osservatore).esegui();
}

} // namespace Tabelle
