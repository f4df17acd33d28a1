// The computation of the fiscal code and its helpers on arbitrary fields, over the cadastral table that
// ships with the program.
//
// The input is six lines: surname, name, sex, date of birth, municipality, province. The date is read as
// the window reads it, or, after a "#", is a Julian day number, to reach dates the window never passes.

#include <cstdlib>

#include <QStringList>

#include "calcolo.h"
#include "cp1252.h"
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

// compattastringa drops the spaces, keeps one character for every other one, gives only characters of the
// code page in upper case, and leaves its own result as it is.
void verificaCompatta(const QString &testo)
{
    const Fuzz::TestoEsatto esatto(testo);
    const QString compatto = Fiscale::compattastringa(esatto.testo());
    VERIFICA(compatto.size() == testo.size() - testo.count(u' '));
    for (QChar c : compatto) {
        VERIFICA(c != u' ' && Cp1252::byteDi(c) >= 0);
        VERIFICA(!(c >= u'a' && c <= u'z'));
    }
    VERIFICA(Fiscale::compattastringa(compatto) == compatto);
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

    if (esito.codice == Fiscale::kAsterischi) {
        VERIFICA(esito.errore >= 0 && esito.errore <= 5 && !esito.messaggio.isEmpty());
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
