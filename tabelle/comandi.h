#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QByteArrayView>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "calcolo.h"
#include "calcolorapido.h"
#include "comando.h"
#include "elencocomuni.h"
#include "partitaiva.h"
#include "ricercacomune.h"
#include "ricercaluoghi.h"
#include "riconoscidata.h"
#include "tabellacodici.h"
#include "verificacf.h"

// The commands of sportello-cli over one row of a table (or one value of the command line): the logic of
// the windows, with their messages, on values instead of controls. Each row goes one way: the common case
// through the fast paths of the libraries (Fiscale::CalcoloRapido, a code of ASCII, a VAT number of ASCII),
// and the same computation on text otherwise.
namespace Tabelle {

// Fiscal code from cognome, nome, sesso (as sessoNormale reads it), data_nascita, comune, provincia (a sigla of
// any time, a name, or nothing where none is needed; Fiscale::risolviLuogo): codice_fiscale and esito.
class Calcola final : public Comando
{
public:
    // `oggi` gives the year of a date typed without one; `fileLuoghi` (luoghi.dat) the other names of places.
    explicit Calcola(const Fiscale::TabellaCodici &tabella, QDate oggi = QDate::currentDate(),
                     const QString &fileLuoghi = QString());
    std::vector<Colonna> ingresso() const override;
    QStringList uscita() const override;
    void elabora(const Valori &valori, Risultato &risultato) const override;
    void ordineDate(size_t colonna, Fiscale::OrdineData ordine) override;

    // A date as the window reads it under Italian settings, and as sheets write it (Fiscale::leggiDataTabella),
    // day and month in the order set by ordineDate; a number alone a day number only from a text.
    std::optional<QDate> leggiData(const QString &testo,
                                   Fiscale::OrigineData origine = Fiscale::OrigineData::Testo) const;

private:
    bool rapido(const Valori &valori, Risultato &risultato) const;
    void generale(const Valori &valori, Risultato &risultato) const;
    QString forseCap(const QString &comune, const QString &provincia, const QDate &data) const;

    const Fiscale::TabellaCodici &m_tabella;
    QDate m_oggi;
    int m_giornoOggi; // today as Fiscale::giornoDi counts, for the common case
    Fiscale::RicercaLuoghi m_luoghi;
    Fiscale::OrdineData m_ordine = Fiscale::OrdineData::GiornoMese;
    Fiscale::CalcoloRapido m_rapido;
};

// Fiscal code check from codice_fiscale (and, to compare, cognome and nome): esito, sesso, data_nascita,
// comune, provincia, codice_base and avviso, as the verification window shows them. The esito is empty for
// a valid code whose place is known and whose surname and name, when given, match; avviso says when that
// place had ceased before the birth, without changing the esito.
class VerificaCmd final : public Comando
{
public:
    // `oggi` decides the century of the year of birth.
    explicit VerificaCmd(const Fiscale::TabellaCodici &tabella, QDate oggi = QDate::currentDate());
    std::vector<Colonna> ingresso() const override;
    QStringList uscita() const override;
    void elabora(const Valori &valori, Risultato &risultato) const override;

    // The comune column: the name, or for a suppressed municipality what the window shows of it.
    static QString testoComune(const Fiscale::Luogo &luogo);

private:
    // Whether the surname and name of the row, when given, give the letters of the code; the esito that
    // says how they differ, empty when they match.
    QString confronto(const Valori &valori, const Fiscale::Verifica &v) const;
    bool corrispondeRapido(QByteArrayView valore, Csv::Codifica codifica, bool delNome, const char *lettere) const;

    const Fiscale::TabellaCodici &m_tabella;
    Fiscale::IndiceCatastale m_indice;
    QDate m_oggi;
    Fiscale::CalcoloRapido m_rapido;
    // The comune and provincia columns of each entry of the table in UTF-8, made the first time a code names
    // it: a single code on the command line does not pay for the whole table.
    struct Voce {
        bool pronta = false;
        bool semplice = false; // written in a CSV as they are
        QByteArray comune, provincia;
    };
    const Voce &voce(int indice) const;
    mutable std::vector<Voce> m_voci;
};

// VAT number from partita_iva, as sheets keep it (an "IT" prefix, spaces, dots and dashes dropped): esito
// and ufficio.
class PartitaIvaCmd final : public Comando
{
public:
    PartitaIvaCmd();
    std::vector<Colonna> ingresso() const override;
    QStringList uscita() const override;
    void elabora(const Valori &valori, Risultato &risultato) const override;
    // The result line for one number as a sheet keeps it ("IT 00743110157"): the window's sentences.
    QString responso(const QStringList &valori) const override;

private:
    PartitaIva::Uffici m_uffici;
    std::vector<QByteArray> m_ufficiUtf8;
    std::vector<bool> m_ufficiSemplici;
    std::array<QByteArray, 10> m_esitiCifra;     // for each check digit due
    std::array<QByteArray, 1000> m_esitiUfficio; // for each office code that names no office
};

// Municipality from comune or cap (and, to choose among namesakes, provincia): denominazione (the official
// name found), cap, provincia (whole), sigla, regione, prefisso, esito and avviso. The name alone when no other
// municipality has it; else with the province (a sigla of any time or its name), in its column or in brackets
// ("SAMONE (TO)"); a former name gives today's municipality, avviso saying what became of the name
// (ElencoComuni::RicercaComune). A name not found as it is written is looked up as people write it, and five
// digits as a postal code (`fileLuoghi`: luoghi.dat). `fileCodici`: codes.cf, the history of the names, read
// when first needed; empty for the one beside the program.
class ComuneCmd final : public Comando
{
public:
    explicit ComuneCmd(const ElencoComuni::Elenco &elenco, const QString &fileLuoghi = QString(),
                       const QString &fileCodici = QString());
    std::vector<Colonna> ingresso() const override;
    QStringList uscita() const override;
    void elabora(const Valori &valori, Risultato &risultato) const override;

private:
    QStringList trova(const QStringList &valori) const;
    QString forseCap(const QString &nome, const QString &sigla) const;
    int tollerante(const QString &nome, const QString &sigla, QString &esito) const;

    const ElencoComuni::Elenco &m_elenco;
    ElencoComuni::RicercaComune m_ricerca;
    ElencoComuni::RicercaTollerante m_tollerante;
};

// A single answer of the command line: the text to print, or the reason it cannot be given.
struct Risposta {
    QString testo;
    QString errore;
};

// `importo` of `valuta` in euros ("5,16"), or with `daEuro` an amount in euros and cents in the currency.
// The currency by name, by the start of its name when that is unique, or by its ISO code (ITL, DEM...).
Risposta euro(const QString &importo, const QString &valuta, bool daEuro);

// The international prefix of a country, by name or by the start of its name when that is unique.
Risposta prefisso(const QString &paese);

} // namespace Tabelle
