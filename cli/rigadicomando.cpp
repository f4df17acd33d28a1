#include "rigadicomando.h"

#include <memory>

#include <QCommandLineParser>

#include "comandi.h"
#include "tabella.h"

namespace {

using namespace Cli;
using namespace Tabelle;

struct Descrizione {
    const char *nome;
    const char *sintassi;
    const char *testo;
};

constexpr Descrizione kComandi[] = {
    {"calcola", "COGNOME NOME SESSO DATA COMUNE PROVINCIA",
     "Calcola il codice fiscale. Colonne: cognome, nome, sesso (M/F, maschio/femmina...), data_nascita, comune, "
     "provincia (sigla di qualsiasi epoca o nome; vuota per uno Stato estero); aggiunge codice_fiscale ed esito."},
    {"verifica", "CODICE_FISCALE...",
     "Verifica un codice fiscale. Colonne: codice_fiscale (e facoltative cognome, nome); aggiunge esito, sesso, "
     "data_nascita, comune, provincia, codice_base, avviso (il luogo non esisteva alla data di nascita)."},
    {"partita-iva", "PARTITA_IVA...",
     "Controlla una partita IVA (anche con IT, spazi, punti o trattini). Colonna: partita_iva; aggiunge esito e "
     "ufficio."},
    {"comune", "COMUNE|CAP...",
     "Cerca un comune, per nome o per CAP. Colonne: comune o cap (e facoltativa provincia, sigla o nome); "
     "aggiunge denominazione, cap, provincia, sigla, regione, prefisso, esito e avviso (un nome di prima)."},
    {"euro", "[--da-euro] IMPORTO VALUTA", "Converte un importo di una valuta nazionale in euro (o in senso inverso)."},
    {"prefisso", "PAESE", "Il prefisso internazionale di un paese, come si compone dall'Italia."},
};

const Descrizione *descrizione(const QString &nome)
{
    for (const Descrizione &d : kComandi) {
        if (nome == QLatin1String(d.nome))
            return &d;
    }
    return nullptr;
}

QString aiutoGenerale(const QString &programma)
{
    QString testo = QStringLiteral("Uso: %1 COMANDO [opzioni] [valori]\n\n"
                                   "Gli strumenti di Sportello dalla riga di comando, su un valore o su una "
                                   "tabella CSV, .xlsx o .ods (--file FILE, o --csv FILE).\n\nComandi:\n")
                        .arg(programma);
    for (const Descrizione &d : kComandi)
        testo +=
            QStringLiteral("  %1%2\n").arg(QString::fromLatin1(d.nome).leftJustified(13), QString::fromUtf8(d.testo));
    testo += QStringLiteral("\n%1 COMANDO --help mostra le opzioni di un comando; --version la versione.\n"
                            "Stato di uscita: 0 tutto bene, 1 qualche valore o riga con esito, 2 errore d'uso o "
                            "file illeggibile.\n")
                 .arg(programma);
    return testo;
}

// The help of a command: usage lines that run as written, with the command's name, then what the parser
// lists (its own first line, with the program's path and no command, goes).
QString aiutoComando(const Descrizione &d, bool tabellare, const QString &testoParser)
{
    const QString nome = QString::fromLatin1(d.nome);
    QString testo = QStringLiteral("Uso: sportello-cli %1 %2\n").arg(nome, QString::fromLatin1(d.sintassi));
    if (tabellare)
        testo += QStringLiteral("     sportello-cli %1 --file FILE [opzioni]\n").arg(nome);
    const qsizetype primaRiga = testoParser.indexOf(u'\n');
    return testo + (primaRiga < 0 ? QString() : testoParser.mid(primaRiga + 1));
}

// One line per new column, "nome: valore", for answers with several parts.
void stampaColonne(const QStringList &nomi, const QStringList &valori, int esito, QTextStream &uscita)
{
    for (int i = 0; i < nomi.size(); ++i) {
        if (i != esito)
            uscita << nomi[i] << ": " << valori.value(i) << '\n';
    }
}

} // namespace

namespace Cli {

int esegui(const QStringList &argomenti, QTextStream &uscita, QTextStream &errori, bool terminale)
{
    const QString programma = QStringLiteral("sportello-cli");
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
        errori << programma << ": " << generale.errorText() << '\n' << aiutoGenerale(programma);
        return kErroreUso;
    }
    const QStringList posizionali = generale.positionalArguments();
    if (generale.isSet(versione)) {
        uscita << programma << ' ' << SPORTELLO_VERSIONE << '\n';
        return kTuttoBene;
    }
    if (posizionali.isEmpty()) {
        (generale.isSet(aiuto) ? uscita : errori) << aiutoGenerale(programma);
        return generale.isSet(aiuto) ? kTuttoBene : kErroreUso;
    }
    const QString &nomeComando = posizionali.first();
    const Descrizione *d = descrizione(nomeComando);
    if (!d) {
        errori << programma << ": comando sconosciuto «" << nomeComando << "»\n\n" << aiutoGenerale(programma);
        return kErroreUso;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(d->testo));
    parser.addOption(aiuto);
    const bool tabellare = nomeComando != u"euro" && nomeComando != u"prefisso";
    const QCommandLineOption csv({QStringLiteral("f"), QStringLiteral("file"), QStringLiteral("csv")},
                                 QStringLiteral("Elabora la tabella FILE: CSV, .xlsx o .ods, riconosciuto dal "
                                                "contenuto (- per lo standard input)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption foglioOpz(QStringLiteral("foglio"),
                                       QStringLiteral("Il foglio di un file .xlsx o .ods, per nome o numero (1 il "
                                                      "primo); se manca, il primo."),
                                       QStringLiteral("NOME|N"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Scrive la tabella in FILE (al termine, sotto un nome temporaneo "
                                                   "fino ad allora) invece che sullo standard output (- per lo "
                                                   "standard output); un FILE .xlsx è un foglio di calcolo, con i "
                                                   "tipi delle celle, le righe con esito in rosso e il foglio "
                                                   "Riepilogo."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption separatore(QStringLiteral("separatore"),
                                        QStringLiteral("Il separatore dei campi: ; , o tab (se manca, dalla riga "
                                                       "d'intestazione)."),
                                        QStringLiteral("SEP"));
    const QCommandLineOption codifica(QStringLiteral("codifica"),
                                      QStringLiteral("utf-8 (utf8) o windows-1252 (cp1252, latin1, iso-8859-1); se "
                                                     "manca, decisa da tutto il file."),
                                      QStringLiteral("CODIFICA"));
    const QCommandLineOption data(QStringLiteral("data"),
                                  QStringLiteral("L'ordine delle date: gg/mm (giorno prima) o mm/gg (mese prima); se "
                                                 "manca, deciso per colonna da tutte le sue date."),
                                  QStringLiteral("ORDINE"));
    const QCommandLineOption rigaMassima(QStringLiteral("riga-massima"),
                                         QStringLiteral("La riga più lunga letta, in MiB (predefinita 4): una più "
                                                        "lunga ha un esito."),
                                         QStringLiteral("MIB"));
    const QCommandLineOption colonna(QStringLiteral("colonna"),
                                     QStringLiteral("La colonna NOME del comando ha l'intestazione INTESTAZIONE "
                                                    "(ripetibile)."),
                                     QStringLiteral("NOME=INTESTAZIONE"));
    const QCommandLineOption daEuro(QStringLiteral("da-euro"),
                                    QStringLiteral("IMPORTO è in euro (5,16: 5 euro e 16 centesimi) e si converte "
                                                   "nella VALUTA."));
    if (tabellare)
        parser.addOptions({csv, foglioOpz, output, separatore, codifica, colonna, rigaMassima});
    if (nomeComando == u"calcola")
        parser.addOption(data);
    if (nomeComando == u"euro")
        parser.addOption(daEuro);
    parser.addPositionalArgument(
        QStringLiteral("valori"),
        QString::fromLatin1(d->sintassi) +
            (tabellare ? QStringLiteral(", in alternativa a --file FILE.") : QStringLiteral(".")),
        QString::fromLatin1(d->sintassi));

    QStringList resto = posizionali.mid(1);
    resto.prepend(programma + u' ' + nomeComando);
    if (!parser.parse(resto)) {
        errori << programma << ' ' << nomeComando << ": " << parser.errorText() << '\n';
        return kErroreUso;
    }
    if (parser.isSet(aiuto)) {
        uscita << aiutoComando(*d, tabellare, parser.helpText());
        return kTuttoBene;
    }
    const QStringList valori = parser.positionalArguments();
    auto erroreUso = [&](const QString &testo) {
        errori << programma << ' ' << nomeComando << ": " << testo << '\n';
        return kErroreUso;
    };

    if (nomeComando == u"euro") {
        if (valori.size() != 2)
            return erroreUso(QStringLiteral("servono IMPORTO e VALUTA, per esempio: euro 10000 lira"));
        const Risposta r = euro(valori[0], valori[1], parser.isSet(daEuro));
        if (!r.errore.isEmpty())
            return erroreUso(r.errore);
        uscita << r.testo << '\n';
        return kTuttoBene;
    }
    if (nomeComando == u"prefisso") {
        if (valori.isEmpty())
            return erroreUso(QStringLiteral("manca il PAESE, per esempio: prefisso Francia"));
        const Risposta r = prefisso(valori.join(u' '));
        if (!r.errore.isEmpty()) {
            errori << r.errore << '\n';
            return kRigheConEsito;
        }
        uscita << r.testo << '\n';
        return kTuttoBene;
    }

    // The commands that need a data file, and work on a table or on values.
    if (parser.isSet(csv) == !valori.isEmpty())
        return erroreUso(parser.isSet(csv) ? QStringLiteral("con --file (--csv) non si danno valori")
                                           : QStringLiteral("mancano i valori (o --file FILE); --help per l'uso"));
    OpzioniTabella opzioni;
    opzioni.comando = nomeComando;
    if (nomeComando == u"calcola" && parser.isSet(data)) {
        const QString o = parser.value(data).toLower().remove(u' ');
        if (o == u"gg/mm" || o == u"gg/mm/aaaa" || o == u"giorno" || o == u"dmy" || o == u"dd/mm")
            opzioni.ordineData = Fiscale::OrdineData::GiornoMese;
        else if (o == u"mm/gg" || o == u"mm/gg/aaaa" || o == u"mese" || o == u"mdy" || o == u"mm/dd")
            opzioni.ordineData = Fiscale::OrdineData::MeseGiorno;
        else
            return erroreUso(QStringLiteral("--data «%1» non valido: gg/mm o mm/gg").arg(parser.value(data)));
    }
    if (parser.isSet(csv)) {
        opzioni.ingresso = parser.value(csv);
        opzioni.foglio = parser.value(foglioOpz);
        opzioni.uscita = parser.value(output);
        opzioni.avanzamento = terminale;
        if (parser.isSet(separatore)) {
            const QString s = parser.value(separatore);
            if (s == u";" || s == u"," || s == u"\t")
                opzioni.separatore = static_cast<char>(s[0].unicode());
            else if (s == u"tab")
                opzioni.separatore = '\t';
            else
                return erroreUso(QStringLiteral("separatore «%1» non valido: ; , o tab").arg(s));
        }
        if (parser.isSet(codifica)) {
            const std::optional<Csv::Codifica> c = Csv::codificaDaNome(parser.value(codifica));
            if (!c)
                return erroreUso(QStringLiteral("codifica «%1» non valida: utf-8 o windows-1252 (anche utf8, cp1252, "
                                                "latin1, iso-8859-1)")
                                     .arg(parser.value(codifica)));
            opzioni.codifica = *c;
        }
        if (parser.isSet(rigaMassima)) {
            bool ok = false;
            const int mib = parser.value(rigaMassima).toInt(&ok);
            if (!ok || mib < 1 || mib > 1024)
                return erroreUso(QStringLiteral("--riga-massima «%1» non valida: un numero di MiB da 1 a 1024")
                                     .arg(parser.value(rigaMassima)));
            opzioni.massimoRiga = qsizetype(mib) << 20;
        }
        for (const QString &m : parser.values(colonna)) {
            const qsizetype uguale = m.indexOf(u'=');
            if (uguale <= 0 || uguale == m.size() - 1)
                return erroreUso(QStringLiteral("--colonna «%1»: serve NOME=INTESTAZIONE").arg(m));
            opzioni.colonne.append({m.left(uguale), m.mid(uguale + 1)});
        }
    } else if (parser.isSet(output) || parser.isSet(separatore) || parser.isSet(codifica) || parser.isSet(colonna) ||
               parser.isSet(rigaMassima) || parser.isSet(foglioOpz)) {
        return erroreUso(QStringLiteral("--output, --foglio, --separatore, --codifica, --colonna e --riga-massima "
                                        "valgono solo con --file (--csv)"));
    }

    DatiComandi dati;
    QString erroreDati;
    const std::unique_ptr<Comando> comando = creaComando(nomeComando, dati, &erroreDati);
    if (!comando) {
        errori << programma << ": " << erroreDati << '\n';
        return kErroreUso;
    }

    if (parser.isSet(csv)) {
        return eseguiTabella(
            *comando, opzioni, [&](const QString &m) { errori << programma << ": " << m << '\n'; },
            [&](const QString &riga) {
                errori << '\r' << riga.leftJustified(60) << (riga.isEmpty() ? "\r" : "");
                errori.flush();
            });
    }

    // Values on the command line: calcola takes the six fields, the others one item per value.
    if (opzioni.ordineData)
        comando->ordineDate(3, *opzioni.ordineData);
    const QStringList nomi = comando->uscita();
    const int esito = comando->colonnaEsito();
    const size_t colonne = comando->ingresso().size();
    int stato = kTuttoBene;
    if (nomeComando == u"calcola") {
        if (valori.size() != 6)
            return erroreUso(QStringLiteral("servono COGNOME NOME SESSO DATA COMUNE PROVINCIA, per esempio: "
                                            "calcola Rossi Mario M 01/01/1980 Roma RM"));
        QStringList v;
        for (const QString &t : valori)
            v.append(taglia(t));
        const QStringList r = comando->elabora(v);
        if (!r[esito].isEmpty()) {
            errori << r[esito] << '\n';
            return kRigheConEsito;
        }
        uscita << r[0] << '\n';
        return kTuttoBene;
    }
    for (const QString &valore : valori) {
        QStringList v{taglia(valore)};
        while (static_cast<size_t>(v.size()) < colonne)
            v.append(QString());
        if (nomeComando == u"partita-iva") {
            const PartitaIvaCmd &p = static_cast<const PartitaIvaCmd &>(*comando);
            const QString r = p.responso(v[0]);
            if (!p.elabora(v)[esito].isEmpty())
                stato = kRigheConEsito;
            uscita << (valori.size() > 1 ? valore + QStringLiteral(": ") : QString()) << r << '\n';
            continue;
        }
        const QStringList r = comando->elabora(v);
        if (valori.size() > 1)
            uscita << valore << ":\n";
        if (!r[esito].isEmpty()) {
            uscita << "esito: " << r[esito] << '\n';
            stato = kRigheConEsito;
        } else {
            stampaColonne(nomi, r, esito, uscita);
        }
    }
    return stato;
}

} // namespace Cli
