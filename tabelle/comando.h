#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

#include "elencocomuni.h"
#include "riconoscidata.h"
#include "tabellacodici.h"
#include "tabellacsv.h"

// A command over the rows of a table (or a value of the command line): the values of its input columns
// in, one record of its new columns out, which each output (CSV, .xlsx, the command line) writes as it
// writes.
namespace Tabelle {

// A column the command reads, by its own name ("data_nascita"); optional ones may be missing.
struct Colonna {
    QString nome;
    bool obbligatoria = true;
    bool data = false; // a date: the table decides the order of day and month from all its values
};

// The values of the input columns of one row: each text trimmed, in the table's encoding (empty for a
// column the table lacks), and for a date cell of a sheet the date itself, whose day and month are known.
class Valori
{
public:
    Valori() = default;
    Valori(size_t colonne, Csv::Codifica codifica) { prepara(colonne, codifica); }
    void prepara(size_t colonne, Csv::Codifica codifica);

    std::vector<QByteArrayView> testi;
    std::vector<QDate> date; // null but for a date cell
    Csv::Codifica codifica = Csv::Codifica::Utf8;
    bool foglio = false; // the values are a sheet's cells: a number is never a day number there

    QByteArrayView testo(size_t colonna) const { return testi[colonna]; }
    QDate data(size_t colonna) const { return date[colonna]; }
    // The text as a string.
    QString stringa(size_t colonna) const;
    bool vuoti() const;

    // Values of the command line, or of a test: text already trimmed, held here in UTF-8.
    static Valori daTesti(const QStringList &testi, size_t colonne);

private:
    std::vector<QByteArray> m_tenuti;
};

// The new columns of one row as a command fills them: each a text in UTF-8, empty unless set; one of them is
// the esito, empty when the row is fine. A value marked semplice (testoSemplice) is ASCII and never needs
// quotes in a CSV: it is written as it is.
class Risultato
{
public:
    void prepara(int colonne, int esito);
    void pulisci();
    int colonne() const { return static_cast<int>(m_campi.size()); }
    int colonnaEsito() const { return m_esito; }

    // The value copied in.
    void imposta(int colonna, QByteArrayView utf8, bool semplice = false)
    {
        Campo &c = m_campi[static_cast<size_t>(colonna)];
        c.fuori = nullptr;
        c.inizio = m_usati;
        c.lunghezza = utf8.size();
        c.semplice = semplice;
        if (m_usati + utf8.size() > static_cast<qsizetype>(m_testo.size()))
            m_testo.resize(static_cast<size_t>(2 * (m_usati + utf8.size())));
        if (!utf8.isEmpty())
            std::memcpy(m_testo.data() + m_usati, utf8.data(), static_cast<size_t>(utf8.size()));
        m_usati += utf8.size();
    }
    void imposta(int colonna, const QString &testo);
    // A value whose bytes stay where they are until the row is written (a text the command keeps).
    void rimanda(int colonna, QByteArrayView utf8, bool semplice = false)
    {
        Campo &c = m_campi[static_cast<size_t>(colonna)];
        c.fuori = utf8.data();
        c.inizio = 0;
        c.lunghezza = utf8.size();
        c.semplice = semplice;
    }
    void esito(const QString &testo) { imposta(m_esito, testo); }

    QByteArrayView valore(int colonna) const
    {
        const Campo &c = m_campi[static_cast<size_t>(colonna)];
        return QByteArrayView(c.fuori ? c.fuori : m_testo.data() + c.inizio, c.lunghezza);
    }
    bool semplice(int colonna) const { return m_campi[static_cast<size_t>(colonna)].semplice; }
    QByteArrayView esito() const { return m_esito >= 0 ? valore(m_esito) : QByteArrayView(); }
    QString testo(int colonna) const { return QString::fromUtf8(valore(colonna)); }
    QStringList testi() const;
    // Whether a text is semplice: ASCII without a character that a CSV would quote.
    static bool testoSemplice(QByteArrayView utf8);

private:
    struct Campo {
        const char *fuori = nullptr; // the bytes of rimanda, else in m_testo from inizio
        qsizetype inizio = 0, lunghezza = 0;
        bool semplice = false;
    };
    std::vector<Campo> m_campi;
    std::vector<char> m_testo; // the values copied in, the first m_usati bytes
    qsizetype m_usati = 0;
    int m_esito = -1;
};

class Comando
{
public:
    virtual ~Comando() = default;
    // The command's name, by which the registry makes it ("partita-iva"); it names its columns when they
    // clash with the table's. Empty for a command made otherwise.
    const QString &nome() const { return m_nome; }
    void impostaNome(const QString &nome) { m_nome = nome; }

    virtual std::vector<Colonna> ingresso() const = 0;
    // The columns added to the table, in order; one of them is "esito".
    virtual QStringList uscita() const = 0;
    int colonnaEsito() const { return static_cast<int>(uscita().indexOf(QStringLiteral("esito"))); }
    // The new columns of one row into `risultato`, prepared for them and empty.
    virtual void elabora(const Valori &valori, Risultato &risultato) const = 0;
    // How to read the dates of input column `colonna` (one marked data), before the first row.
    virtual void ordineDate(size_t colonna, Fiscale::OrdineData ordine);
    // The answer for one value of the command line as the command's window words it, when it has one of its
    // own ("Il codice è esatto! ..."); empty otherwise.
    virtual QString responso(const QStringList &valori) const;

    // The new columns of values given as text (the command line, tests).
    QStringList elaboraTesti(const QStringList &valori) const;

private:
    QString m_nome;
};

// A value quoted in a message: «...», at most a short excerpt, control characters as "?".
QString citazione(const QString &valore);

// "M" or "F" for a sex as people write it (M/F in any case, maschio/femmina, maschile/femminile,
// uomo/donna, male/female); empty for anything else.
QString sessoNormale(const QString &testo);

// True when every byte is ASCII.
bool ascii(QByteArrayView testo);

// Spaces and tabs around a value are not part of it.
QByteArrayView taglia(QByteArrayView valore);
QString taglia(const QString &valore);

// The data the commands read, loaded once and kept for as long as the commands made from them live.
struct DatiComandi {
    Fiscale::TabellaCodici tabella; // codes.cf: calcola, verifica
    ElencoComuni::Elenco elenco;    // codes.dat: comune
};

// The commands of sportello-cli, listed once: each with its help and, for those over tables, how the
// window lists it and how it is made.
struct VoceComando {
    const char *nome;
    const char *sintassi;    // the values on the command line
    const char *descrizione; // what it does, its columns
    const char *operazione;  // as the window lists it; null for a command that takes no table
    // Made with its data loaded into `dati` (from the files beside the program) when not yet there; null
    // with `errore` set (a data file missing or damaged, in Italian, one line). Null for a command that
    // takes no table.
    std::unique_ptr<Comando> (*crea)(DatiComandi &dati, QString *errore);
    bool date; // it has a column of dates, whose order of day and month can be given
};
const std::vector<VoceComando> &elencoComandi();
const VoceComando *voceComando(const QString &nome);

// The command over tables called `nome`; null with `errore` set, for a data file or for another name.
std::unique_ptr<Comando> creaComando(const QString &nome, DatiComandi &dati, QString *errore);

} // namespace Tabelle
