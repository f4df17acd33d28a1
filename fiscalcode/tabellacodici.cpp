#include "tabellacodici.h"

#include <QHashFunctions>

#include "cp1252.h"
#include "errorifile.h"

namespace {

constexpr int kNome = 20;
constexpr int kProvincia = 2;
constexpr int kCodice = 4;
constexpr int kAnno = kNome + kProvincia + kCodice;
// The last year of an entry valid today, later than every birth year.
constexpr int kSempre = std::numeric_limits<int>::max();

quint32 hashChiave(QByteArrayView nome, QByteArrayView provincia)
{
    const size_t h = qHashMulti(0, nome, provincia);
    return static_cast<quint32>(h ^ (static_cast<quint64>(h) >> 32));
}

quint16 impronta(quint32 hash)
{
    return static_cast<quint16>(hash >> 16);
}

// The Windows-1252 bytes of a key; false when a character is not in the code page, and so in no entry.
bool inByte(const QString &testo, QByteArray &byte)
{
    byte.resize(testo.size());
    char *out = byte.data();
    for (QChar c : testo) {
        const int b = Cp1252::byteDi(c);
        if (b < 0)
            return false;
        *out++ = static_cast<char>(b);
    }
    return true;
}

} // namespace

namespace Fiscale {

int TabellaCodici::carica(const QString &percorso)
{
    // Enough bytes to reach the record that would need slot 20001; a longer file fails there anyway.
    const ErroriFile::Lettura lettura = ErroriFile::leggiFile(percorso, qint64(kSlot + 1) * kLunghezzaRecord);
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

    const qsizetype totale = m_dati.size();
    int errore = 0;
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
        if (nome(m_voci) == "END")
            break;
        if (totale - pos < kLunghezzaRecord) {
            errore = fineInattesa;
            break;
        }
        ++m_voci;
    }

    if (errore == 0)
        m_conteggio = m_voci;
    costruisciIndice();
    return errore;
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
    return {testo(nome(indice)), testo(provincia(indice)), testo(codice(indice)), annoFine(indice)};
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

int TabellaCodici::precedente(int voce) const
{
    return m_precedente.empty() ? -1 : m_precedente[size_t(voce)];
}

int TabellaCodici::cerca(QByteArrayView n, QByteArrayView p, int annoNascita) const
{
    if (m_indice.empty())
        return -1;
    const quint32 h = hashChiave(n, p);
    int ultima = -1;
    for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
        const Cella &cella = m_indice[j];
        if (cella.voce < 0)
            return -1;
        if (cella.impronta == impronta(h) && nome(cella.voce) == n && provincia(cella.voce) == p) {
            ultima = cella.voce;
            break;
        }
    }
    if (annoNascita <= 0)
        return ultima;
    // From the last entry back: the one valid at the end of the year of birth that ends first; of two
    // ending in the same year the later one, as without a year.
    int scelta = -1;
    int fineScelta = kSempre;
    for (int v = ultima; v >= 0; v = precedente(v)) {
        const int anno = annoFine(v);
        const int fine = anno == 0 ? kSempre : anno;
        if (fine > annoNascita && (scelta < 0 || fine < fineScelta)) {
            scelta = v;
            fineScelta = fine;
        }
    }
    return scelta >= 0 ? scelta : ultima;
}

QString TabellaCodici::trovacod(const QString &Comune, const QString &Provincia) const
{
    return trovacod(Comune, Provincia, QDate());
}

QString TabellaCodici::trovacod(const QString &Comune, const QString &Provincia, const QDate &DataNascita) const
{
    QString chiave = Cp1252::maiuscole(Comune.left(20));
    // A stored name longer than 20 characters was cut and then trimmed, so a cut that ends in spaces must
    // lose them on the key too, or the municipality could never be found. Shorter names are compared as
    // typed: a trailing space there still finds nothing.
    if (Comune.size() > 20) {
        while (chiave.endsWith(u' '))
            chiave.chop(1);
    }
    QByteArray chiaveNome, chiaveProvincia;
    if (!inByte(chiave, chiaveNome) || !inByte(Cp1252::maiuscole(Provincia), chiaveProvincia))
        return kNonTrovato.toString();
    const int indice = cerca(chiaveNome, chiaveProvincia, DataNascita.isValid() ? DataNascita.year() : 0);
    if (indice < 0)
        return kNonTrovato.toString();
    return Cp1252::decodifica(codice(indice).toByteArray());
}

} // namespace Fiscale
