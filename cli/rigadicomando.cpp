#include "rigadicomando.h"

#include <algorithm>
#include <memory>

#include <QCommandLineParser>
#include <QElapsedTimer>

#include "comandi.h"
#include "messaggi.h"
#include "tabella.h"

namespace {

using namespace Cli;
using namespace Tabelle;

const QString kProgramma = QStringLiteral("sportello-cli");

// The progress line on a terminal, the engine's warnings as messages, and Ctrl-C.
class OsservatoreCli final : public Tabelle::Osservatore
{
public:
    OsservatoreCli(QTextStream &errori, bool terminale, const std::atomic<bool> *interrotto)
        : m_errori(errori)
        , m_terminale(terminale)
        , m_interrotto(interrotto)
    {
        m_orologio.start();
    }
    ~OsservatoreCli() override { pulisci(); }
    OsservatoreCli(const OsservatoreCli &) = delete;
    OsservatoreCli &operator=(const OsservatoreCli &) = delete;

    // From the first second on, twice a second.
    void progresso(qint64 righe, double frazione) override
    {
        const qint64 ms = m_orologio.elapsed();
        if (!m_terminale || frazione >= 1 || ms < 1000 || ms - m_ultimo < 500)
            return;
        m_ultimo = ms;
        m_errori << '\r' << rigaAvanzamento(righe, static_cast<double>(ms) / 1000.0, frazione).leftJustified(60);
        m_errori.flush();
    }
    void avviso(const Avviso &avviso) override
    {
        pulisci();
        m_errori << kProgramma << ": " << testoAvviso(avviso) << '\n';
    }
    bool annullato() const override { return m_interrotto && m_interrotto->load(std::memory_order_relaxed); }

    // The progress line goes before anything else is written.
    void pulisci()
    {
        if (m_ultimo == 0)
            return;
        m_errori << '\r' << QString(60, u' ') << '\r';
        m_errori.flush();
        m_ultimo = 0;
    }

private:
    QTextStream &m_errori;
    bool m_terminale;
    const std::atomic<bool> *m_interrotto;
    QElapsedTimer m_orologio;
    qint64 m_ultimo = 0;
};

QString aiutoGenerale()
{
    QString testo = QStringLiteral("Uso: %1 COMANDO [opzioni] [valori]\n\n"
                                   "Gli strumenti di Sportello dalla riga di comando, su un valore o su una "
                                   "tabella CSV, .xlsx o .ods (--file FILE, o --csv FILE).\n\nComandi:\n")
                        .arg(kProgramma);
    for (const VoceComando &d : elencoComandi())
        testo += QStringLiteral("  %1%2\n")
                     .arg(QString::fromLatin1(d.nome).leftJustified(13), QString::fromUtf8(d.descrizione));
    testo += QStringLiteral("\n%1 COMANDO --help mostra le opzioni di un comando; --version la versione.\n"
                            "Stato di uscita: 0 tutto bene, 1 qualche valore o riga con esito, 2 errore d'uso o "
                            "file illeggibile.\n")
                 .arg(kProgramma);
    return testo;
}

// The header given by --intestazione lies among the first rows; the rows above it are held in memory.
constexpr qint64 kMassimaIntestazione = 1000;

// The options of the commands.
struct Opzioni {
    QCommandLineOption aiuto{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Mostra questo aiuto.")};
    QCommandLineOption file{{QStringLiteral("f"), QStringLiteral("file"), QStringLiteral("csv")},
                            QStringLiteral("Elabora la tabella FILE: CSV, .xlsx o .ods, riconosciuto dal contenuto (- "
                                           "per lo standard input)."),
                            QStringLiteral("FILE")};
    QCommandLineOption foglio{QStringLiteral("foglio"),
                              QStringLiteral("Il foglio di un file .xlsx o .ods, per nome o numero (1 il primo); se "
                                             "manca, il primo visibile."),
                              QStringLiteral("NOME|N")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("Scrive la tabella in FILE (al termine, sotto un nome temporaneo fino ad "
                                             "allora) invece che sullo standard output (- per lo standard output); un "
                                             "FILE .xlsx è un foglio di calcolo, con i tipi delle celle, le righe con "
                                             "esito in rosso e il foglio Riepilogo."),
                              QStringLiteral("FILE")};
    QCommandLineOption separatore{QStringLiteral("separatore"),
                                  QStringLiteral("Il separatore dei campi: ; , o tab (se manca, dalla riga "
                                                 "d'intestazione)."),
                                  QStringLiteral("SEP")};
    QCommandLineOption codifica{QStringLiteral("codifica"),
                                QStringLiteral("utf-8 (utf8) o windows-1252 (cp1252, latin1, iso-8859-1); se manca, "
                                               "decisa da tutto il file."),
                                QStringLiteral("CODIFICA")};
    QCommandLineOption data{QStringLiteral("data"),
                            QStringLiteral("L'ordine delle date: gg/mm (giorno prima) o mm/gg (mese prima); se manca, "
                                           "deciso per colonna da tutte le sue date."),
                            QStringLiteral("ORDINE")};
    QCommandLineOption rigaMassima{
        QStringLiteral("riga-massima"),
        QStringLiteral("La riga più lunga letta, in MiB (predefinita 4): una più lunga ha un "
                       "esito."),
        QStringLiteral("MIB")};
    QCommandLineOption intestazione{QStringLiteral("intestazione"),
                                    QStringLiteral("La riga d'intestazione è la riga N (1 la prima); se manca, la "
                                                   "prima delle prime 20 che nomina le colonne del comando."),
                                    QStringLiteral("N")};
    QCommandLineOption colonna{QStringLiteral("colonna"),
                               QStringLiteral("La colonna NOME del comando ha l'intestazione INTESTAZIONE "
                                              "(ripetibile)."),
                               QStringLiteral("NOME=INTESTAZIONE")};
    QCommandLineOption daEuro{QStringLiteral("da-euro"),
                              QStringLiteral("IMPORTO è in euro (5,16: 5 euro e 16 centesimi) e si converte nella "
                                             "VALUTA.")};
};

// One run of sportello-cli for one command.
class Invocazione
{
public:
    Invocazione(const VoceComando &voce, QTextStream &uscita, QTextStream &errori)
        : m_voce(voce)
        , m_nome(QString::fromLatin1(voce.nome))
        , m_uscita(uscita)
        , m_errori(errori)
    {}

    int esegui(const QStringList &argomenti, bool terminale, const std::atomic<bool> *interrotto);

private:
    bool tabellare() const { return m_voce.crea != nullptr; }
    void prepara();
    QString aiuto() const;
    QString intestazioni() const;
    int euroOPrefisso(const QStringList &valori);
    int leggiOpzioni(OpzioniTabella &opzioni);
    int suTabella(Comando &comando, const OpzioniTabella &opzioni, bool terminale, const std::atomic<bool> *interrotto);
    int suValori(const Comando &comando, const QStringList &valori);
    int erroreUso(const QString &testo)
    {
        m_errori << kProgramma << ' ' << m_nome << ": " << testo << '\n';
        return kErroreUso;
    }

    const VoceComando &m_voce;
    QString m_nome;
    QTextStream &m_uscita, &m_errori;
    Opzioni m_opzioni;
    QCommandLineParser m_parser;
};

void Invocazione::prepara()
{
    m_parser.setApplicationDescription(QString::fromUtf8(m_voce.descrizione));
    m_parser.addOption(m_opzioni.aiuto);
    if (tabellare())
        m_parser.addOptions({m_opzioni.file, m_opzioni.foglio, m_opzioni.output, m_opzioni.separatore,
                             m_opzioni.codifica, m_opzioni.intestazione, m_opzioni.colonna, m_opzioni.rigaMassima});
    if (m_voce.date)
        m_parser.addOption(m_opzioni.data);
    if (m_nome == u"euro")
        m_parser.addOption(m_opzioni.daEuro);
    const QString sintassi = QString::fromLatin1(m_voce.sintassi);
    m_parser.addPositionalArgument(
        QStringLiteral("valori"),
        sintassi + (tabellare() ? QStringLiteral(", in alternativa a --file FILE.") : QStringLiteral(".")), sintassi);
}

// The help of a command: usage lines that run as written, with the command's name, then what the parser lists
// (its own first line, with the program's path and no command, goes).
QString Invocazione::aiuto() const
{
    QString testo = QStringLiteral("Uso: %1 %2 %3\n").arg(kProgramma, m_nome, QString::fromLatin1(m_voce.sintassi));
    if (tabellare())
        testo += QStringLiteral("     %1 %2 --file FILE [opzioni]\n").arg(kProgramma, m_nome);
    const QString elenco = m_parser.helpText();
    const qsizetype primaRiga = elenco.indexOf(u'\n');
    return testo + (primaRiga < 0 ? QString() : elenco.mid(primaRiga + 1)) + intestazioni() +
           QStringLiteral("\nIl manuale: man sportello-cli, pagina sportello-cli(1).\n");
}

// The headers by which a table's columns are found, each column on its lines; empty for a command that takes
// no table, or when its data cannot be loaded.
QString Invocazione::intestazioni() const
{
    DatiComandi dati;
    const std::unique_ptr<Comando> comando = tabellare() ? creaComando(m_nome, dati, nullptr) : nullptr;
    if (!comando)
        return QString();
    QString testo = QStringLiteral("\nIntestazioni riconosciute (maiuscole, accenti, spazi e punteggiatura non\n"
                                   "contano; --colonna per le altre):\n");
    for (const Colonna &c : comando->ingresso()) {
        QString riga =
            QStringLiteral("  ") + c.nome + (c.obbligatoria ? QStringLiteral(":") : QStringLiteral(" (facoltativa):"));
        for (const QString &nome : nomiRiconosciuti(c.nome)) {
            if (riga.size() + nome.size() + 2 > 79) {
                testo += riga + u'\n';
                riga = QStringLiteral("   ");
            }
            riga += u' ' + nome + u',';
        }
        riga.chop(1);
        testo += riga + u'\n';
    }
    return testo;
}

int Invocazione::esegui(const QStringList &argomenti, bool terminale, const std::atomic<bool> *interrotto)
{
    prepara();
    if (!m_parser.parse(QStringList{kProgramma + u' ' + m_nome} + argomenti)) {
        m_errori << kProgramma << ' ' << m_nome << ": " << m_parser.errorText() << '\n';
        return kErroreUso;
    }
    if (m_parser.isSet(m_opzioni.aiuto)) {
        m_uscita << aiuto();
        return kTuttoBene;
    }
    const QStringList valori = m_parser.positionalArguments();
    if (!tabellare())
        return euroOPrefisso(valori);
    const bool suFile = m_parser.isSet(m_opzioni.file);
    if (suFile == !valori.isEmpty())
        return erroreUso(suFile ? QStringLiteral("con --file (--csv) non si danno valori")
                                : QStringLiteral("mancano i valori (o --file FILE); --help per l'uso"));
    OpzioniTabella opzioni;
    if (const int stato = leggiOpzioni(opzioni); stato != kTuttoBene)
        return stato;
    DatiComandi dati;
    QString erroreDati;
    const std::unique_ptr<Comando> comando = creaComando(m_nome, dati, &erroreDati);
    if (!comando) {
        m_errori << kProgramma << ": " << erroreDati << '\n';
        return kErroreUso;
    }
    if (suFile)
        return suTabella(*comando, opzioni, terminale, interrotto);
    const std::vector<Colonna> colonne = comando->ingresso();
    for (size_t c = 0; c < colonne.size() && opzioni.ordineData; ++c) {
        if (colonne[c].data)
            comando->ordineDate(c, *opzioni.ordineData);
    }
    return suValori(*comando, valori);
}

int Invocazione::euroOPrefisso(const QStringList &valori)
{
    if (m_nome == u"euro") {
        if (valori.size() != 2)
            return erroreUso(QStringLiteral("servono IMPORTO e VALUTA, per esempio: euro 10000 lira"));
        const Risposta r = euro(valori[0], valori[1], m_parser.isSet(m_opzioni.daEuro));
        if (!r.errore.isEmpty())
            return erroreUso(r.errore);
        m_uscita << r.testo << '\n';
        return kTuttoBene;
    }
    if (valori.isEmpty())
        return erroreUso(QStringLiteral("manca il PAESE, per esempio: prefisso Francia"));
    const Risposta r = prefisso(valori.join(u' '));
    if (!r.errore.isEmpty()) {
        m_errori << r.errore << '\n';
        return kConEsito;
    }
    m_uscita << r.testo << '\n';
    return kTuttoBene;
}

int Invocazione::leggiOpzioni(OpzioniTabella &opzioni)
{
    const QCommandLineParser &p = m_parser;
    const Opzioni &o = m_opzioni;
    if (m_voce.date && p.isSet(o.data)) {
        const QString ordine = p.value(o.data).toLower().remove(u' ');
        if (ordine == u"gg/mm" || ordine == u"gg/mm/aaaa" || ordine == u"giorno" || ordine == u"dmy" ||
            ordine == u"dd/mm")
            opzioni.ordineData = Fiscale::OrdineData::GiornoMese;
        else if (ordine == u"mm/gg" || ordine == u"mm/gg/aaaa" || ordine == u"mese" || ordine == u"mdy" ||
                 ordine == u"mm/dd")
            opzioni.ordineData = Fiscale::OrdineData::MeseGiorno;
        else
            return erroreUso(QStringLiteral("--data «%1» non valido: gg/mm o mm/gg").arg(p.value(o.data)));
    }
    if (!p.isSet(o.file)) {
        if (p.isSet(o.output) || p.isSet(o.separatore) || p.isSet(o.codifica) || p.isSet(o.colonna) ||
            p.isSet(o.rigaMassima) || p.isSet(o.foglio) || p.isSet(o.intestazione))
            return erroreUso(QStringLiteral("--output, --foglio, --separatore, --codifica, --intestazione, --colonna e "
                                            "--riga-massima valgono solo con --file (--csv)"));
        return kTuttoBene;
    }
    opzioni.ingresso = p.value(o.file);
    opzioni.foglio = p.value(o.foglio);
    opzioni.uscita = p.value(o.output);
    if (p.isSet(o.separatore)) {
        const QString s = p.value(o.separatore);
        if (s == u";" || s == u"," || s == u"\t")
            opzioni.separatore = static_cast<char>(s[0].unicode());
        else if (s == u"tab")
            opzioni.separatore = '\t';
        else
            return erroreUso(QStringLiteral("separatore «%1» non valido: ; , o tab").arg(s));
    }
    if (p.isSet(o.codifica)) {
        const std::optional<Csv::Codifica> c = Csv::codificaDaNome(p.value(o.codifica));
        if (!c)
            return erroreUso(QStringLiteral("codifica «%1» non valida: utf-8 o windows-1252 (anche utf8, cp1252, "
                                            "latin1, iso-8859-1)")
                                 .arg(p.value(o.codifica)));
        opzioni.codifica = *c;
    }
    if (p.isSet(o.rigaMassima)) {
        bool ok = false;
        const int mib = p.value(o.rigaMassima).toInt(&ok);
        if (!ok || mib < 1 || mib > 1024)
            return erroreUso(QStringLiteral("--riga-massima «%1» non valida: un numero di MiB da 1 a 1024")
                                 .arg(p.value(o.rigaMassima)));
        opzioni.massimoRiga = qsizetype(mib) << 20;
    }
    if (p.isSet(o.intestazione)) {
        bool ok = false;
        opzioni.intestazione = p.value(o.intestazione).toLongLong(&ok);
        if (!ok || opzioni.intestazione < 1 || opzioni.intestazione > kMassimaIntestazione)
            return erroreUso(QStringLiteral("--intestazione «%1» non valida: il numero di una riga da 1 a %2")
                                 .arg(p.value(o.intestazione))
                                 .arg(kMassimaIntestazione));
    }
    for (const QString &m : p.values(o.colonna)) {
        const qsizetype uguale = m.indexOf(u'=');
        if (uguale <= 0 || uguale == m.size() - 1)
            return erroreUso(QStringLiteral("--colonna «%1»: serve NOME=INTESTAZIONE").arg(m));
        opzioni.colonne.append({m.left(uguale), m.mid(uguale + 1)});
    }
    return kTuttoBene;
}

int Invocazione::suTabella(Comando &comando, const OpzioniTabella &opzioni, bool terminale,
                           const std::atomic<bool> *interrotto)
{
    OsservatoreCli osservatore(m_errori, terminale, interrotto);
    const Conclusione fine = eseguiTabella(comando, opzioni, osservatore);
    osservatore.pulisci();
    switch (fine.stato) {
    case Stato::Fatto: return kTuttoBene;
    case Stato::ConEsiti: return kConEsito;
    case Stato::Annullato: m_errori << kProgramma << ": interrotto, nessun file scritto\n"; return kInterrotto;
    case Stato::Errore: break;
    }
    m_errori << kProgramma << ": " << testoProblema(fine.problema) << '\n';
    return kErroreUso;
}

// Values on the command line: a command whose columns are all needed takes them as one row (calcola), the
// others take each value alone.
int Invocazione::suValori(const Comando &comando, const QStringList &valori)
{
    const std::vector<Colonna> colonne = comando.ingresso();
    const bool unaRiga = colonne.size() > 1 &&
                         std::all_of(colonne.begin(), colonne.end(), [](const Colonna &c) { return c.obbligatoria; });
    const QStringList nomi = comando.uscita();
    const int esito = comando.colonnaEsito();
    if (unaRiga) {
        if (static_cast<size_t>(valori.size()) != colonne.size())
            return erroreUso(QStringLiteral("servono %1").arg(QString::fromLatin1(m_voce.sintassi)));
        QStringList v;
        for (const QString &t : valori)
            v.append(taglia(t));
        const QStringList r = comando.elaboraTesti(v);
        if (!r[esito].isEmpty()) {
            m_errori << r[esito] << '\n';
            return kConEsito;
        }
        m_uscita << r[0] << '\n';
        return kTuttoBene;
    }
    int stato = kTuttoBene;
    for (const QString &valore : valori) {
        const QStringList v{taglia(valore)};
        const QStringList r = comando.elaboraTesti(v);
        if (!r[esito].isEmpty())
            stato = kConEsito;
        // The command's own sentence for one value, where it has one; else one line per new column.
        const QString responso = comando.responso(v);
        if (!responso.isEmpty()) {
            m_uscita << (valori.size() > 1 ? valore + QStringLiteral(": ") : QString()) << responso << '\n';
            continue;
        }
        if (valori.size() > 1)
            m_uscita << valore << ":\n";
        if (!r[esito].isEmpty()) {
            m_uscita << "esito: " << r[esito] << '\n';
            continue;
        }
        for (int i = 0; i < nomi.size(); ++i) {
            if (i != esito)
                m_uscita << nomi[i] << ": " << r.value(i) << '\n';
        }
    }
    return stato;
}

} // namespace

namespace Cli {

int esegui(const QStringList &argomenti, QTextStream &uscita, QTextStream &errori, bool terminale,
           const std::atomic<bool> *interrotto)
{
    QCommandLineParser generale;
    generale.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption aiuto({QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Mostra questo aiuto."));
    const QCommandLineOption versione({QStringLiteral("v"), QStringLiteral("version")},
                                      QStringLiteral("Mostra la versione."));
    generale.addOption(aiuto);
    generale.addOption(versione);
    generale.addPositionalArgument(QStringLiteral("comando"), QStringLiteral("Il comando."));
    if (!generale.parse(argomenti)) {
        errori << kProgramma << ": " << generale.errorText() << '\n' << aiutoGenerale();
        return kErroreUso;
    }
    const QStringList posizionali = generale.positionalArguments();
    if (generale.isSet(versione)) {
        uscita << kProgramma << ' ' << SPORTELLO_VERSIONE << '\n';
        return kTuttoBene;
    }
    if (posizionali.isEmpty()) {
        (generale.isSet(aiuto) ? uscita : errori) << aiutoGenerale();
        return generale.isSet(aiuto) ? kTuttoBene : kErroreUso;
    }
    const VoceComando *voce = voceComando(posizionali.first());
    if (!voce) {
        errori << kProgramma << ": comando sconosciuto «" << posizionali.first() << "»\n\n" << aiutoGenerale();
        return kErroreUso;
    }
    return Invocazione(*voce, uscita, errori).esegui(posizionali.mid(1), terminale, interrotto);
}

} // namespace Cli
