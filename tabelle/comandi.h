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

#include "tabellacsv.h"
#include "elencocomuni.h"
#include "partitaiva.h"
#include "ricercacomune.h"
#include "ricercaluoghi.h"
#include "riconoscidata.h"
#include "tabellacodici.h"
#include "verificacf.h"

// The commands of sportello-cli over one row of a table (or one value of the command line): the logic of
// the windows, with their messages, on values instead of controls.
namespace Tabelle {

// A column the command reads, by its own name ("data_nascita"); optional ones may be missing.
struct Colonna {
    QString nome;
    bool obbligatoria = true;
    bool data = false; // a date: the table decides the order of day and month from all its values
};

// What the byte path did with a row.
enum class Rapido {
    NonGestito, // nothing written: the general path takes the row
    Fatto,      // new columns written, no esito
    ConEsito,   // new columns written, with an esito
};

// A value quoted in a message: «...», at most a short excerpt, control characters as "?".
QString citazione(const QString &valore);

// "M" or "F" for a sex as people write it (M/F in any case, maschio/femmina, maschile/femminile,
// uomo/donna, male/female); empty for anything else.
QString sessoNormale(const QString &testo);

// Spaces and tabs around a value are not part of it.
QByteArrayView taglia(QByteArrayView valore);
QString taglia(const QString &valore);

class Comando
{
public:
    virtual ~Comando() = default;
    virtual std::vector<Colonna> ingresso() const = 0;
    // The columns added to the table, in order; one of them is "esito", empty when the row is fine.
    virtual QStringList uscita() const = 0;
    int colonnaEsito() const { return static_cast<int>(uscita().indexOf(QStringLiteral("esito"))); }
    // The new columns from the values of the input columns (trimmed; empty for a missing optional one).
    virtual QStringList elabora(const QStringList &valori) const = 0;
    // The same on the table's bytes for the common case, written straight to `uscita`, each new value
    // after a separator. Must give exactly what elabora gives.
    virtual Rapido elaboraByte(const std::vector<QByteArrayView> &valori, Csv::Codifica codifica,
                               Csv::Scrittore &uscita) const;
    // How to read the dates of input column `colonna` (one marked data), before the first row.
    virtual void ordineDate(size_t colonna, Fiscale::OrdineData ordine);
};

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
    QStringList elabora(const QStringList &valori) const override;
    Rapido elaboraByte(const std::vector<QByteArrayView> &valori, Csv::Codifica codifica,
                       Csv::Scrittore &uscita) const override;
    void ordineDate(size_t colonna, Fiscale::OrdineData ordine) override;

    // A date as the window reads it under Italian settings, and as sheets write it (Fiscale::leggiDataTabella),
    // day and month in the order set by ordineDate.
    std::optional<QDate> leggiData(const QString &testo) const;

private:
    const Fiscale::TabellaCodici &m_tabella;
    QDate m_oggi;
    Fiscale::RicercaLuoghi m_luoghi;
    Fiscale::OrdineData m_ordine = Fiscale::OrdineData::GiornoMese;
    QLocale m_italiano{QLocale::Italian, QLocale::Italy};
    // For every Windows-1252 byte: the letter that compattastringa makes of it ('A'-'Z'), 0 when it drops
    // it, 1 for any other character; and its upper case (0 when it has none in the code page).
    std::array<unsigned char, 256> m_lettera{};
    std::array<unsigned char, 256> m_maiuscola{};
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
    QStringList elabora(const QStringList &valori) const override;
    Rapido elaboraByte(const std::vector<QByteArrayView> &valori, Csv::Codifica codifica,
                       Csv::Scrittore &uscita) const override;

    // The comune column: the name, or for a suppressed municipality what the window shows of it.
    static QString testoComune(const Fiscale::Luogo &luogo);

private:
    // Whether a surname (or a name) in the table's bytes gives the three `lettere` of the code; true when
    // it is empty, false also when the byte path cannot tell.
    bool nomeCorrisponde(QByteArrayView valore, bool delNome, bool utf8, const char *lettere) const;

    const Fiscale::TabellaCodici &m_tabella;
    Fiscale::IndiceCatastale m_indice;
    QDate m_oggi;
    int m_annoOggi = 0, m_meseOggi = 0, m_giornoOggi = 0;
    std::array<unsigned char, 256> m_lettera{}; // as in Calcola
    std::array<bool, 256> m_spazio{};           // Windows-1252 bytes that are white space
    // The comune and provincia columns of the entries of the table, in each encoding, ready to be written.
    enum class Voce : quint8 { DaPreparare, Semplice, DaVirgolettare };
    void prepara(int voce) const;
    mutable std::vector<QByteArray> m_comuniUtf8, m_comuniCp1252, m_province;
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
    QStringList elabora(const QStringList &valori) const override;
    Rapido elaboraByte(const std::vector<QByteArrayView> &valori, Csv::Codifica codifica,
                       Csv::Scrittore &uscita) const override;
    // The result line for one number as a sheet keeps it ("IT 00743110157"): the window's sentences.
    QString responso(const QString &numero) const;

private:
    PartitaIva::Uffici m_uffici;
    std::vector<QByteArray> m_ufficiUtf8, m_ufficiCp1252;
    std::vector<QByteArray> m_esitiUfficio; // for each office code 0-999: its esito, empty for an office
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
    QStringList elabora(const QStringList &valori) const override;

private:
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
