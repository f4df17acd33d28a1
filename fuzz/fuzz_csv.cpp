// The CSV reader of sportello-cli on arbitrary bytes, and the commands on the records it reads.
//
// The encoding is decided on the whole input; a table read as UTF-8 hands over only valid UTF-8, whatever
// lines of Windows-1252 it holds. Every record read (empty lines included) is written back and read again, in
// that encoding, to the same values; read again with a short longest record, the records past it are cut to
// a short excerpt and the others are read alike. A record of six values or more goes through calcola (in
// each order of dates), its first value through verifica and partita-iva: each row gets its result or an
// esito, never both, and a code given is one that passes its own check.

#include <QBuffer>

#include "calcolo.h"
#include "comandi.h"
#include "supporto_fuzz.h"
#include "tabellacsv.h"

namespace {

Fiscale::TabellaCodici tabella;
const Tabelle::Calcola *calcola = nullptr;
const Tabelle::VerificaCmd *verifica = nullptr;
const Tabelle::PartitaIvaCmd *partitaIva = nullptr;

Tabelle::Calcola *calcolaMeseGiorno = nullptr;
Tabelle::Calcola *calcolaContraddittorio = nullptr;

// Valid UTF-8: decoded and encoded again to the same bytes (after a letter, as a leading byte order mark
// would be dropped by the decoding).
bool utf8Valido(const QByteArray &b)
{
    const QByteArray conLettera = 'a' + b;
    return QString::fromUtf8(conLettera).toUtf8() == conLettera;
}

std::vector<QByteArray> leggiTutto(const QByteArray &dati, char separatore, Csv::Codifica *codifica = nullptr,
                                   std::vector<std::vector<QByteArray>> *righe = nullptr,
                                   std::vector<bool> *valide = nullptr, bool *bom = nullptr,
                                   Csv::Codifica forzata = Csv::Codifica::Automatica,
                                   qsizetype massimo = Csv::Lettore::kMassimoRiga, QByteArray *rigaSeparatore = nullptr)
{
    QBuffer buffer;
    buffer.setData(dati);
    buffer.open(QIODevice::ReadOnly);
    Csv::Lettore lettore(buffer, separatore, forzata, massimo);
    Csv::Riga riga;
    std::vector<QByteArray> grezze;
    while (lettore.leggi(riga)) {
        VERIFICA(riga.troppoLunga || riga.vuota == riga.campi.empty());
        VERIFICA(!riga.troppoLunga || riga.grezza.size() <= 200);
        if (lettore.codifica() == Csv::Codifica::Utf8 && forzata == Csv::Codifica::Automatica) {
            for (QByteArrayView c : riga.campi)
                VERIFICA(utf8Valido(c.toByteArray()));
        }
        grezze.push_back(riga.grezza.toByteArray());
        if (righe) {
            std::vector<QByteArray> campi;
            for (QByteArrayView c : riga.campi)
                campi.push_back(c.toByteArray());
            if (campi.size() == 1 && campi[0].isEmpty()) // written back, an empty line
                campi.clear();
            if (riga.troppoLunga)
                campi = {QByteArray("troppo lunga")};
            righe->push_back(campi);
            valide->push_back(riga.valida);
        }
    }
    if (codifica)
        *codifica = lettore.codifica();
    if (bom)
        *bom = lettore.bom();
    if (rigaSeparatore)
        *rigaSeparatore = lettore.rigaSeparatore();
    return grezze;
}

// The new columns of one row, from the table's bytes as the engine hands them over.
QStringList risultati(const Tabelle::Comando &comando, std::vector<QByteArrayView> campi, Csv::Codifica codifica)
{
    campi.resize(comando.ingresso().size());
    Tabelle::Valori valori(campi.size(), codifica);
    for (size_t i = 0; i < campi.size(); ++i)
        valori.testi[i] = Tabelle::taglia(campi[i]);
    Tabelle::Risultato r;
    r.prepara(static_cast<int>(comando.uscita().size()), comando.colonnaEsito());
    comando.elabora(valori, r);
    return r.testi();
}

void calcolaUnaRiga(const Tabelle::Comando &comando, const std::vector<QByteArrayView> &campi, Csv::Codifica codifica)
{
    const QStringList r = risultati(comando, campi, codifica);
    VERIFICA(r.size() == 2 && r[0].isEmpty() != r[1].isEmpty());
    VERIFICA(r[0].isEmpty() || Fiscale::ControllaCodiceFiscale(r[0]));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (tabella.carica(QStringLiteral(SPORTELLO_CODES_CF)) != 0 || tabella.numeroVoci() == 0) {
        std::fprintf(stderr, "cannot read %s\n", SPORTELLO_CODES_CF);
        std::abort();
    }
    calcola = new Tabelle::Calcola(tabella, QDate(2024, 5, 17));
    calcolaMeseGiorno = new Tabelle::Calcola(tabella, QDate(2024, 5, 17));
    calcolaMeseGiorno->ordineDate(3, Fiscale::OrdineData::MeseGiorno);
    calcolaContraddittorio = new Tabelle::Calcola(tabella, QDate(2024, 5, 17));
    calcolaContraddittorio->ordineDate(3, Fiscale::OrdineData::Contraddittorio);
    verifica = new Tabelle::VerificaCmd(tabella, QDate(2024, 5, 17));
    partitaIva = new Tabelle::PartitaIvaCmd();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    const QByteArray ingresso(reinterpret_cast<const char *>(dati), static_cast<qsizetype>(n));
    Csv::Codifica codifica = Csv::Codifica::Automatica;
    std::vector<std::vector<QByteArray>> righe;
    std::vector<bool> valide;
    bool bom = false;
    QByteArray rigaSeparatore;
    leggiTutto(ingresso, ';', &codifica, &righe, &valide, &bom, Csv::Codifica::Automatica, Csv::Lettore::kMassimoRiga,
               &rigaSeparatore);

    // Written back, after the byte order mark and Excel's separator line when the input had them (as
    // sportello-cli does, so that a second mark stays part of the first value), a record reads as the same values (a lone empty value
    // is an empty line, read as no value), in the encoding of the first reading.
    QBuffer uscita;
    uscita.open(QIODevice::WriteOnly);
    std::vector<std::vector<QByteArray>> attese;
    {
        Csv::Scrittore scrittore(uscita, ';', "\n");
        if (bom)
            scrittore.grezzo("\xEF\xBB\xBF");
        if (!rigaSeparatore.isEmpty()) { // Excel's "sep=;" line, first as sportello-cli writes it
            scrittore.grezzo(rigaSeparatore);
            scrittore.fineRiga();
        }
        for (const auto &campi : righe) {
            for (size_t i = 0; i < campi.size(); ++i) {
                if (i > 0)
                    scrittore.separatore();
                scrittore.campo(campi[i]);
            }
            scrittore.fineRiga();
            attese.push_back(campi);
        }
    }
    std::vector<std::vector<QByteArray>> rilette;
    std::vector<bool> rilettteValide;
    leggiTutto(uscita.data(), ';', nullptr, &rilette, &rilettteValide, nullptr,
               codifica == Csv::Codifica::Automatica ? Csv::Codifica::Utf8 : codifica);
    VERIFICA(rilette == attese);

    // With a short longest record: the same records up to the first one past it (after that, a record cut
    // short may be followed by lines that the full reading had inside it).
    std::vector<std::vector<QByteArray>> corte;
    std::vector<bool> corteValide;
    leggiTutto(ingresso, ';', nullptr, &corte, &corteValide, nullptr, Csv::Codifica::Automatica, 64);
    for (size_t r = 0; r < righe.size() && r < corte.size(); ++r) {
        if (corte[r] == std::vector<QByteArray>{QByteArray("troppo lunga")} || !corteValide[r] || !valide[r])
            break;
        VERIFICA(corte[r] == righe[r]);
    }

    for (size_t r = 0; r < righe.size(); ++r) {
        if (!valide[r])
            continue;
        std::vector<QByteArrayView> valori(righe[r].begin(), righe[r].end());
        if (valori.empty())
            continue;
        if (valori.size() >= 6) {
            calcolaUnaRiga(*calcola, valori, codifica);
            calcolaUnaRiga(*calcolaMeseGiorno, valori, codifica);
            calcolaUnaRiga(*calcolaContraddittorio, valori, codifica);
        }
        for (const QStringList &nuove :
             {risultati(*verifica, {valori[0]}, codifica), risultati(*verifica, valori, codifica)})
            VERIFICA(!nuove[0].isEmpty() || (nuove[1].size() == 1 && nuove[2].size() == 10));
        const QStringList iva = risultati(*partitaIva, {valori[0]}, codifica);
        VERIFICA(iva[0].isEmpty() || iva[1].isEmpty());
    }
    return 0;
}
