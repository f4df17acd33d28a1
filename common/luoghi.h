#pragma once

#include <memory>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

// Places as people write them, for the search that runs after an exact search by name has found nothing:
// accents left out or written as an apostrophe, apostrophes, hyphens and spaces as typed or left out, the
// other names of a municipality (other-language and double names, short forms) and its postal codes.
//
// The other names and the postal codes come from luoghi.dat, beside the program (written by
// tools/gen_data.py): UTF-8 lines of four fields separated by ';', "A;Bozen;BOLZANO;BZ" (another name; of a
// foreign state too, "A;USA;STATI UNITI D'AMERICA;EE") or "C;00184;ROMA;RM" (a postal code), after comment
// lines starting with '#'.
//
// When that search finds nothing, the forms clerks write (formescritte.cpp): a postal code as the place,
// abbreviations (S. for San, Sta for Santa, St. for Saint), either half of a double name ("Meran/Merano"),
// the start of a name (Lamezia), and, only to be offered, names one or two letters off (Milamo).
namespace Luoghi {

// More places than this found by a clerk's form, a start of a name or a near spelling tell nothing: none is
// offered.
inline constexpr size_t kMassimoScelte = 10;

// A name reduced to what the tolerant search compares: letters and digits only, upper case, accents
// dropped (ß as SS). "L'Aquila", "L AQUILA" and "laquila" give "LAQUILA"; "Forlì" and "FORLI'" give "FORLI".
QString forma(QStringView testo);
// The form of one character appended to `f`: nothing for a character that forma drops.
void appendiForma(QString &f, QChar c);

// A place of the caller's table: its name and province as that table has them, and a number of the
// caller's (a list position).
struct Luogo {
    QString nome;
    QString sigla;
    int dato = -1;
};

// The contents of luoghi.dat.
class Dati
{
public:
    // Reads the file; 0, or the error number of ErroriFile when it cannot be read. Lines that do not have
    // the four fields are skipped.
    int carica(const QString &percorso);
    void analizza(const QByteArray &dati);

    struct AltroNome {
        QString nome; // as people write it, "Bozen"
        QString comune, sigla;
    };
    const std::vector<AltroNome> &altriNomi() const { return m_altri; }
    // The municipalities (name and province, dato -1) that have the postal code `cap` (five digits).
    std::vector<Luogo> perCap(QStringView cap) const;
    qsizetype numeroCap() const { return static_cast<qsizetype>(m_cap.size()); }

private:
    // The file's bytes; a postal code points at its "NAME;SIGLA" there, made a text only when asked for.
    QByteArray m_dati;
    struct Cap {
        quint32 codice;
        quint32 inizio;
        quint32 lunghezza;
    };
    std::vector<Cap> m_cap; // by code
    std::vector<AltroNome> m_altri;
};

// True for five digits, the form of a postal code.
bool eCap(QStringView testo);

// The tolerant search over the places of one table.
class Indice
{
public:
    // `taglio`: the table keeps names cut to that many characters (codes.cf: 20), 0 when whole.
    explicit Indice(int taglio = 0)
        : m_taglio(taglio)
    {}

    // A place of the table; the same name and province twice is one place (the first `dato`).
    void aggiungi(const QString &nome, const QString &sigla, int dato);
    // The other names of the places already added. A place whose name was cut is given its whole name
    // here, which cerca then answers.
    void aggiungiAltriNomi(const Dati &dati);
    bool vuoto() const { return m_luoghi.empty(); }

    // The places that `testo` names as people write it: the same form (see forma) as their name or one of
    // their other names; for a cut name, a form that starts with the cut one's. With `sigla` (any case),
    // only the places of that province. Each place once, in the order added.
    std::vector<Luogo> cerca(QStringView testo, QStringView sigla = {}) const;

    // The places of the table that have the postal code `cap` (five digits) in `dati`, with `sigla` as above.
    std::vector<Luogo> perCap(const Dati &dati, QStringView cap, QStringView sigla = {}) const;
    // After cerca has found nothing: the places that `testo` names as clerks write it, with abbreviations
    // (S., Sta, SS., St. ...), as either half of a double name, or as the start of a name, whole words
    // only ("Lamezia", "Kaltern"). With `sigla` as above; each place once, in the order added; none when
    // more than kMassimoScelte.
    std::vector<Luogo> cercaComeScritto(QStringView testo, QStringView sigla = {}) const;
    // The places whose name, or one of its other names, is one or two letters off `testo` (one for a text
    // of four or five letters, none below): those of the least distance, none when more than kMassimoScelte.
    // To offer, never to take alone.
    std::vector<Luogo> vicini(QStringView testo, QStringView sigla = {}) const;

private:
    struct Scritture;
    const Scritture &scritture() const;
    void aggiungiForma(const QString &f, int luogo);
    // The place of a name and province as luoghi.dat writes them (the name whole), -1 when none.
    int luogoDi(const QString &nome, const QString &sigla) const;
    // The places named by a form: with it, or, for a cut name, starting with the cut one's.
    std::vector<int> perForma(const QString &f) const;
    std::vector<Luogo> risultati(const std::vector<int> &posti, QStringView sigla) const;
    std::vector<int> cercaParte(QStringView testo) const;

    int m_taglio;
    std::vector<Luogo> m_luoghi;
    QHash<QString, std::vector<int>> m_perForma;
    QHash<QString, int> m_perNome;                    // "NOME;SIGLA" -> place
    std::vector<std::pair<QString, int>> m_tagliati;  // forms of names that fill the cut
    QHash<int, QString> m_interi;                     // whole names of cut ones, from luoghi.dat
    std::vector<std::pair<QString, int>> m_altriNomi; // the other names as written, for the clerk's forms
    // The tables of the clerk's forms, built at their first search; shared by copies, as they never change.
    mutable std::shared_ptr<const Scritture> m_scritture;
};

// "ROMA (RM), ROMA (..)": the places as the messages list them.
QString elenco(const std::vector<Luogo> &luoghi);

} // namespace Luoghi
