// The reader of codes.cf on arbitrary bytes, and the lookup over what it read.
//
// The first byte chooses how the rest is handed to the reader: bits 0-1 the read error that stopped the
// reading after the bytes (none, none, 71, 72); bits 2-5 all set: the rest repeated up to about the size of
// a full table, so that the limit of 20001 slots is met: 20000 records and then, by bits 6-7, nothing, 20
// bytes, a record or a record and 28 bytes. Full tables are slow to check, hence the narrow choice.

#include <algorithm>
#include <cstring>
#include <vector>

#include "cp1252.h"
#include "errorifile.h"
#include "supporto_fuzz.h"
#include "tabellacodici.h"

namespace {

constexpr int kNome = 20, kProvincia = 2, kCodice = 4;
// Entries whose fields are checked one by one, and lookups checked against a scan of the whole table,
// spread over the entries (a full table would take too long to check whole at every run).
constexpr int kCampione = 128;
constexpr int kConfronti = 48;

bool senzaSpaziAiLati(const QString &campo)
{
    return !campo.startsWith(u' ') && !campo.endsWith(u' ');
}

// A field as the file holds it: the bytes at its place, spaces (only they) removed at both ends.
QByteArrayView campoGrezzo(const QByteArray &file, int voce, int inizio, int lunghezza)
{
    const qsizetype posto = qsizetype(voce) * Fiscale::kLunghezzaRecord + inizio;
    VERIFICA(posto + lunghezza <= file.size());
    QByteArrayView campo = QByteArrayView(file).sliced(posto, lunghezza);
    while (campo.startsWith(' '))
        campo = campo.sliced(1);
    while (campo.endsWith(' '))
        campo.chop(1);
    return campo;
}

// Byte by byte rather than through memcmp, whose calls libFuzzer follows as it follows the readers' own.
bool uguali(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

QString testo(QByteArrayView byte)
{
    return Cp1252::decodifica(byte.toByteArray());
}

// The last year of validity in the file: four digits after the code, anything else valid today (0).
int annoGrezzo(const QByteArray &file, int voce)
{
    const qsizetype posto = qsizetype(voce) * Fiscale::kLunghezzaRecord + kNome + kProvincia + kCodice;
    int anno = 0;
    for (qsizetype i = posto; i < posto + 4; ++i) {
        if (file[i] < '0' || file[i] > '9')
            return 0;
        anno = anno * 10 + (file[i] - '0');
    }
    return anno;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    if (n == 0)
        return 0;
    const uint8_t scelta = dati[0];
    const int erroriLettura[] = {0, 0, ErroriFile::DiscoNonPronto, ErroriFile::ErroreLettura};
    const int erroreLettura = erroriLettura[scelta & 3];
    const uint8_t *resto = dati + 1;
    const size_t lunghezzaResto = n - 1;

    // The file in a block of exactly its size: a read past its end is caught.
    size_t lunghezza = lunghezzaResto;
    if ((scelta & 0x3C) == 0x3C && lunghezzaResto > 0) {
        const size_t oltre[] = {0, 20, 32, 60};
        lunghezza = size_t(Fiscale::kSlot - 1) * Fiscale::kLunghezzaRecord + oltre[scelta >> 6];
    }
    std::unique_ptr<char[]> blocco(new char[lunghezza]);
    for (size_t i = 0; i < lunghezza; i += lunghezzaResto)
        std::memcpy(blocco.get() + i, resto, std::min(lunghezzaResto, lunghezza - i));
    const QByteArray file = QByteArray::fromRawData(blocco.get(), static_cast<qsizetype>(lunghezza));

    Fiscale::TabellaCodici tabella;
    const int errore = tabella.analizza(file, erroreLettura);
    const int voci = tabella.numeroVoci();

    VERIFICA(voci >= 0 && voci <= Fiscale::kSlot);
    VERIFICA(qint64(voci) * Fiscale::kLunghezzaRecord <= file.size());
    VERIFICA(errore == 0 || errore == erroreLettura || errore == ErroriFile::FineFileInattesa ||
             errore == ErroriFile::IndiceFuoriIntervallo);
    VERIFICA(errore != ErroriFile::IndiceFuoriIntervallo || voci == Fiscale::kSlot);
    VERIFICA(tabella.conteggio().has_value() == (errore == 0));
    VERIFICA(!tabella.conteggio() || *tabella.conteggio() == voci);
    // Without a failure, the reading stopped at the end of the file or at the end record.
    if (errore == 0 && qint64(voci) * Fiscale::kLunghezzaRecord != file.size())
        VERIFICA(uguali(campoGrezzo(file, voci, 0, kNome), "END"));

    const int passoCampione = std::max(1, voci / kCampione);
    for (int i = 0; i < voci; i += passoCampione) {
        const Fiscale::TabellaCodici::Voce v = tabella.voce(i);
        VERIFICA(v.nome.size() <= kNome && v.provincia.size() <= kProvincia && v.codice.size() <= kCodice);
        VERIFICA(senzaSpaziAiLati(v.nome) && senzaSpaziAiLati(v.provincia) && senzaSpaziAiLati(v.codice));
        VERIFICA(v.nome != u"END");
        VERIFICA(v.nome == testo(campoGrezzo(file, i, 0, kNome)) &&
                 v.provincia == testo(campoGrezzo(file, i, kNome, kProvincia)) &&
                 v.codice == testo(campoGrezzo(file, i, kNome + kProvincia, kCodice)));
    }

    // The lookup answers as a scan of every entry in file order in which the last match wins. Keys are the
    // upper-cased fields of some entry, compared with the bytes of the file.
    // With a year of birth, the match valid at its end whose last year comes first (a later match winning a
    // tie, no year counting as later than any), or the last match when none is valid then.
    struct Campi {
        QByteArrayView nome, provincia, codice;
        int fine;
    };
    std::vector<Campi> grezzi;
    grezzi.reserve(size_t(voci));
    for (int j = 0; j < voci; ++j) {
        const int anno = annoGrezzo(file, j);
        grezzi.push_back({campoGrezzo(file, j, 0, kNome), campoGrezzo(file, j, kNome, kProvincia),
                          campoGrezzo(file, j, kNome + kProvincia, kCodice), anno == 0 ? 10000 : anno});
    }
    const int passo = std::max(1, voci / kConfronti);
    for (int i = 0; i < voci; i += passo) {
        const Fiscale::TabellaCodici::Voce v = tabella.voce(i);
        VERIFICA(v.annoFine == annoGrezzo(file, i) && tabella.annoFine(i) == v.annoFine);
        const QByteArray chiaveNome = Cp1252::codifica(Cp1252::maiuscole(v.nome));
        const QByteArray chiaveProvincia = Cp1252::codifica(Cp1252::maiuscole(v.provincia));
        const int nascita = v.annoFine > 1 ? v.annoFine - 1 : 1980;
        const Campi *ultimo = nullptr;
        const Campi *valido = nullptr;
        for (const Campi &c : grezzi) {
            if (!uguali(c.nome, chiaveNome) || !uguali(c.provincia, chiaveProvincia))
                continue;
            ultimo = &c;
            if (c.fine > nascita && (!valido || c.fine <= valido->fine))
                valido = &c;
        }
        const QString atteso = ultimo ? testo(ultimo->codice) : Fiscale::kNonTrovato.toString();
        VERIFICA(tabella.trovacod(v.nome, v.provincia) == atteso);
        VERIFICA(tabella.trovacod(v.nome, v.provincia, QDate(nascita, 6, 1)) ==
                 (valido ? testo(valido->codice) : atteso));
    }
    return 0;
}
