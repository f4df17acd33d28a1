// The commands of the fiscal code: calcola and verifica.
#include "comandi.h"

#include <algorithm>

#include "calcolo.h"
#include "cp1252.h"

namespace {

const QString kDataNonValida = QStringLiteral("Data non valida");
const QString kDataFutura = QStringLiteral("Data di nascita nel futuro");
const QString kAutocontrollo =
    QStringLiteral("Il controllo del codice fiscale dà responso negativo. Provare a installare nuovamente "
                   "l'applicazione. Se l'errore persiste, contattare l'autore");

constexpr qsizetype kMassimoTesto = 128;

// A value as Windows-1252 bytes in `out` (kMassimoTesto bytes): its length, or -1 when it is longer or, from
// UTF-8, holds a character outside ASCII and U+00A0 to U+00FF.
qsizetype inCp1252(QByteArrayView valore, bool utf8, char *out)
{
    if (valore.size() > kMassimoTesto)
        return -1;
    qsizetype n = 0;
    for (qsizetype i = 0; i < valore.size(); ++i) {
        const auto b = static_cast<unsigned char>(valore[i]);
        if (b < 0x80 || !utf8) {
            out[n++] = static_cast<char>(b);
            continue;
        }
        if (i + 1 >= valore.size())
            return -1;
        const auto c = static_cast<unsigned char>(valore[i + 1]);
        if (b == 0xC2 && c >= 0xA0 && c <= 0xBF)
            out[n++] = static_cast<char>(c);
        else if (b == 0xC3 && c >= 0x80 && c <= 0xBF)
            out[n++] = static_cast<char>(c + 0x40);
        else
            return -1;
        ++i;
    }
    return n;
}

// The two digits of 0 to 99 at `testo`.
void dueCifre(int n, char *testo)
{
    static constexpr struct Coppie {
        char c[100][2]{};
        constexpr Coppie()
        {
            for (int i = 0; i < 100; ++i) {
                c[i][0] = static_cast<char>('0' + i / 10);
                c[i][1] = static_cast<char>('0' + i % 10);
            }
        }
    } kCoppie;
    testo[0] = kCoppie.c[n][0];
    testo[1] = kCoppie.c[n][1];
}

} // namespace

namespace Tabelle {

// ---- calcola

Calcola::Calcola(const Fiscale::TabellaCodici &tabella, QDate oggi, const QString &fileLuoghi)
    : m_tabella(tabella)
    , m_oggi(oggi)
    , m_giornoOggi(Fiscale::giornoDi(oggi.year(), oggi.month(), oggi.day()))
    , m_luoghi(fileLuoghi)
{}

std::vector<Colonna> Calcola::ingresso() const
{
    return {{QStringLiteral("cognome")}, {QStringLiteral("nome")},
            {QStringLiteral("sesso")},   {QStringLiteral("data_nascita"), true, true},
            {QStringLiteral("comune")},  {QStringLiteral("provincia")}};
}

QStringList Calcola::uscita() const
{
    return {QStringLiteral("codice_fiscale"), QStringLiteral("esito")};
}

void Calcola::ordineDate(size_t colonna, Fiscale::OrdineData ordine)
{
    if (colonna == 3)
        m_ordine = ordine;
}

std::optional<QDate> Calcola::leggiData(const QString &testo, Fiscale::OrigineData origine) const
{
    return Fiscale::leggiDataTabella(testo, m_ordine, m_oggi, origine);
}

void Calcola::elabora(const Valori &valori, Risultato &risultato) const
{
    if (!rapido(valori, risultato))
        generale(valori, risultato);
}

// The common case on the table's bytes: a date as dataSemplice reads it (or a date cell), a sex of one letter,
// texts of Windows-1252, a place and province found as typed. Anything else goes the general way.
bool Calcola::rapido(const Valori &v, Risultato &risultato) const
{
    const QByteArrayView sesso = v.testo(2);
    const QByteArrayView campi[4] = {v.testo(0), v.testo(1), v.testo(4), v.testo(5)};
    if (campi[0].isEmpty() || campi[1].isEmpty() || sesso.size() != 1 || campi[2].isEmpty() || campi[3].size() != 2)
        return false;
    const char s = sesso[0];
    const bool femmina = s == 'F' || s == 'f';
    if (!femmina && s != 'M' && s != 'm')
        return false;
    int giorno = 0, mese = 0, anno = 0;
    if (v.data(3).isValid())
        v.data(3).getDate(&anno, &mese, &giorno);
    else if (!Fiscale::dataSemplice(v.testo(3), m_ordine, giorno, mese, anno))
        return false;
    // The four texts as Windows-1252 bytes: UTF-8 gives them for ASCII and for U+00A0 to U+00FF, where the
    // code page's bytes equal the code points.
    const bool utf8 = v.codifica != Csv::Codifica::Windows1252;
    char testi[4][kMassimoTesto];
    QByteArrayView letti[4];
    for (int t = 0; t < 4; ++t) {
        const qsizetype n = inCp1252(campi[t], utf8, testi[t]);
        if (n < 0)
            return false;
        letti[t] = QByteArrayView(testi[t], n);
    }
    // The place as typed, its key in upper case; the general way looks for it as people write it.
    if (!m_rapido.maiuscole(testi[2], letti[2].size()) || !m_rapido.maiuscole(testi[3], letti[3].size()))
        return false;
    const int giornoNascita = Fiscale::giornoDi(anno, mese, giorno);
    if (giornoNascita > m_giornoOggi)
        return false;
    const std::optional<QByteArrayView> catastale = m_tabella.trovacodByte(letti[2], letti[3], giornoNascita);
    char codice[16];
    if (!catastale || !m_rapido.codice(letti[0], letti[1], femmina, giorno, mese, anno, *catastale, codice))
        return false;
    risultato.imposta(0, QByteArrayView(codice, 16), true);
    return true;
}

void Calcola::generale(const Valori &v, Risultato &risultato) const
{
    // The window checks the date before anything else.
    const QString testoData = v.stringa(3);
    const std::optional<QDate> data =
        v.data(3).isValid()
            ? std::optional<QDate>(v.data(3))
            : leggiData(testoData, v.foglio ? Fiscale::OrigineData::Foglio : Fiscale::OrigineData::Testo);
    if (!data && m_ordine == Fiscale::OrdineData::Contraddittorio &&
        Fiscale::ordiniPossibili(testoData.toLatin1()) == (Fiscale::kGiornoPrima | Fiscale::kMesePrima)) {
        risultato.esito(QStringLiteral("Data ambigua: %1 si legge giorno/mese o mese/giorno, e la colonna ha date in "
                                       "entrambi gli ordini")
                            .arg(testoData));
        return;
    }
    if (!data || *data > m_oggi) {
        risultato.esito(data ? kDataFutura : kDataNonValida);
        return;
    }
    const QString scritto = taglia(v.stringa(2));
    const QString sesso = sessoNormale(scritto);
    // The place as documents, people and clerks write it, for the day of birth (Fiscale::risolviLuogo).
    const Fiscale::Esito esito = Fiscale::CodiceFiscale(v.stringa(0), v.stringa(1), sesso, *data, v.stringa(4),
                                                        v.stringa(5), m_tabella, &m_luoghi);
    if (esito.codice == Fiscale::kAsterischi) {
        // With a valid date, the only failure without a number is the sex: one written in some other way is
        // named.
        if (esito.errore == 0 && sesso.isEmpty() && !scritto.isEmpty())
            risultato.esito(QStringLiteral("Sesso non riconosciuto: ") + citazione(scritto));
        else if (esito.luogo.esito == Fiscale::LuogoNascita::Esito::NonTrovato)
            risultato.esito(esito.messaggio + forseCap(v.stringa(4), v.stringa(5), *data));
        else
            risultato.esito(esito.messaggio);
        return;
    }
    if (!Fiscale::ControllaCodiceFiscale(esito.codice)) {
        risultato.esito(kAutocontrollo);
        return;
    }
    risultato.imposta(0, esito.codice);
}

// A postal code that lost its leading zeros in a number cell ("184"): " (forse 00184)" when the code of five
// digits is a place of birth; else empty.
QString Calcola::forseCap(const QString &comune, const QString &provincia, const QDate &data) const
{
    const QString t = comune.trimmed();
    if (t.size() < 3 || t.size() > 4 ||
        !std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return QString();
    const QString cap = QString(5 - t.size(), u'0') + t;
    return Fiscale::risolviLuogo(m_tabella, cap, provincia, data, &m_luoghi).trovato()
               ? QStringLiteral(" (forse %1)").arg(cap)
               : QString();
}

// ---- verifica

VerificaCmd::VerificaCmd(const Fiscale::TabellaCodici &tabella, QDate oggi)
    : m_tabella(tabella)
    , m_indice(tabella)
    , m_oggi(oggi)
    , m_voci(static_cast<size_t>(qMax(0, tabella.numeroVoci())))
{}

QString VerificaCmd::testoComune(const Fiscale::Luogo &luogo)
{
    // A suppressed municipality as the window shows it, "BELLAGIO (CO) (soppresso il 03/02/2014)".
    return luogo.cessato() ? Fiscale::testoLuogo(luogo) : luogo.nome;
}

const VerificaCmd::Voce &VerificaCmd::voce(int indice) const
{
    Voce &v = m_voci[static_cast<size_t>(indice)];
    if (!v.pronta) {
        const Fiscale::TabellaCodici::Voce t = m_tabella.voce(indice);
        Fiscale::Luogo l;
        l.trovato = true;
        l.nome = t.nomeIntero;
        l.provincia = t.provincia;
        l.estero = t.provincia == u"EE";
        l.vita = m_indice.vita(t.codice.isEmpty() ? char(0) : t.codice[0].toLatin1(), t.codice.mid(1).toInt());
        v.comune = testoComune(l).toUtf8();
        v.provincia = t.provincia.toUtf8();
        v.semplice = Risultato::testoSemplice(v.comune) && Risultato::testoSemplice(v.provincia);
        v.pronta = true;
    }
    return v;
}

std::vector<Colonna> VerificaCmd::ingresso() const
{
    return {{QStringLiteral("codice_fiscale")}, {QStringLiteral("cognome"), false}, {QStringLiteral("nome"), false}};
}

QStringList VerificaCmd::uscita() const
{
    return {QStringLiteral("esito"),  QStringLiteral("sesso"),     QStringLiteral("data_nascita"),
            QStringLiteral("comune"), QStringLiteral("provincia"), QStringLiteral("codice_base"),
            QStringLiteral("avviso")};
}

void VerificaCmd::elabora(const Valori &valori, Risultato &risultato) const
{
    const QByteArrayView codice = valori.testo(0);
    const Fiscale::Verifica v = ascii(codice) ? Fiscale::verifica(QLatin1StringView(codice), &m_indice, m_oggi)
                                              : Fiscale::verifica(valori.stringa(0), &m_indice, m_oggi);
    if (!v.valido()) {
        risultato.esito(Fiscale::esito(v));
        return;
    }
    const bool trovato = v.voce >= 0 && v.voce < static_cast<int>(m_voci.size());
    QString esito = trovato ? QString() : Fiscale::testoLuogo(v, m_tabella);
    const QString diverso = confronto(valori, v);
    if (!diverso.isEmpty())
        esito += (esito.isEmpty() ? QString() : QStringLiteral("; ")) + diverso;
    if (!esito.isEmpty())
        risultato.esito(esito);
    risultato.rimanda(1, v.sesso == 'F' ? QByteArrayView("F") : QByteArrayView("M"), true);
    char data[10] = {0, 0, '/', 0, 0, '/'};
    dueCifre(v.giorno, data);
    dueCifre(v.mese, data + 3);
    dueCifre(v.anno / 100 % 100, data + 6);
    dueCifre(v.anno % 100, data + 8);
    risultato.imposta(2, QByteArrayView(data, 10), true);
    if (trovato) {
        const Voce &luogo = voce(v.voce);
        risultato.rimanda(3, luogo.comune, luogo.semplice);
        risultato.rimanda(4, luogo.provincia, luogo.semplice);
    }
    if (v.omocodico())
        risultato.imposta(5, QByteArrayView(v.base.data(), 16), true);
    // A place that did not surely exist on the day of birth: the warning says when it did.
    const int numero = (v.base[12] - '0') * 100 + (v.base[13] - '0') * 10 + (v.base[14] - '0');
    if (trovato && !m_indice.esisteIl(v.base[11], numero, Fiscale::giornoDi(v.anno, v.mese, v.giorno), m_tabella))
        risultato.imposta(6, Fiscale::avvisoLuogo(v, m_tabella));
}

QString VerificaCmd::confronto(const Valori &valori, const Fiscale::Verifica &v) const
{
    if (valori.testi.size() < 3 || (valori.testo(1).isEmpty() && valori.testo(2).isEmpty()))
        return QString();
    // The common case, both matching, told on the bytes; any difference is put into words the general way.
    if (corrispondeRapido(valori.testo(1), valori.codifica, false, v.base.data()) &&
        corrispondeRapido(valori.testo(2), valori.codifica, true, v.base.data() + 3))
        return QString();
    const Fiscale::Confronto c = Fiscale::confronta(v, valori.stringa(1), valori.stringa(2));
    if ((c.cognomeDato && !c.cognomeUguale) || (c.nomeDato && !c.nomeUguale))
        return Fiscale::testoConfronto(c);
    return QString();
}

// Whether a surname (or a name) gives the three `lettere` of the code; true when it is empty, false also
// when the bytes cannot tell.
bool VerificaCmd::corrispondeRapido(QByteArrayView valore, Csv::Codifica codifica, bool delNome,
                                    const char *lettere) const
{
    if (valore.isEmpty())
        return true;
    char testo[kMassimoTesto];
    const qsizetype n = inCp1252(valore, codifica != Csv::Codifica::Windows1252, testo);
    // A value of white space alone is not given either: the general way tells it.
    if (n <= 0 || Cp1252::decodificaByte(static_cast<unsigned char>(testo[0])).isSpace())
        return false;
    char attese[3];
    return m_rapido.treLettere(QByteArrayView(testo, n), delNome, attese) && std::equal(attese, attese + 3, lettere);
}

} // namespace Tabelle
