#include "tabellacodici.h"

#include <algorithm>

#include <QHashFunctions>

#include "cp1252.h"
#include "errorifile.h"

namespace {

constexpr int kNome = 20;
constexpr int kProvincia = 2;
constexpr int kCodice = 4;
constexpr int kAnno = kNome + kProvincia + kCodice;
// The last year of an entry valid today, later than every birth year.
constexpr int kAnnoSempre = std::numeric_limits<int>::max();
// codes.cf is a few hundred KiB; its records and days are read up to here.
constexpr qint64 kLimiteFile = qint64(8) * 1024 * 1024;
constexpr QByteArrayView kSegnoGiorni = "#PERIODI 1\r\n";
constexpr QByteArrayView kSegnoProvince = "#PROVINCE\r\n";
constexpr int kCodici = 26 * 1000;

quint32 hashChiave(QByteArrayView nome, QByteArrayView provincia)
{
    const size_t h = qHashMulti(0, nome, provincia);
    return static_cast<quint32>(h ^ (static_cast<quint64>(h) >> 32));
}

quint16 impronta(quint32 hash)
{
    return static_cast<quint16>(hash >> 16);
}

// The Windows-1252 bytes of a key; false when a character is not in the code page, and so in no entry. Such a
// character becomes a NUL, which no name holds.
bool inByte(const QString &testo, QByteArray &byte)
{
    byte.resize(testo.size());
    char *out = byte.data();
    bool tutti = true;
    for (QChar c : testo) {
        const int b = Cp1252::byteDi(c);
        tutti = tutti && b >= 0;
        *out++ = static_cast<char>(b < 0 ? 0 : b);
    }
    return tutti;
}

// The slot of a code "A000" to "Z999", -1 for any other text.
int slotCodice(QByteArrayView c)
{
    if (c.size() != 4 || c[0] < 'A' || c[0] > 'Z')
        return -1;
    int numero = 0;
    for (int k = 1; k < 4; ++k) {
        if (c[k] < '0' || c[k] > '9')
            return -1;
        numero = numero * 10 + (c[k] - '0');
    }
    return (c[0] - 'A') * 1000 + numero;
}

// Eight digits at p, or -1.
int otto(const char *p)
{
    int n = 0;
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        n = n * 10 + (p[i] - '0');
    }
    return n;
}

// The key of a name as typed: its first 20 characters, and for a longer name without the spaces a cut
// there leaves at its end (the stored names were cut and then trimmed).
QByteArrayView chiaveNome(QByteArrayView nome)
{
    QByteArrayView chiave = nome.first(qMin<qsizetype>(kNome, nome.size()));
    if (nome.size() > kNome) {
        while (chiave.endsWith(' '))
            chiave.chop(1);
    }
    return chiave;
}

} // namespace

namespace Fiscale {

QDate dataDi(int giorno)
{
    return QDate(giorno / 10000, giorno / 100 % 100, giorno % 100);
}

int TabellaCodici::carica(const QString &percorso)
{
    const ErroriFile::Lettura lettura = ErroriFile::leggiFile(percorso, kLimiteFile);
    if (!lettura.aperto) {
        *this = TabellaCodici();
        return lettura.errore;
    }
    return analizza(lettura.dati, lettura.errore);
}

int TabellaCodici::analizza(const QByteArray &dati, int erroreLettura)
{
    m_dati = dati;
    m_voci = 0;
    m_conteggio.reset();
    m_giorni.clear();
    m_indiceNomi.clear();
    m_precedenteNome.clear();
    m_ultimaDelCodice.clear();
    m_precedenteCodice.clear();
    m_province = Province();

    const qsizetype totale = m_dati.size();
    int errore = 0;
    qsizetype dopoLaFine = -1;
    for (qsizetype pos = 0;; pos += kLunghezzaRecord) {
        if (pos >= totale) {
            errore = erroreLettura;
            break;
        }
        // Whatever stops the reading inside a record: the read error if there was one, else the end.
        const int fineInattesa = erroreLettura ? erroreLettura : ErroriFile::FineFileInattesa;
        if (totale - pos < kNome) {
            errore = fineInattesa;
            break;
        }
        if (m_voci >= kSlot) {
            errore = ErroriFile::IndiceFuoriIntervallo;
            break;
        }
        if (nome(m_voci) == "END") {
            dopoLaFine = pos + kLunghezzaRecord;
            break;
        }
        if (totale - pos < kLunghezzaRecord) {
            errore = fineInattesa;
            break;
        }
        ++m_voci;
    }

    if (errore == 0)
        m_conteggio = m_voci;
    costruisciIndice();
    if (errore == 0 && dopoLaFine > 0 && dopoLaFine <= totale)
        leggiGiorni(dopoLaFine);
    return errore;
}

// The days after the END record; on any fault none are kept, and the table answers by the years.
void TabellaCodici::leggiGiorni(qsizetype inizio)
{
    const QByteArrayView resto = QByteArrayView(m_dati).sliced(inizio);
    if (!resto.startsWith(kSegnoGiorni))
        return;
    const char *p = resto.data() + kSegnoGiorni.size();
    const char *const fine = resto.data() + resto.size();
    std::vector<Giorni> giorni(static_cast<size_t>(m_voci));
    for (int v = 0; v < m_voci && p; ++v)
        p = rigaGiorni(p, fine, v, giorni[size_t(v)]);
    if (!p)
        return;
    const QByteArrayView sezione(p, fine - p);
    if (!sezione.startsWith(kSegnoProvince) || !m_province.analizza(sezione.sliced(kSegnoProvince.size())))
        return;
    m_giorni = std::move(giorni);
    costruisciIndiceCodici();
}

// One line "first;last;marks;successor;whole name" from p: the start of the next line, or nullptr when it is
// not one.
const char *TabellaCodici::rigaGiorni(const char *p, const char *fine, int numero, Giorni &g) const
{
    if (fine - p < 22 || p[8] != ';' || p[17] != ';')
        return nullptr;
    g.periodo.primo = otto(p);
    g.periodo.ultimo = otto(p + 9);
    if (g.periodo.primo < 0 || g.periodo.ultimo < g.periodo.primo)
        return nullptr;
    const char *q = p + 18;
    for (; q < fine && *q != ';'; ++q) {
        const quint8 segno = *q == 'T' ? Periodo::DelTempo : *q == 'A' ? Periodo::SoloAnno : *q == 'C' ? Periodo::Cessato : 0;
        if (segno == 0)
            return nullptr;
        g.periodo.segni |= segno;
    }
    const char *const dopo = ++q;
    while (q < fine && *q != ';')
        ++q;
    if (q >= fine || (q != dopo && slotCodice(QByteArrayView(dopo, q - dopo)) < 0))
        return nullptr;
    if (q != dopo)
        g.successore = static_cast<qint32>(dopo - m_dati.constData());
    // A longer form of the record's own name, of printable characters, up to the line end.
    const char *const inizioNome = ++q;
    while (q < fine && uchar(*q) >= 0x20)
        ++q;
    if (q + 1 >= fine || q[0] != '\r' || q[1] != '\n')
        return nullptr;
    const QByteArrayView intero(inizioNome, q - inizioNome);
    if (!intero.isEmpty()) {
        if (intero.size() <= kNome || intero.size() > 255 || chiaveNome(intero) != nome(numero))
            return nullptr;
        g.intero = static_cast<qint32>(inizioNome - m_dati.constData());
        g.lunghezzaIntero = static_cast<quint8>(intero.size());
    }
    return q + 2;
}

QByteArrayView TabellaCodici::campo(int voce, int inizio, int lunghezza) const
{
    // Spaces only, as the fields were padded; tabs and other blanks belong to the field.
    const char *p = m_dati.constData() + qsizetype(voce) * kLunghezzaRecord + inizio;
    while (lunghezza > 0 && *p == ' ') {
        ++p;
        --lunghezza;
    }
    while (lunghezza > 0 && p[lunghezza - 1] == ' ')
        --lunghezza;
    return QByteArrayView(p, lunghezza);
}

QByteArrayView TabellaCodici::nome(int voce) const
{
    return campo(voce, 0, kNome);
}

QByteArrayView TabellaCodici::provincia(int voce) const
{
    return campo(voce, kNome, kProvincia);
}

QByteArrayView TabellaCodici::codice(int voce) const
{
    return campo(voce, kNome + kProvincia, kCodice);
}

int TabellaCodici::annoFine(int voce) const
{
    Q_ASSERT(voce >= 0 && voce < m_voci);
    // Every loaded entry is a whole record, so its four characters are there.
    const char *p = m_dati.constData() + qsizetype(voce) * kLunghezzaRecord + kAnno;
    int anno = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return 0;
        anno = anno * 10 + (p[i] - '0');
    }
    return anno;
}

TabellaCodici::Voce TabellaCodici::voce(int indice) const
{
    Q_ASSERT(indice >= 0 && indice < m_voci);
    auto testo = [](QByteArrayView b) { return Cp1252::decodifica(b.toByteArray()); };
    return {testo(nome(indice)),     testo(provincia(indice)),  testo(codice(indice)),    annoFine(indice),
            testo(nomeIntero(indice)), periodo(indice), testo(successore(indice))};
}

Periodo TabellaCodici::periodo(int voce) const
{
    if (!m_giorni.empty())
        return m_giorni[size_t(voce)].periodo;
    // By the year: valid up to the end of the year before it.
    const int anno = annoFine(voce);
    return {0, anno == 0 ? kSempre : (anno - 1) * 10000 + 1231, 0};
}

QByteArrayView TabellaCodici::nomeIntero(int voce) const
{
    if (m_giorni.empty() || m_giorni[size_t(voce)].intero == 0)
        return nome(voce);
    const Giorni &g = m_giorni[size_t(voce)];
    return QByteArrayView(m_dati.constData() + g.intero, g.lunghezzaIntero);
}

QByteArrayView TabellaCodici::successore(int voce) const
{
    if (m_giorni.empty() || m_giorni[size_t(voce)].successore == 0)
        return {};
    return QByteArrayView(m_dati.constData() + m_giorni[size_t(voce)].successore, kCodice);
}

void TabellaCodici::costruisciIndice()
{
    size_t capacita = 16;
    while (capacita < size_t(m_voci) * 3 / 2)
        capacita *= 2;
    m_indice.assign(capacita, Cella{});
    m_maschera = static_cast<quint32>(capacita - 1);
    m_precedente.clear();
    for (int i = 0; i < m_voci; ++i) {
        const QByteArrayView n = nome(i);
        const QByteArrayView p = provincia(i);
        const quint32 h = hashChiave(n, p);
        for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
            Cella &cella = m_indice[j];
            if (cella.voce < 0) {
                cella = {impronta(h), static_cast<qint16>(i)};
                break;
            }
            if (cella.impronta == impronta(h) && nome(cella.voce) == n && provincia(cella.voce) == p) {
                // A later entry with the same key answers a lookup without a year; a lookup with one
                // goes back through the earlier ones.
                if (m_precedente.empty())
                    m_precedente.assign(size_t(m_voci), -1);
                m_precedente[size_t(i)] = cella.voce;
                cella.voce = static_cast<qint16>(i);
                break;
            }
        }
    }
}

// By code, for the other names of a code.
void TabellaCodici::costruisciIndiceCodici()
{
    m_ultimaDelCodice.assign(kCodici, -1);
    m_precedenteCodice.assign(size_t(m_voci), -1);
    for (int i = 0; i < m_voci; ++i) {
        // The four characters as they stand: a code of fewer is no code of the index.
        const int slot = slotCodice(QByteArrayView(m_dati.constData() + qsizetype(i) * kLunghezzaRecord + kNome + kProvincia, kCodice));
        if (slot >= 0) {
            m_precedenteCodice[size_t(i)] = m_ultimaDelCodice[size_t(slot)];
            m_ultimaDelCodice[size_t(slot)] = static_cast<qint16>(i);
        }
    }
}

// By the name alone, for a place typed without its province: built at the first such lookup.
const std::vector<TabellaCodici::Cella> &TabellaCodici::indiceNomi() const
{
    if (!m_indiceNomi.empty())
        return m_indiceNomi;
    m_indiceNomi.assign(m_indice.size(), Cella{});
    m_precedenteNome.assign(size_t(m_voci), -1);
    for (int i = 0; i < m_voci; ++i) {
        const QByteArrayView n = nome(i);
        const quint32 h = hashChiave(n, {});
        for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
            Cella &cella = m_indiceNomi[j];
            if (cella.voce < 0 || (cella.impronta == impronta(h) && nome(cella.voce) == n)) {
                m_precedenteNome[size_t(i)] = cella.voce;
                cella = {impronta(h), static_cast<qint16>(i)};
                break;
            }
        }
    }
    return m_indiceNomi;
}

int TabellaCodici::precedente(int voce) const
{
    return m_precedente.empty() ? -1 : m_precedente[size_t(voce)];
}

int TabellaCodici::sonda(QByteArrayView n, QByteArrayView p) const
{
    if (m_indice.empty())
        return -1;
    const quint32 h = hashChiave(n, p);
    for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
        const Cella &cella = m_indice[j];
        if (cella.voce < 0)
            return -1;
        if (cella.impronta == impronta(h) && nome(cella.voce) == n && provincia(cella.voce) == p)
            return cella.voce;
    }
}

// A name typed longer than the key must be the entry's whole name; without the days the key decides.
bool TabellaCodici::nomeUguale(int voce, QByteArrayView n) const
{
    return n.size() <= kNome || m_giorni.empty() || nomeIntero(voce) == n;
}

int TabellaCodici::cerca(QByteArrayView n, QByteArrayView p, int giorno) const
{
    int ultima = sonda(chiaveNome(n), p);
    while (ultima >= 0 && !nomeUguale(ultima, n))
        ultima = precedente(ultima);
    if (ultima < 0 || giorno <= 0)
        return ultima;
    return m_giorni.empty() ? perAnno(ultima, giorno / 10000) : perGiorno(ultima, n, giorno);
}

// From the last entry back: the one valid at the end of the year of birth that ends first; of two ending in
// the same year the later one, as without a year; the last when none is valid.
int TabellaCodici::perAnno(int ultima, int anno) const
{
    int scelta = -1;
    int fineScelta = kAnnoSempre;
    for (int v = ultima; v >= 0; v = precedente(v)) {
        const int a = annoFine(v);
        const int fine = a == 0 ? kAnnoSempre : a;
        if (fine > anno && (scelta < 0 || fine < fineScelta)) {
            scelta = v;
            fineScelta = fine;
        }
    }
    return scelta >= 0 ? scelta : ultima;
}

// From the last entry back: one whose name was valid on the day, else one whose code existed then; of
// several the one with the province of the time, then the one that ends first, then the later one.
int TabellaCodici::perGiorno(int ultima, QByteArrayView n, int giorno) const
{
    const auto meglio = [this](int v, int scelta) {
        if (scelta < 0)
            return true;
        const Periodo &a = m_giorni[size_t(v)].periodo, &b = m_giorni[size_t(scelta)].periodo;
        const bool delTempoA = a.segni & Periodo::DelTempo, delTempoB = b.segni & Periodo::DelTempo;
        return delTempoA != delTempoB ? delTempoA : a.ultimo < b.ultimo;
    };
    int scelta = -1;
    for (int v = ultima; v >= 0; v = precedente(v)) {
        const Periodo &q = m_giorni[size_t(v)].periodo;
        if (q.primo <= giorno && giorno <= q.ultimo && nomeUguale(v, n) && meglio(v, scelta))
            scelta = v;
    }
    if (scelta >= 0)
        return scelta;
    for (int v = ultima; v >= 0; v = precedente(v)) {
        if (nomeUguale(v, n) && meglio(v, scelta) && esisteIl(v, giorno))
            scelta = v;
    }
    return scelta;
}

std::vector<int> TabellaCodici::voci(QByteArrayView n, QByteArrayView p) const
{
    std::vector<int> trovate;
    for (int v = sonda(chiaveNome(n), p); v >= 0; v = precedente(v)) {
        if (nomeUguale(v, n))
            trovate.push_back(v);
    }
    std::reverse(trovate.begin(), trovate.end());
    return trovate;
}

std::vector<int> TabellaCodici::vociDelNome(QByteArrayView n) const
{
    std::vector<int> trovate;
    const QByteArrayView chiave = chiaveNome(n);
    if (m_indice.empty())
        return trovate;
    const std::vector<Cella> &indice = indiceNomi();
    const quint32 h = hashChiave(chiave, {});
    int ultima = -1;
    for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
        const Cella &cella = indice[j];
        if (cella.voce < 0)
            break;
        if (cella.impronta == impronta(h) && nome(cella.voce) == chiave) {
            ultima = cella.voce;
            break;
        }
    }
    for (int v = ultima; v >= 0; v = m_precedenteNome[size_t(v)]) {
        if (nomeUguale(v, n))
            trovate.push_back(v);
    }
    std::reverse(trovate.begin(), trovate.end());
    return trovate;
}

int TabellaCodici::ultimaDelCodice(QByteArrayView c) const
{
    const int slot = slotCodice(c);
    if (slot < 0)
        return -1;
    if (!m_ultimaDelCodice.empty())
        return m_ultimaDelCodice[size_t(slot)];
    for (int v = m_voci - 1; v >= 0; --v) {
        if (codice(v) == c)
            return v;
    }
    return -1;
}

int TabellaCodici::precedenteDelCodice(int voce) const
{
    return m_precedenteCodice.empty() ? -1 : m_precedenteCodice[size_t(voce)];
}

bool TabellaCodici::esisteIl(int voce, int giorno) const
{
    if (m_giorni.empty()) {
        const int anno = annoFine(voce);
        return anno == 0 || giorno / 10000 < anno;
    }
    const int slot = slotCodice(codice(voce));
    for (int v = slot < 0 ? voce : m_ultimaDelCodice[size_t(slot)]; v >= 0;
         v = slot < 0 ? -1 : m_precedenteCodice[size_t(v)]) {
        const Periodo &q = m_giorni[size_t(v)].periodo;
        if (q.primo <= giorno && giorno <= q.ultimo)
            return true;
    }
    return false;
}

QString TabellaCodici::trovacod(const QString &Comune, const QString &Provincia) const
{
    return trovacod(Comune, Provincia, QDate());
}

QString TabellaCodici::trovacod(const QString &Comune, const QString &Provincia, const QDate &DataNascita) const
{
    // The key is the first 20 characters: those must be in the code page. The rest only meets the whole
    // names, where a character outside it matches nothing.
    const QString maiuscolo = Cp1252::maiuscole(Comune);
    QByteArray chiaveNome, chiaveProvincia;
    if (!inByte(maiuscolo.left(kNome), chiaveNome) || !inByte(Cp1252::maiuscole(Provincia), chiaveProvincia))
        return kNonTrovato.toString();
    inByte(maiuscolo, chiaveNome);
    const int indice = cerca(chiaveNome, chiaveProvincia, giornoDi(DataNascita));
    if (indice < 0)
        return kNonTrovato.toString();
    return Cp1252::decodifica(codice(indice).toByteArray());
}

std::optional<QByteArrayView> TabellaCodici::trovacodByte(QByteArrayView Comune, QByteArrayView Provincia,
                                                          int giorno) const
{
    const int indice = cerca(Comune, Provincia, giorno);
    if (indice < 0)
        return std::nullopt;
    return codice(indice);
}

} // namespace Fiscale
