// The verification and decode of a fiscal code on arbitrary text, over the cadastral table that ships with
// the program.
//
// The input is up to three lines: the code as handed in, then a surname and a name to compare with it.
// Whatever the decode calls valid must be built back, character by character, from what it decoded.

#include <algorithm>

#include <QSet>
#include <QStringList>

#include "calcolo.h"
#include "supporto_fuzz.h"
#include "verificacf.h"

namespace {

Fiscale::TabellaCodici tabella;
Fiscale::IndiceCatastale indice;
QSet<QString> codiciCatastali;
const QDate kOggi(2024, 5, 17);

bool letteraOCifra(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The code that the decoded data give, with the substitutions of the mask applied again.
QString ricodifica(const Fiscale::Verifica &v, int maschera)
{
    QString codice = QString::fromLatin1(v.base.data(), 6);
    codice += QStringLiteral("%1").arg(v.anno % 100, 2, 10, QLatin1Char('0'));
    codice += QStringView(u"ABCDEHLMPRST")[v.mese - 1];
    codice += QStringLiteral("%1").arg(v.giorno + (v.sesso == 'F' ? 40 : 0), 2, 10, QLatin1Char('0'));
    codice += v.catastale();
    for (int bit = 0; bit < 7; ++bit) {
        if (maschera & (1 << bit)) {
            const int i = Fiscale::posizioneDelBit(bit) - 1;
            codice[i] = QLatin1Char(Fiscale::kLettereOmocodia[static_cast<size_t>(codice[i].unicode() - u'0')]);
        }
    }
    return codice + Fiscale::carattereControllo(codice);
}

void verificaValido(const Fiscale::Verifica &v, const QString &normalizzato)
{
    VERIFICA(v.codice.lunghezza == 16 && normalizzato.size() == 16);
    VERIFICA(v.sesso == 'M' || v.sesso == 'F');
    const QDate nascita = v.data();
    VERIFICA(nascita.isValid() && nascita <= kOggi && nascita > kOggi.addYears(-101));
    for (char c : v.base)
        VERIFICA(letteraOCifra(c));
    VERIFICA(ricodifica(v, 0) == v.codiceBase());
    VERIFICA(ricodifica(v, v.sostituzioni) == normalizzato);
    VERIFICA(Fiscale::ControllaCodiceFiscale(normalizzato) && Fiscale::ControllaCodiceFiscale(v.codiceBase()));
    VERIFICA(Fiscale::esito(v).startsWith(u"Codice valido"));
    VERIFICA(Fiscale::testoData(v).size() == 10 && !Fiscale::testoLuogo(v, tabella).isEmpty());

    // The place: the entry of the code, or no entry has that code.
    if (v.voce >= 0) {
        const Fiscale::TabellaCodici::Voce voce = tabella.voce(v.voce);
        // The days of the place span those of the name the decode shows.
        VERIFICA(voce.codice == v.catastale() && v.vita.primo <= voce.periodo.primo &&
                 v.vita.ultimo >= voce.periodo.ultimo);
        // Computed again from the decoded data, the code has the same date, sex and place.
        if (tabella.trovacod(voce.nome, voce.provincia, nascita) == v.catastale()) {
            const Fiscale::Esito e =
                Fiscale::CodiceFiscale(QStringLiteral("X"), QStringLiteral("X"), QString(QLatin1Char(v.sesso)), nascita,
                                       voce.nome, voce.provincia, tabella);
            VERIFICA(e.codice.mid(6, 9) == v.codiceBase().mid(6, 9));
        }
    } else {
        VERIFICA(!codiciCatastali.contains(v.catastale()));
    }

    // The omocodic forms: the code itself among them when it is one, and one of them, picked by the code,
    // decodes to the same data and base code (the unit tests go through all of them).
    const QStringList varianti = Fiscale::variantiOmocodiche(v);
    VERIFICA(varianti.size() == 127 && varianti.contains(normalizzato) == v.omocodico());
    int scelta = 0;
    for (char c : v.base)
        scelta += c;
    const Fiscale::Verifica o = Fiscale::verifica(varianti[scelta % 127], &indice, kOggi);
    VERIFICA(o.valido() && o.omocodico() && o.codiceBase() == v.codiceBase());
    VERIFICA(o.data() == nascita && o.sesso == v.sesso && o.voce == v.voce);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (tabella.carica(QStringLiteral(SPORTELLO_CODES_CF)) != 0 || tabella.numeroVoci() == 0) {
        std::fprintf(stderr, "cannot read %s\n", SPORTELLO_CODES_CF);
        std::abort();
    }
    indice.costruisci(tabella);
    for (int i = 0; i < tabella.numeroVoci(); ++i)
        codiciCatastali.insert(tabella.voce(i).codice);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    QStringList righe = Fuzz::testoDa(dati, n).split(u'\n');
    while (righe.size() < 3)
        righe.append(QString());
    const Fuzz::TestoEsatto codice(righe[0]), cognome(righe[1]), nome(righe[2]);

    const Fiscale::Verifica v = Fiscale::verifica(codice.testo(), &indice, kOggi);
    const QString normalizzato = Fiscale::testoNormalizzato(codice.testo());
    // Every character but the white space is kept and counted once; the first sixteen are the same.
    const QList<uint> tutti = QStringView(normalizzato).toUcs4();
    VERIFICA(v.codice.lunghezza == tutti.size());
    if (codice.testo().isValidUtf16()) {
        for (int i = 0; i < qMin(16, v.codice.lunghezza); ++i)
            VERIFICA(v.codice.caratteri[static_cast<size_t>(i)] == tutti[i]);
    }

    // A text of Latin-1 gives the same verification as its bytes, as a table's cell.
    const QString &testo = codice.testo();
    if (std::all_of(testo.begin(), testo.end(), [](QChar c) { return c.unicode() < 256; })) {
        const QByteArray latino = testo.toLatin1();
        const Fiscale::Verifica b = Fiscale::verifica(QLatin1StringView(latino), &indice, kOggi);
        VERIFICA(b.codice.lunghezza == v.codice.lunghezza && b.codice.caratteri == v.codice.caratteri &&
                 b.difetto == v.difetto && b.posizione == v.posizione && b.carattere == v.carattere &&
                 b.base == v.base && b.anno == v.anno && b.voce == v.voce && Fiscale::esito(b) == Fiscale::esito(v));
    }

    const QString esito = Fiscale::esito(v);
    VERIFICA(!esito.isEmpty());
    if (v.valido()) {
        verificaValido(v, normalizzato);
    } else {
        VERIFICA(!esito.startsWith(u"Codice valido") && Fiscale::testoSesso(v).isEmpty() &&
                 Fiscale::testoLuogo(v, tabella).isEmpty() && Fiscale::variantiOmocodiche(v).isEmpty());
        // A wrong check character is the only fault: the right one makes the code valid.
        if (v.difetto == Fiscale::Difetto::Controllo) {
            const QString giusto = normalizzato.left(15) + QChar(v.carattere);
            VERIFICA(Fiscale::verifica(giusto, &indice, kOggi).valido());
        }
    }

    const Fiscale::Confronto c = Fiscale::confronta(v, cognome.testo(), nome.testo());
    const QString confronto = Fiscale::testoConfronto(c);
    VERIFICA(confronto.isEmpty() == (!v.valido() || (!c.cognomeDato && !c.nomeDato)));
    VERIFICA(!c.cognomeDato || c.cognomeAtteso.size() == 3);
    VERIFICA(!c.nomeDato || c.nomeAtteso.size() == 3);
    return 0;
}
