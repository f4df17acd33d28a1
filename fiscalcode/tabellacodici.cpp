#include "tabellacodici.h"

#include <QHashFunctions>

#include "cp1252.h"
#include "errorifile.h"

namespace {

constexpr int kNome = 20;
constexpr int kProvincia = 2;
constexpr int kCodice = 4;

// Spaces only, as the fields were padded; tabs and other blanks belong to the field.
void togliSpazi(QStringView testo, qint32 &inizio, qint32 &lunghezza)
{
    while (lunghezza > 0 && testo[inizio] == u' ') {
        ++inizio;
        --lunghezza;
    }
    while (lunghezza > 0 && testo[inizio + lunghezza - 1] == u' ')
        --lunghezza;
}

quint32 hashChiave(QStringView nome, QStringView provincia)
{
    const size_t h = qHashMulti(0, nome, provincia);
    return static_cast<quint32>(h ^ (static_cast<quint64>(h) >> 32));
}

} // namespace

namespace Fiscale {

int TabellaCodici::carica(const QString &percorso)
{
    // Enough bytes to reach the record that would need slot 9001; a longer file fails there anyway.
    const ErroriFile::Lettura lettura = ErroriFile::leggiFile(percorso, qint64(kSlot + 1) * kLunghezzaRecord);
    if (!lettura.aperto) {
        *this = TabellaCodici();
        return lettura.errore;
    }
    return analizza(lettura.dati, lettura.errore);
}

int TabellaCodici::analizza(const QByteArray &dati, int erroreLettura)
{
    m_testo = Cp1252::decodifica(dati);
    m_voci.clear();
    m_conteggio.reset();
    m_indice.clear();
    m_maschera = 0;

    const qint32 totale = static_cast<qint32>(m_testo.size());
    qint32 pos = 0;
    int errore = 0;
    for (;;) {
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
        if (static_cast<int>(m_voci.size()) >= kSlot) {
            errore = ErroriFile::IndiceFuoriIntervallo;
            break;
        }
        Riga riga;
        riga.nome = {pos, kNome};
        togliSpazi(m_testo, riga.nome.inizio, riga.nome.lunghezza);
        if (campo(riga.nome) == u"END")
            break;
        if (totale - pos < kLunghezzaRecord) {
            errore = fineInattesa;
            break;
        }
        riga.provincia = {pos + kNome, kProvincia};
        togliSpazi(m_testo, riga.provincia.inizio, riga.provincia.lunghezza);
        riga.codice = {pos + kNome + kProvincia, kCodice};
        togliSpazi(m_testo, riga.codice.inizio, riga.codice.lunghezza);
        m_voci.push_back(riga);
        pos += kLunghezzaRecord;
    }

    if (errore == 0)
        m_conteggio = static_cast<int>(m_voci.size());
    costruisciIndice();
    return errore;
}

TabellaCodici::Voce TabellaCodici::voce(int indice) const
{
    const Riga &r = m_voci.at(static_cast<size_t>(indice));
    return {campo(r.nome), campo(r.provincia), campo(r.codice)};
}

void TabellaCodici::costruisciIndice()
{
    size_t capacita = 16;
    while (capacita < m_voci.size() * 2)
        capacita *= 2;
    m_indice.assign(capacita, Cella{});
    m_maschera = static_cast<quint32>(capacita - 1);
    for (qint32 i = 0; i < static_cast<qint32>(m_voci.size()); ++i) {
        const QStringView nome = campo(m_voci[i].nome);
        const QStringView provincia = campo(m_voci[i].provincia);
        const quint32 h = hashChiave(nome, provincia);
        for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
            Cella &cella = m_indice[j];
            if (cella.voce < 0) {
                cella = {h, i};
                break;
            }
            const Riga &altra = m_voci[cella.voce];
            if (cella.hash == h && campo(altra.nome) == nome && campo(altra.provincia) == provincia) {
                cella.voce = i; // a later entry with the same key wins
                break;
            }
        }
    }
}

int TabellaCodici::cerca(QStringView nome, QStringView provincia) const
{
    if (m_indice.empty())
        return -1;
    const quint32 h = hashChiave(nome, provincia);
    for (quint32 j = h & m_maschera;; j = (j + 1) & m_maschera) {
        const Cella &cella = m_indice[j];
        if (cella.voce < 0)
            return -1;
        const Riga &r = m_voci[cella.voce];
        if (cella.hash == h && campo(r.nome) == nome && campo(r.provincia) == provincia)
            return cella.voce;
    }
}

QString TabellaCodici::trovacod(const QString &Comune, const QString &Provincia) const
{
    QString nome = Cp1252::maiuscole(Comune.left(20));
    // A stored name longer than 20 characters was cut and then trimmed, so a cut that ends in spaces must
    // lose them on the key too, or the municipality could never be found. Shorter names are compared as
    // typed: a trailing space there still finds nothing.
    if (Comune.size() > 20) {
        while (nome.endsWith(u' '))
            nome.chop(1);
    }
    const int indice = cerca(nome, Cp1252::maiuscole(Provincia));
    if (indice < 0)
        return kNonTrovato.toString();
    return campo(m_voci[static_cast<size_t>(indice)].codice).toString();
}

} // namespace Fiscale
