// The reader of codes.dat on arbitrary bytes, and the search and the details over what it read.
//
// The first byte chooses how the rest is handed to the reader: bit 0 set, the bytes stopped at a read
// failure rather than at the end of the file; bits 2-5 all set, the rest repeated until it holds more lines
// than the 9001 slots, so that the capacity is met. The rest is the file; its first 60 bytes are also
// typed into the search box.

#include <algorithm>
#include <cstring>

#include "cp1252.h"
#include "elencocomuni.h"
#include "supporto_fuzz.h"

namespace {

using namespace ElencoComuni;

// Entries searched by their own name, spread over the list.
constexpr int kConfronti = 64;
// A repeated file stays below this size.
constexpr size_t kMassimoRipetuto = 1u << 20;

bool senzaSpaziAiLati(const QString &testo)
{
    return !testo.startsWith(u' ') && !testo.endsWith(u' ');
}

bool inGruppo(const QString &nome, int g)
{
    return !nome.isEmpty() && gruppo(nome[0]) == g;
}

void verificaColonna(const Colonna &colonna, int voci, qsizetype larghezza)
{
    VERIFICA(colonna.size() == kCapienza);
    for (int i = 0; i < voci; ++i)
        VERIFICA(colonna[i].size() <= larghezza);
    // Slots past the last name stay empty (a few of them checked), and so does any position outside.
    for (int i = voci; i < std::min(voci + 4, kCapienza); ++i)
        VERIFICA(colonna[i].isEmpty());
    VERIFICA(colonna[-1].isEmpty() && colonna[kCapienza].isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    if (n == 0)
        return 0;
    const uint8_t scelta = dati[0];
    const bool interi = (scelta & 1) == 0;
    const uint8_t *resto = dati + 1;
    const size_t lunghezzaResto = n - 1;

    size_t lunghezza = lunghezzaResto;
    if ((scelta & 0x3C) == 0x3C && lunghezzaResto > 0) {
        const size_t righe = static_cast<size_t>(std::count(resto, resto + lunghezzaResto, '\n'));
        if (righe > 0)
            lunghezza = std::min(kMassimoRipetuto, (size_t(kCapienza) / righe + 2) * lunghezzaResto);
    }
    // The file in a block of exactly its size: a read past its end is caught.
    std::unique_ptr<char[]> blocco(new char[lunghezza]);
    for (size_t i = 0; i < lunghezza; i += lunghezzaResto)
        std::memcpy(blocco.get() + i, resto, std::min(lunghezzaResto, lunghezza - i));
    const QByteArray file = QByteArray::fromRawData(blocco.get(), static_cast<qsizetype>(lunghezza));

    const Elenco elenco = leggi(file, interi);
    const int voci = static_cast<int>(elenco.nomi.size());

    VERIFICA(voci <= kCapienza);
    // Every stored line had its line end and a name field: at least 6 bytes each.
    VERIFICA(qsizetype(voci) * 6 <= file.size());
    for (const QString &nome : elenco.nomi) {
        // The name field less the five characters of " (XX)".
        VERIFICA(nome.size() <= 35 && senzaSpaziAiLati(nome));
    }
    verificaColonna(elenco.elencocap, voci, 5);
    verificaColonna(elenco.elencosigle, voci, 2);
    verificaColonna(elenco.elencoprovince, voci, 18);
    verificaColonna(elenco.elencoregioni, voci, 19);
    verificaColonna(elenco.elencoprefissi, voci, 4);
    for (int i = 0; i < voci; ++i)
        VERIFICA(elenco.elencosigle[i].size() == 2 && !elenco.elencocap[i].isEmpty());

    // Each block runs from the first to the last name of its initials, and holds every one of them.
    for (int g = 0; g < kGruppi; ++g) {
        const Blocco &b = elenco.blocchi[g];
        const auto primo = std::find_if(elenco.nomi.cbegin(), elenco.nomi.cend(),
                                        [g](const QString &nome) { return inGruppo(nome, g); });
        if (primo == elenco.nomi.cend()) {
            VERIFICA(b.vuoto());
            continue;
        }
        const auto ultimo = std::find_if(elenco.nomi.crbegin(), elenco.nomi.crend(),
                                         [g](const QString &nome) { return inGruppo(nome, g); });
        VERIFICA(b.primo == primo - elenco.nomi.cbegin());
        VERIFICA(b.ultimo == elenco.nomi.crend() - ultimo - 1);
    }

    // A name typed as it is listed finds its first entry, when the list holds it in upper case.
    const int passo = std::max(1, voci / kConfronti);
    for (int i = 0; i < voci; i += passo) {
        const QString &nome = elenco.nomi[i];
        const Ricerca r = cerca(elenco, nome);
        if (nome.isEmpty()) {
            VERIFICA(r.esito == Esito::Niente);
        } else if (gruppo(Cp1252::maiuscola(nome[0])) < 0) {
            VERIFICA(r.esito == Esito::NonTrovato);
        } else if (Cp1252::maiuscole(nome) == nome) {
            VERIFICA(r.esito == Esito::Trovato && r.posizione == elenco.nomi.indexOf(nome));
        }
    }

    // Whatever is typed: a found entry has the typed name; the details of any position are safe to show.
    const Fuzz::TestoEsatto digitato(Cp1252::decodifica(file.left(60)));
    const Ricerca r = cerca(elenco, digitato.testo());
    if (r.esito == Esito::Trovato) {
        VERIFICA(r.posizione >= 0 && r.posizione < voci);
        VERIFICA(elenco.nomi[r.posizione] == togliSpazi(Cp1252::maiuscole(digitato.testo().left(40))));
    } else {
        VERIFICA(r.posizione == -1);
    }
    for (int p : {-1, 0, r.posizione, voci - 1, voci, kCapienza}) {
        const Dettagli d = dettagli(elenco, p);
        const int figura = figuraRegione(d.regione);
        VERIFICA(figura >= 0 && figura <= kFigure);
        VERIFICA(d.regione.size() <= 21);
    }
    return 0;
}
