// The reader of codes.cf on arbitrary bytes, and the lookup over what it read.
//
// The first byte chooses how the rest is handed to the reader: bits 0-1 the read error that stopped the
// reading after the bytes (none, none, 71, 72); bits 2-5 all set: the rest repeated up to about the size of
// a full table, so that the limit of 20001 slots is met: 20000 records and then, by bits 6-7, nothing, 20
// bytes, a record or a record and 28 bytes. Full tables are slow to check, hence the narrow choice.

#include <algorithm>
#include <cstring>
#include <map>
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
    const char *x = a.data(), *y = b.data();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (x[i] != y[i])
            return false;
    }
    return true;
}

bool minore(QByteArrayView a, QByteArrayView b)
{
    const char *x = a.data(), *y = b.data();
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
        if (x[i] != y[i])
            return static_cast<uchar>(x[i]) < static_cast<uchar>(y[i]);
    }
    return a.size() < b.size();
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

    // With the days after the END record, every entry has a first day not after its last.
    if (tabella.conGiorni()) {
        for (int i = 0; i < voci; i += passoCampione) {
            const Fiscale::Periodo p = tabella.periodo(i);
            VERIFICA(p.primo >= 0 && p.primo <= p.ultimo && tabella.nomeIntero(i).startsWith(tabella.nome(i)));
        }
        return 0;
    }

    // The lookup answers as a scan of every entry in file order in which the last match wins. Keys are the
    // upper-cased fields of some entry, compared with the bytes of the file. With a year of birth, the match
    // valid at its end whose last year comes first (a later match winning a tie, no year counting as later
    // than any), or the last match when none is valid then. One pass over the file serves every key.
    struct Chiave {
        QByteArrayView nome, provincia;
        bool operator<(const Chiave &o) const
        {
            return minore(nome, o.nome) || (uguali(nome, o.nome) && minore(provincia, o.provincia));
        }
    };
    struct Risposta {
        int nascita;
        int ultimo = -1, valido = -1, fineValido = 0;
    };
    std::vector<QByteArray> testiChiavi; // what the keys' views show
    std::map<Chiave, Risposta> chiavi;
    // The length and first byte of the keys' names: most entries of a file are no key, and this tells so fast.
    std::vector<bool> forse(size_t(kNome + 1) * 256);
    auto impronta = [](QByteArrayView nome) {
        return size_t(nome.size()) * 256 + (nome.isEmpty() ? 0 : uchar(nome[0]));
    };
    const int passo = std::max(1, voci / kConfronti);
    for (int i = 0; i < voci; i += passo) {
        const Fiscale::TabellaCodici::Voce v = tabella.voce(i);
        VERIFICA(v.annoFine == annoGrezzo(file, i) && tabella.annoFine(i) == v.annoFine);
        testiChiavi.push_back(Cp1252::codifica(Cp1252::maiuscole(v.nome)));
        testiChiavi.push_back(Cp1252::codifica(Cp1252::maiuscole(v.provincia)));
        const QByteArray &nome = testiChiavi[testiChiavi.size() - 2];
        chiavi.insert({{nome, testiChiavi.back()}, {v.annoFine > 1 ? v.annoFine - 1 : 1980}});
        if (nome.size() <= kNome)
            forse[impronta(nome)] = true;
    }
    for (int j = 0; j < voci; ++j) {
        const QByteArrayView nome = campoGrezzo(file, j, 0, kNome);
        if (!forse[impronta(nome)])
            continue;
        const auto c = chiavi.find({nome, campoGrezzo(file, j, kNome, kProvincia)});
        if (c == chiavi.end())
            continue;
        Risposta &r = c->second;
        r.ultimo = j;
        const int anno = annoGrezzo(file, j);
        const int fine = anno == 0 ? 10000 : anno;
        if (fine > r.nascita && (r.valido < 0 || fine <= r.fineValido)) {
            r.valido = j;
            r.fineValido = fine;
        }
    }
    for (const auto &[chiave, r] : chiavi) {
        const QString nome = testo(chiave.nome), provincia = testo(chiave.provincia);
        auto codice = [&](int voce) {
            return voce < 0 ? Fiscale::kNonTrovato.toString()
                            : testo(campoGrezzo(file, voce, kNome + kProvincia, kCodice));
        };
        VERIFICA(tabella.trovacod(nome, provincia) == codice(r.ultimo));
        VERIFICA(tabella.trovacod(nome, provincia, QDate(r.nascita, 6, 1)) ==
                 codice(r.valido >= 0 ? r.valido : r.ultimo));
    }
    return 0;
}
