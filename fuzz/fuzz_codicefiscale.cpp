// The computation of the fiscal code and its helpers on arbitrary fields, over the cadastral table that
// ships with the program, and the searches that follow a place not found (with luoghi.dat).
//
// The input is six lines: surname, name, sex, date of birth, municipality, province. The date is read as
// the window reads it, or, after a "#", is a Julian day number, to reach dates the window never passes.
// The path for tables of many rows (Fiscale::CalcoloRapido, on Windows-1252 bytes) gives the same code
// whenever it gives one.

#include <cstdlib>

#include <QStringList>

#include "calcolo.h"
#include "calcolorapido.h"
#include "cp1252.h"
#include "ricercaluoghi.h"
#include "riconoscidata.h"
#include "supporto_fuzz.h"

namespace {

Fiscale::TabellaCodici tabella;

bool lettera(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

bool cifra(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int dueCifre(QStringView testo)
{
    return (testo[0].unicode() - u'0') * 10 + (testo[1].unicode() - u'0');
}

// compattastringa drops the spaces, keeps one character or a few letters (ß: SS, ﬃ: FFI) for every other
// one, gives only characters of the code page in upper case, and leaves its own result as it is.
void verificaCompatta(const QString &testo)
{
    const Fuzz::TestoEsatto esatto(testo);
    const QString compatto = Fiscale::compattastringa(esatto.testo());
    const qsizetype altri = testo.size() - testo.count(u' ');
    VERIFICA(compatto.size() >= altri && compatto.size() <= 4 * altri);
    for (QChar c : compatto) {
        VERIFICA(c != u' ' && Cp1252::byteDi(c) >= 0);
        VERIFICA(!(c >= u'a' && c <= u'z'));
    }
    VERIFICA(Fiscale::compattastringa(compatto) == compatto);
}

// The code of the fast path, for texts of the code page and a place found as typed.
void verificaRapido(const QString &cognome, const QString &nome, const QString &sesso, const QDate &data,
                    const QString &comune, const QString &provincia, const Fiscale::Esito &esito)
{
    static const Fiscale::CalcoloRapido rapido;
    const QString maschio = Cp1252::maiuscole(sesso);
    if (!data.isValid() || cognome.isEmpty() || nome.isEmpty() || (maschio != u"M" && maschio != u"F"))
        return;
    QByteArray testi[4];
    const QString campi[4] = {cognome, nome, comune, provincia};
    for (int i = 0; i < 4; ++i) {
        for (QChar c : campi[i]) {
            const int b = Cp1252::byteDi(c);
            if (b < 0)
                return;
            testi[i] += static_cast<char>(b);
        }
    }
    if (!rapido.maiuscole(testi[2].data(), testi[2].size()) || !rapido.maiuscole(testi[3].data(), testi[3].size()))
        return;
    const std::optional<QByteArrayView> catastale = tabella.trovacodByte(testi[2], testi[3], Fiscale::giornoDi(data));
    char codice[16];
    if (!catastale || testi[2].isEmpty() || testi[3].isEmpty() ||
        !rapido.codice(testi[0], testi[1], maschio == u"F", data.day(), data.month(), data.year(), *catastale, codice))
        return;
    VERIFICA(esito.codice == QString::fromLatin1(codice, 16));
}

// The searches that follow a place not found: every place they give is a key of the table, of the province
// asked for, with a code for the date; no more than a choice can offer.
void verificaLuoghi(const QString &comune, const QString &provincia, const QDate &data)
{
    static const Fiscale::RicercaLuoghi ricerca(QStringLiteral(SPORTELLO_LUOGHI_DAT));
    const QString sigla = provincia.trimmed().toUpper();
    const std::vector<Luoghi::Luogo> proposte = ricerca.proposte(tabella, comune, provincia, data);
    VERIFICA(proposte.size() <= Luoghi::kMassimoScelte);
    for (const auto &luoghi : {ricerca.cerca(tabella, comune, provincia, data), proposte}) {
        for (const Luoghi::Luogo &l : luoghi) {
            VERIFICA(tabella.trovacod(l.nome, l.sigla, data) != Fiscale::kNonTrovato);
            VERIFICA(sigla.isEmpty() || l.sigla == sigla);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (tabella.carica(QStringLiteral(SPORTELLO_CODES_CF)) != 0 || tabella.numeroVoci() == 0) {
        std::fprintf(stderr, "cannot read %s\n", SPORTELLO_CODES_CF);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    QStringList campi = Fuzz::testoDa(dati, n).split(u'\n');
    while (campi.size() < 6)
        campi.append(QString());
    const QString &cognome = campi[0], &nome = campi[1], &sesso = campi[2], &testoData = campi[3], &comune = campi[4],
                  &provincia = campi[5];

    QDate data;
    if (testoData.startsWith(u'#'))
        data = QDate::fromJulianDay(QStringView(testoData).mid(1).toLongLong());
    else
        data = Fiscale::riconosciData(testoData, QLocale(QLocale::Italian, QLocale::Italy), QDate(2024, 5, 17))
                   .value_or(QDate());

    verificaCompatta(cognome);
    verificaCompatta(nome);

    const Fuzz::TestoEsatto c(cognome), nm(nome), s(sesso), cm(comune), p(provincia);
    const Fiscale::Esito esito =
        Fiscale::CodiceFiscale(c.testo(), nm.testo(), s.testo(), data, cm.testo(), p.testo(), tabella);
    verificaRapido(c.testo(), nm.testo(), s.testo(), data, cm.testo(), p.testo(), esito);

    if (esito.codice == Fiscale::kAsterischi) {
        VERIFICA(esito.errore >= 0 && esito.errore <= 5 && !esito.messaggio.isEmpty());
        if (esito.errore == 5)
            verificaLuoghi(cm.testo(), p.testo(), data);
        return 0;
    }
    // Every code of the table has four characters, so a computed code has sixteen and passes its own check.
    const QString &codice = esito.codice;
    VERIFICA(esito.errore == 0 && esito.messaggio.isEmpty());
    VERIFICA(codice.size() == 16);
    VERIFICA(Fiscale::ControllaCodiceFiscale(codice));
    VERIFICA(Fiscale::carattereControllo(QStringView(codice).left(15)) == codice[15]);
    for (int i = 0; i < 6; ++i)
        VERIFICA(lettera(codice[i]));
    VERIFICA(cifra(codice[6]) && cifra(codice[7]) && cifra(codice[9]) && cifra(codice[10]));
    VERIFICA(data.isValid() && dueCifre(QStringView(codice).mid(6, 2)) == std::abs(data.year() % 100));
    VERIFICA(codice[8] == QStringView(u"ABCDEHLMPRST")[data.month() - 1]);
    const bool maschio = Cp1252::maiuscole(sesso) == u"M";
    VERIFICA(dueCifre(QStringView(codice).mid(9, 2)) == data.day() + (maschio ? 0 : 40));
    // The place found, looked up again as the table has it, gives the same code on that day.
    VERIFICA(esito.luogo.trovato() && codice.mid(11, 4) == esito.luogo.codice);
    VERIFICA(tabella.trovacod(esito.luogo.nome, esito.luogo.sigla, data) == esito.luogo.codice);

    // The same code with its last character changed, or in lower case, fails the check.
    QString alterato = codice;
    alterato[15] = codice[15] == u'A' ? u'B' : u'A';
    VERIFICA(!Fiscale::ControllaCodiceFiscale(alterato));
    VERIFICA(!Fiscale::ControllaCodiceFiscale(codice.toLower()));
    return 0;
}
