// The commands over VAT numbers and municipalities, euro and prefisso, and the list of every command.
#include "comandi.h"

#include <cmath>

#include "cp1252.h"
#include "errorifile.h"
#include "numeri.h"
#include "percorsi.h"
#include "prefissi.h"
#include "valute.h"

namespace {

const QString kComuneNonTrovato = QStringLiteral("Comune non trovato");

} // namespace

namespace Tabelle {

// ---- partita-iva

PartitaIvaCmd::PartitaIvaCmd()
{
    PartitaIva::riempiUffici(m_uffici);
    for (const QString &ufficio : m_uffici) {
        m_ufficiUtf8.push_back(ufficio.toUtf8());
        m_ufficiSemplici.push_back(Risultato::testoSemplice(m_ufficiUtf8.back()));
    }
    // The esiti of the faults a table has most, worded once.
    PartitaIva::Controllo c;
    c.stato = PartitaIva::Stato::CifraControllo;
    for (c.cifraAttesa = 0; c.cifraAttesa < 10; ++c.cifraAttesa)
        m_esitiCifra[static_cast<size_t>(c.cifraAttesa)] = PartitaIva::messaggio(c, m_uffici).toUtf8();
    c.stato = PartitaIva::Stato::UfficioInesistente;
    for (c.ufficio = 0; c.ufficio < 1000; ++c.ufficio) {
        if (!PartitaIva::ufficioEsiste(c.ufficio))
            m_esitiUfficio[static_cast<size_t>(c.ufficio)] = PartitaIva::messaggio(c, m_uffici).toUtf8();
    }
}

std::vector<Colonna> PartitaIvaCmd::ingresso() const
{
    return {{QStringLiteral("partita_iva")}};
}

QStringList PartitaIvaCmd::uscita() const
{
    return {QStringLiteral("esito"), QStringLiteral("ufficio")};
}

QString PartitaIvaCmd::responso(const QStringList &valori) const
{
    return PartitaIva::messaggio(PartitaIva::controlla(PartitaIva::normalizza(valori.value(0))), m_uffici);
}

void PartitaIvaCmd::elabora(const Valori &valori, Risultato &risultato) const
{
    // A number of ASCII, the common case, is checked where it stands.
    const QByteArrayView testo = valori.testo(0);
    constexpr qsizetype kMassimo = 64;
    char16_t numero[kMassimo];
    const qsizetype n = testo.size() <= kMassimo ? PartitaIva::normalizza(testo, numero) : -1;
    const PartitaIva::Controllo c = n >= 0 ? PartitaIva::controlla(QStringView(numero, n))
                                           : PartitaIva::controlla(PartitaIva::normalizza(valori.stringa(0)));
    const int esito = risultato.colonnaEsito();
    switch (c.stato) {
    case PartitaIva::Stato::Esatta:
        if (c.ufficio >= 0 && c.ufficio < static_cast<int>(m_ufficiUtf8.size()))
            risultato.rimanda(1, m_ufficiUtf8[static_cast<size_t>(c.ufficio)],
                              m_ufficiSemplici[static_cast<size_t>(c.ufficio)]);
        return;
    case PartitaIva::Stato::CifraControllo:
        risultato.rimanda(esito, m_esitiCifra[static_cast<size_t>(c.cifraAttesa)]);
        return;
    case PartitaIva::Stato::UfficioInesistente:
        if (c.ufficio >= 0 && c.ufficio < 1000) {
            risultato.rimanda(esito, m_esitiUfficio[static_cast<size_t>(c.ufficio)]);
            return;
        }
        break;
    default: break;
    }
    risultato.esito(PartitaIva::messaggio(c, m_uffici));
}

// ---- comune

ComuneCmd::ComuneCmd(const ElencoComuni::Elenco &elenco, const QString &fileLuoghi, const QString &fileCodici)
    : m_elenco(elenco)
    , m_ricerca(elenco, fileCodici)
    , m_tollerante(fileLuoghi)
{}

std::vector<Colonna> ComuneCmd::ingresso() const
{
    return {{QStringLiteral("comune"), false}, {QStringLiteral("provincia"), false}, {QStringLiteral("cap"), false}};
}

QStringList ComuneCmd::uscita() const
{
    return {QStringLiteral("denominazione"), QStringLiteral("cap"),     QStringLiteral("provincia"),
            QStringLiteral("sigla"),         QStringLiteral("regione"), QStringLiteral("prefisso"),
            QStringLiteral("esito"),         QStringLiteral("avviso")};
}

void ComuneCmd::elabora(const Valori &valori, Risultato &risultato) const
{
    QStringList testi;
    for (size_t i = 0; i < valori.testi.size(); ++i)
        testi.append(valori.stringa(i));
    const QStringList trovati = trova(testi);
    for (int i = 0; i < trovati.size(); ++i) {
        if (!trovati[i].isEmpty())
            risultato.imposta(i, trovati[i]);
    }
}

// The new columns, as texts.
QStringList ComuneCmd::trova(const QStringList &valori) const
{
    auto soloEsito = [](const QString &esito) {
        return QStringList{QString(), QString(), QString(), QString(), QString(), QString(), esito, QString()};
    };
    // A table may give the postal code in a column of its own.
    QString nome = ElencoComuni::togliSpazi(Cp1252::maiuscole(valori[0].isEmpty() ? valori.value(2) : valori[0]));
    QString sigla = valori.value(1).trimmed();
    ElencoComuni::RicercaComune::provinciaTraParentesi(nome, sigla); // "SAMONE (TO)"
    if (nome.isEmpty())
        return soloEsito(QStringLiteral("Comune non specificato"));
    using Esito = ElencoComuni::RicercaComune::Risposta::Esito;
    const ElencoComuni::RicercaComune::Risposta r = m_ricerca.cerca(nome, sigla);
    if (r.esito == Esito::Scelta || r.esito == Esito::ProvinciaErrata)
        return soloEsito(r.messaggio);
    int posizione = r.posizione;
    if (r.esito == Esito::NonTrovato) {
        QString esito;
        posizione = tollerante(nome, sigla, esito);
        if (posizione < 0)
            return soloEsito(esito + forseCap(nome, sigla));
    }
    const ElencoComuni::Dettagli d = ElencoComuni::dettagli(m_elenco, posizione);
    // Found by one of its postal codes: that code, rather than the one the directory gives.
    return {m_elenco.nomi[posizione],
            Luoghi::eCap(nome) ? nome : taglia(d.cap),
            taglia(m_ricerca.provincia(posizione)),
            taglia(d.sigla),
            taglia(d.regione),
            taglia(d.prefisso),
            QString(),
            r.avviso};
}

// A postal code that lost its leading zeros in a number cell ("184"): " (forse 00184)" when the code of five
// digits is one; else empty.
QString ComuneCmd::forseCap(const QString &nome, const QString &sigla) const
{
    if (nome.size() < 3 || nome.size() > 4 || !Luoghi::eCap(QString(5 - nome.size(), u'0') + nome))
        return QString();
    const QString cap = QString(5 - nome.size(), u'0') + nome;
    QString esito;
    const bool trovato =
        m_ricerca.cerca(cap, sigla).posizione >= 0 || tollerante(cap, sigla, esito) >= 0 || esito != kComuneNonTrovato;
    return trovato ? QStringLiteral(" (forse %1)").arg(cap) : QString();
}

// Not as written: a postal code, or the name as people or clerks write it, in the provinces `sigla` names;
// else the names one or two letters off, offered even one alone, never applied. The one municipality found,
// or -1 with the esito that lists the choices or says that none was found.
int ComuneCmd::tollerante(const QString &nome, const QString &sigla, QString &esito) const
{
    const QStringList sigle = m_ricerca.sigle(sigla);
    esito = kComuneNonTrovato;
    if (!sigla.isEmpty() && sigle.isEmpty())
        return -1;
    const QString una = sigle.size() == 1 ? sigle[0] : QString();
    auto nelleProvince = [&](const std::vector<int> &trovati) {
        std::vector<int> candidati;
        for (int i : trovati) {
            if (sigle.size() < 2 || sigle.contains(m_elenco.elencosigle[i]))
                candidati.push_back(i);
        }
        return candidati;
    };
    std::vector<int> candidati = nelleProvince(m_tollerante.cerca(m_elenco, nome, una));
    const bool proposte = candidati.empty();
    if (proposte)
        candidati = nelleProvince(m_tollerante.proposte(m_elenco, nome, una));
    if (candidati.size() == 1 && !proposte)
        return candidati.front();
    if (!candidati.empty())
        esito = (Luoghi::eCap(nome) ? QStringLiteral("CAP di più comuni: ")
                                    : kComuneNonTrovato + QStringLiteral(". Forse cercavi: ")) +
                m_ricerca.elenco(candidati);
    return -1;
}

// ---- euro, prefisso

namespace {

constexpr const char *kCodiciIso[] = {"ITL", "DEM", "BEF", "ESP", "FRF", "IEP", "NLG", "ATS", "PTE", "FIM"};

// The position of `testo` among `nomi`: equal (case ignored), else the only name that starts with it;
// -1 when none, -2 when several.
int scegli(const QStringList &nomi, const QString &testo)
{
    int trovato = -1;
    for (int i = 0; i < nomi.size(); ++i) {
        if (nomi[i].compare(testo, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (int i = 0; i < nomi.size(); ++i) {
        if (nomi[i].startsWith(testo, Qt::CaseInsensitive))
            trovato = trovato == -1 ? i : -2;
    }
    return trovato;
}

// An amount as people type it: "1936.27", "1936,27", "1.936,27", "1,936.27". The last of point and
// comma separates the decimals; the other one groups thousands and goes. Nothing when it is not a number.
std::optional<QString> importoNormale(const QString &testo)
{
    QString t = taglia(testo);
    const qsizetype punto = t.lastIndexOf(u'.'), virgola = t.lastIndexOf(u',');
    if (virgola > punto) {
        t.remove(u'.');
        t.replace(u',', u'.');
    } else {
        t.remove(u',');
    }
    bool ok = false;
    const double valore = t.toDouble(&ok);
    if (!ok || !std::isfinite(valore) || t.contains(u'e', Qt::CaseInsensitive))
        return std::nullopt;
    return t;
}

} // namespace

Risposta euro(const QString &importo, const QString &valuta, bool daEuro)
{
    const QStringList nomi = Valute::nomi();
    QStringList codici;
    for (const char *c : kCodiciIso)
        codici.append(QString::fromLatin1(c));
    int posto = scegli(nomi, taglia(valuta));
    if (posto < 0 && codici.contains(taglia(valuta), Qt::CaseInsensitive))
        posto = static_cast<int>(codici.indexOf(taglia(valuta).toUpper()));
    if (posto < 0) {
        QStringList elenco;
        for (int i = 0; i < nomi.size(); ++i)
            elenco.append(nomi[i] + QStringLiteral(" (") + codici[i] + u')');
        return {QString(), (posto == -2 ? QStringLiteral("Valuta ambigua: «%1». Valute: %2")
                                        : QStringLiteral("Valuta sconosciuta: «%1». Valute: %2"))
                               .arg(valuta, elenco.join(QStringLiteral(", ")))};
    }
    const std::optional<QString> numero = importoNormale(importo);
    if (!numero)
        return {QString(), QStringLiteral("Importo non valido: «%1»").arg(importo)};
    Valute::Cambi cambi;
    Valute::riempiCambi(cambi);
    const double cambio = cambi[static_cast<size_t>(posto)];
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    if (!daEuro) {
        const std::optional<Valute::Euro> e = Valute::inEuro(Numeri::leggi(*numero).value_or(0), cambio);
        if (!e)
            return {QString(), QStringLiteral("Importo fuori dall'intervallo: «%1»").arg(importo)};
        return {Numeri::scrivi(e->interi, italiano) + u',' + QString::number(e->centesimi).rightJustified(2, u'0'),
                QString()};
    }
    // Euros and cents as the window takes them from its two boxes: "5.16" is 5 euros and 16 cents.
    const qsizetype punto = numero->indexOf(u'.');
    const QString interi = punto < 0 ? *numero : numero->left(punto);
    QString centesimi = punto < 0 ? QString() : numero->mid(punto + 1);
    if (centesimi.size() < 2)
        centesimi = centesimi.leftJustified(2, u'0');
    centesimi.insert(2, u'.');
    double c = Numeri::leggi(centesimi).value_or(0);
    if (interi.startsWith(u'-'))
        c = -c;
    const std::optional<double> v = Valute::inValuta(Numeri::leggi(interi).value_or(0), c, cambio);
    if (!v)
        return {QString(), QStringLiteral("Importo fuori dall'intervallo: «%1»").arg(importo)};
    return {Numeri::scrivi(*v, italiano), QString()};
}

Risposta prefisso(const QString &paese)
{
    const QStringList voci = Prefissi::voci();
    QStringList nomi;
    for (const QString &voce : voci)
        nomi.append(voce.left(Prefissi::kLarghezzaNome).trimmed());
    const int posto = scegli(nomi, taglia(paese));
    if (posto == -2)
        return {QString(), QStringLiteral("Paese ambiguo: «%1»").arg(paese)};
    if (posto < 0 || taglia(paese).isEmpty())
        return {QString(), QStringLiteral("Paese non trovato: «%1»").arg(paese)};
    return {Prefissi::prefisso(voci[posto]), QString()};
}

// ---- the list of commands

namespace {

// A data file beside the program, loaded once; on failure the message the windows give for it, with the
// path looked at.
template <typename Leggi>
bool carica(const QString &file, QString *errore, Leggi &&leggi)
{
    const QString percorso = Percorsi::fileProgramma(file);
    const int numero = leggi(percorso);
    if (numero != 0 && errore)
        *errore = ErroriFile::messaggio(numero, file) + QStringLiteral(" (%1)").arg(percorso);
    return numero == 0;
}

bool codici(DatiComandi &dati, QString *errore)
{
    return dati.tabella.numeroVoci() > 0 ||
           carica(QStringLiteral("codes.cf"), errore, [&](const QString &p) { return dati.tabella.carica(p); });
}

QString luoghi()
{
    return Percorsi::fileProgramma(QStringLiteral("luoghi.dat"));
}

std::unique_ptr<Comando> creaCalcola(DatiComandi &dati, QString *errore)
{
    return codici(dati, errore) ? std::make_unique<Calcola>(dati.tabella, QDate::currentDate(), luoghi()) : nullptr;
}

std::unique_ptr<Comando> creaVerifica(DatiComandi &dati, QString *errore)
{
    return codici(dati, errore) ? std::make_unique<VerificaCmd>(dati.tabella) : nullptr;
}

std::unique_ptr<Comando> creaPartitaIva(DatiComandi &, QString *)
{
    return std::make_unique<PartitaIvaCmd>();
}

std::unique_ptr<Comando> creaComune(DatiComandi &dati, QString *errore)
{
    const bool pronto =
        !dati.elenco.nomi.isEmpty() || carica(QStringLiteral("codes.dat"), errore, [&](const QString &p) {
            ElencoComuni::Caricamento c = ElencoComuni::caricacomuni(p);
            dati.elenco = std::move(c.elenco);
            return c.errore;
        });
    return pronto ? std::make_unique<ComuneCmd>(dati.elenco, luoghi()) : nullptr;
}

} // namespace

const std::vector<VoceComando> &elencoComandi()
{
    static const std::vector<VoceComando> voci = {
        {"calcola", "COGNOME NOME SESSO DATA COMUNE PROVINCIA",
         "Calcola il codice fiscale. Colonne: cognome, nome, sesso (M/F, maschio/femmina...), data_nascita, comune, "
         "provincia (sigla di qualsiasi epoca o nome; vuota per uno Stato estero); aggiunge codice_fiscale ed esito.",
         "Calcola codice fiscale", &creaCalcola, true},
        {"verifica", "CODICE_FISCALE...",
         "Verifica un codice fiscale. Colonne: codice_fiscale (e facoltative cognome, nome); aggiunge esito, sesso, "
         "data_nascita, comune, provincia, codice_base, avviso (il luogo non esisteva alla data di nascita).",
         "Verifica codice fiscale", &creaVerifica, false},
        {"partita-iva", "PARTITA_IVA...",
         "Controlla una partita IVA (anche con IT, spazi, punti o trattini). Colonna: partita_iva; aggiunge esito e "
         "ufficio.",
         "Controlla partita IVA", &creaPartitaIva, false},
        {"comune", "COMUNE|CAP...",
         "Cerca un comune, per nome o per CAP. Colonne: comune o cap (e facoltativa provincia, sigla o nome); "
         "aggiunge denominazione, cap, provincia, sigla, regione, prefisso, esito e avviso (un nome di prima).",
         "Cerca comune", &creaComune, false},
        {"euro", "[--da-euro] IMPORTO VALUTA",
         "Converte un importo di una valuta nazionale in euro (o in senso inverso).", nullptr, nullptr, false},
        {"prefisso", "PAESE", "Il prefisso internazionale di un paese, come si compone dall'Italia.", nullptr, nullptr,
         false},
    };
    return voci;
}

const VoceComando *voceComando(const QString &nome)
{
    for (const VoceComando &v : elencoComandi()) {
        if (nome == QLatin1String(v.nome))
            return &v;
    }
    return nullptr;
}

std::unique_ptr<Comando> creaComando(const QString &nome, DatiComandi &dati, QString *errore)
{
    const VoceComando *voce = voceComando(nome);
    if (!voce || !voce->crea) {
        if (errore)
            *errore = QStringLiteral("comando sconosciuto «%1»").arg(nome);
        return nullptr;
    }
    std::unique_ptr<Comando> comando = voce->crea(dati, errore);
    if (comando)
        comando->impostaNome(nome);
    return comando;
}

} // namespace Tabelle
