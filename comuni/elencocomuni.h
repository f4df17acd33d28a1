#pragma once

#include <array>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "luoghi.h"

// The municipality directory read from codes.dat, and the search by name in it.
//
// A line of the file: name and province code "ROMA (RM)" in columns 1-40, the province's name in 42-59,
// the region in 61-79 and the telephone prefix in 80-83, each padded with spaces, and the postal code as
// the line's last 5 characters. Bytes are Windows-1252.
namespace ElencoComuni {

constexpr int kCapienza = 9001; // slots 0 to 9000
// A larger file is read up to here, as if it ended there: 9001 entries of ordinary lines take under 1 MiB.
constexpr qint64 kLimiteFile = qint64(16) * 1024 * 1024;

// The initial groups, in list order: A, B, C, D, E-F, G, H-I-J, L, M, N, O, P, Q, R, S, T, U, V, Z.
constexpr int kGruppi = 19;

// List positions, both ends included; ultimo < primo when no name has an initial of the group.
struct Blocco {
    int primo = 0;
    int ultimo = -1;
    bool vuoto() const { return ultimo < primo; }
};

// One column of details: kCapienza slots, empty until the load stores a text in them. Regions, provinces,
// prefixes and postal codes repeat across many lines, so each distinct text is kept once (a file made to
// defeat the loader's lookup may get some twice) and a slot holds its number: the whole directory stays
// small and quick to build.
class Colonna final
{
public:
    Colonna();
    // Slot i; empty for a slot never written and for any position outside 0 to kCapienza - 1.
    const QString &operator[](int i) const;
    qsizetype size() const { return kCapienza; }

    // Adds a distinct text and gives its number, for imposta.
    quint16 aggiungi(const QString &testo);
    void imposta(int slot, quint16 numero) { m_slot[slot] = numero; }

private:
    QStringList m_testi; // number 0 is the empty text
    std::vector<quint16> m_slot;
};

struct Elenco {
    QStringList nomi; // the list items, in file order, without leading or trailing spaces
    // Five parallel columns; slot i belongs to nomi[i], slots past the last name are empty.
    Colonna elencocap;
    Colonna elencosigle;
    Colonna elencoprovince; // 18 characters, trailing spaces kept
    Colonna elencoregioni;  // 19 characters, trailing spaces kept
    Colonna elencoprefissi; // 4 characters, trailing spaces kept
    // For each initial group, the first to the last position of a name starting with one of its letters.
    std::array<Blocco, kGruppi> blocchi;
};

struct Caricamento {
    Elenco elenco;
    int errore = 0; // 0, or the number of the failure met while opening the file (53, 71, 72, ...)
};

// Reads codes.dat from `percorso`. Lines are read until the one that reaches the end of the file (never
// stored), an empty name field (under 5 characters once trimmed) or the capacity; a failure while reading
// keeps the entries read before it, without any error.
Caricamento caricacomuni(const QString &percorso);

// The same on bytes already read. `interi` false: the bytes stop at a read failure, not at the end of the
// file, so a complete line at their end is still stored.
Elenco leggi(const QByteArray &dati, bool interi = true);

// The list's rows: the names, and the province after each name that more than one municipality bears,
// "CASTRO (BG)", "CASTRO (LE)".
QStringList voci(const Elenco &elenco);

// The group of an initial (0 for A ... 18 for Z), -1 for K, W, X, Y and anything outside A to Z.
int gruppo(QChar iniziale);

// Spaces only, as the names are padded: a tab or another blank is part of the text.
QString togliSpazi(const QString &testo);

enum class Esito {
    Niente,     // empty text, or spaces only: nothing happens
    NonTrovato, // "Comune non trovato"
    Trovato,
};

struct Ricerca {
    Esito esito = Esito::Niente;
    int posizione = -1;
};

// The name typed by the user, upper-cased by Windows-1252 rules, compared whole with the names of its
// initial's block: the first equal one wins. Only the first 40 characters take part.
Ricerca cerca(const Elenco &elenco, const QString &testo);

// The search that follows cerca when it finds nothing: five digits by any postal code of a municipality,
// any other text by the name as people write it (Luoghi::Indice over the directory's names and the other
// names of luoghi.dat), then as clerks write it (Luoghi::Indice::cercaComeScritto). luoghi.dat is read, and
// the index built, only when first needed; `sigla` (when given) keeps the municipalities of that province.
// The positions found, in list order; several are a choice to offer.
class RicercaTollerante
{
public:
    explicit RicercaTollerante(QString fileLuoghi = QString())
        : m_file(std::move(fileLuoghi))
    {}
    std::vector<int> cerca(const Elenco &elenco, const QString &testo, const QString &sigla = QString()) const;
    // When cerca finds nothing: the municipalities whose names are one or two letters off (Milamo: MILANO).
    // To offer ("Forse cercavi"), even one alone, never to take.
    std::vector<int> proposte(const Elenco &elenco, const QString &testo, const QString &sigla = QString()) const;
    // The postal codes only (loads luoghi.dat the first time).
    std::vector<int> perCap(const Elenco &elenco, const QString &cap) const;

private:
    const Luoghi::Dati &dati() const;
    const Luoghi::Indice &indice(const Elenco &elenco) const;
    QString m_file;
    mutable bool m_datiLetti = false;
    mutable Luoghi::Dati m_dati;
    mutable bool m_indicePronto = false;
    mutable Luoghi::Indice m_indice;
};

// What the five display boxes show for list position i.
struct Dettagli {
    QString cap;       // Codice
    QString sigla;     // Text1
    QString provincia; // Text2
    QString regione;   // Text3, with "FRIULI VENEZIA GIULIA" in full
    QString prefisso;  // Text4
};
Dettagli dettagli(const Elenco &elenco, int posizione);

// The region column holds 19 characters: "FRIULI VENEZIA GIUL" (in any case) stands for the whole name.
QString regioneIntera(const QString &regione);

constexpr int kFigure = 21; // 1 the plain map, 2-21 one region each

// The map picture for the region shown in Text3: 1 when it is empty, 2-21 for a region of the table,
// 0 (no picture) for any other text.
int figuraRegione(const QString &regione);

} // namespace ElencoComuni
