#include "uscita.h"

#include <cerrno>

#include "cp1252.h"
#include "flussi.h"
#include "motivi.h"
#include "sostituzione.h"

namespace Tabelle {

QStringList Disposizione::intestazioneCompleta(const QStringList &nomi) const
{
    return nomi.mid(0, prima()) + nuove.nomi + nomi.mid(dopoDa());
}

Disposizione::Forma Disposizione::forma(const Riga &riga) const
{
    Forma f;
    f.campi = riga.campi();
    bool vuotiInPiu = f.campi > intestazione;
    for (qsizetype i = intestazione; i < f.campi && vuotiInPiu; ++i)
        vuotiInPiu = riga.vuoto(i);
    f.lunga = f.campi > intestazione && !vuotiInPiu;
    f.scritti = vuotiInPiu ? intestazione : f.campi;
    f.fineDopo = nuove.posto >= 0 ? qMax(f.scritti, intestazione) : f.scritti;
    return f;
}

QString esitoRigaLunga(qsizetype campi, qsizetype intestazione)
{
    return QStringLiteral("Riga con %1 campi, l'intestazione ne ha %2: quelli in più seguono le nuove colonne")
        .arg(campi)
        .arg(intestazione);
}

// ---- CSV

UscitaCsv::Formato UscitaCsv::comeExcel()
{
    return {';', "\r\n", true, Csv::Codifica::Utf8, {}};
}

UscitaCsv::UscitaCsv(const Disposizione &disposizione, Formato formato)
    : m_disposizione(disposizione)
    , m_formato(std::move(formato))
{}

UscitaCsv::~UscitaCsv()
{
    m_scrittore.reset(); // what it holds goes out before the file closes
}

bool UscitaCsv::apri(const QString &percorso)
{
    if (percorso.isEmpty()) {
        Flussi::apri(m_standard, Flussi::Flusso::Uscita, QIODevice::WriteOnly | QIODevice::Unbuffered);
        m_dispositivo = &m_standard;
    } else if (Sostituzione::speciale(percorso)) {
        // A device or a pipe is written into, never replaced.
        m_standard.setFileName(percorso);
        if (!m_standard.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            m_motivo = motivoScrittura(numeroErrore(m_standard, errno));
            return false;
        }
        m_dispositivo = &m_standard;
    } else {
        m_salvato.setFileName(percorso);
        if (!m_salvato.open(QIODevice::WriteOnly)) {
            m_motivo = motivoScrittura(numeroErrore(m_salvato, errno));
            return false;
        }
        m_dispositivo = &m_salvato;
    }
    m_scrittore = std::make_unique<Csv::Scrittore>(*m_dispositivo, m_formato.separatore, m_formato.fineRiga);
    if (m_formato.bom)
        m_scrittore->grezzo("\xEF\xBB\xBF");
    if (!m_formato.rigaSeparatore.isEmpty()) {
        m_scrittore->grezzo(m_formato.rigaSeparatore);
        m_scrittore->fineRiga();
    }
    return true;
}

void UscitaCsv::intestazione(const std::vector<QByteArray> &campi, const QByteArray *grezza)
{
    Csv::Scrittore &s = *m_scrittore;
    const qsizetype n = static_cast<qsizetype>(campi.size());
    auto scrivi = [&](qsizetype da, qsizetype a) {
        for (qsizetype i = da; i < a; ++i) {
            if (i > 0)
                s.separatore();
            if (i < n)
                s.campo(campi[static_cast<size_t>(i)]);
        }
    };
    if (m_disposizione.nuove.posto < 0 && grezza)
        s.grezzo(*grezza);
    else
        scrivi(0, m_disposizione.prima());
    for (const QString &nome : m_disposizione.nuove.nomi) {
        s.separatore();
        s.campo(Csv::codifica(nome, m_formato.codifica));
    }
    scrivi(m_disposizione.dopoDa(), n);
    s.fineRiga();
}

void UscitaCsv::campi(const Riga &riga, qsizetype presenti, qsizetype da, qsizetype a)
{
    for (qsizetype i = da; i < a; ++i) {
        if (i > 0)
            m_scrittore->separatore();
        if (i < presenti)
            m_scrittore->campo(riga.testo(i));
    }
}

void UscitaCsv::valoreCp1252(QByteArrayView utf8)
{
    m_scrittore->campo(Cp1252::codifica(QString::fromUtf8(utf8)));
}

bool UscitaCsv::riga(const Riga &riga, const Disposizione::Forma &forma, const Risultato &risultato)
{
    Csv::Scrittore &s = *m_scrittore;
    const Csv::Riga &letta = riga.csv;
    // The columns before the new ones: as read when possible, else value by value.
    if (letta.copiabile && letta.valida && m_disposizione.nuove.posto < 0 &&
        forma.campi <= m_disposizione.intestazione) {
        s.grezzo(letta.grezza);
        for (qsizetype i = forma.campi; i < m_disposizione.intestazione; ++i)
            s.separatore();
    } else {
        campi(riga, forma.campi, 0, m_disposizione.prima());
    }
    const int colonne = risultato.colonne();
    for (int i = 0; i < colonne; ++i) {
        s.separatore();
        const QByteArrayView v = risultato.valore(i);
        if (!v.isEmpty())
            valore(v, risultato.semplice(i));
    }
    campi(riga, forma.scritti, m_disposizione.dopoDa(), forma.fineDopo);
    s.fineRiga();
    return !s.errore();
}

bool UscitaCsv::vuota()
{
    m_scrittore->fineRiga();
    return !m_scrittore->errore();
}

bool UscitaCsv::chiudi(const Resoconto &)
{
    if (m_scrittore->scarica() && (m_dispositivo != &m_salvato || m_salvato.commit()))
        return true;
    const int numero = m_scrittore->numeroErrore() != 0 ? m_scrittore->numeroErrore() : errno;
    m_motivo = motivoScrittura(numeroErrore(*m_dispositivo, numero));
    return false;
}

QString UscitaCsv::motivo() const
{
    if (m_motivo.isEmpty() && fallita())
        return motivoScrittura(numeroErrore(*m_dispositivo, m_scrittore->numeroErrore()));
    return m_motivo;
}

void UscitaCsv::annulla()
{
    if (m_dispositivo == &m_salvato)
        m_salvato.cancelWriting(); // the temporary file goes, the output's name is never touched
}

// ---- .xlsx

UscitaXlsx::UscitaXlsx(const Disposizione &disposizione, Csv::Codifica codifica)
    : m_disposizione(disposizione)
    , m_codifica(codifica)
{}

UscitaXlsx::~UscitaXlsx() = default;

bool UscitaXlsx::apri(const QString &percorso, const QStringList &intestazione, const QString &foglio)
{
    const Fogli::Libreria *libreria = Fogli::libreria(&m_motivo);
    if (!libreria) {
        m_motivo = minuscola(m_motivo);
        return false;
    }
    m_libro = libreria->scrittore(percorso);
    m_libro->impostaNomeFoglio(foglio);
    m_libro->righeSopra(std::move(m_sopra));
    return scritta(m_libro->apri(m_disposizione.intestazioneCompleta(intestazione)));
}

bool UscitaXlsx::scritta(bool ok)
{
    if (!ok && !m_fallita) {
        m_fallita = true;
        m_motivo = minuscola(m_libro->errore());
    }
    return ok;
}

// A cell of the input: from a sheet as it is, from a CSV as text.
Fogli::Cella UscitaXlsx::cella(const Riga &riga, qsizetype campo, qsizetype presenti) const
{
    if (campo >= presenti)
        return Fogli::Cella();
    if (riga.celle)
        return static_cast<size_t>(campo) < riga.celle->size() ? (*riga.celle)[static_cast<size_t>(campo)]
                                                               : Fogli::Cella();
    const QString t = Csv::decodifica(riga.testo(campo), m_codifica);
    return t.isEmpty() ? Fogli::Cella() : Fogli::Cella::diTesto(t);
}

void UscitaXlsx::celle(const Riga &riga, const Disposizione::Forma &forma, const Risultato *risultato)
{
    m_celle.clear();
    for (qsizetype i = 0; i < m_disposizione.prima(); ++i)
        m_celle.push_back(cella(riga, i, forma.campi));
    for (qsizetype i = 0; i < m_disposizione.nuove.nomi.size(); ++i) {
        const QByteArrayView v = risultato ? risultato->valore(int(i)) : QByteArrayView();
        m_celle.push_back(v.isEmpty() ? Fogli::Cella() : Fogli::Cella::diTesto(QString::fromUtf8(v)));
    }
    for (qsizetype i = m_disposizione.dopoDa(); i < forma.fineDopo; ++i)
        m_celle.push_back(cella(riga, i, forma.scritti));
}

void UscitaXlsx::sopra(const Riga &riga, const Disposizione::Forma &forma)
{
    celle(riga, forma, nullptr);
    m_sopra.push_back(m_celle);
}

bool UscitaXlsx::riga(const Riga &riga, const Disposizione::Forma &forma, const Risultato &risultato)
{
    celle(riga, forma, &risultato);
    return scritta(m_libro->scriviRiga(m_celle, !risultato.esito().isEmpty()));
}

bool UscitaXlsx::vuota()
{
    m_celle.clear();
    return scritta(m_libro->scriviRiga(m_celle, false));
}

bool UscitaXlsx::chiudi(const Resoconto &resoconto)
{
    std::vector<std::pair<QString, QString>> riepilogo = {
        {QStringLiteral("Righe"), QString::number(resoconto.righe)},
        {QStringLiteral("Righe senza esito"), QString::number(resoconto.buone)}};
    for (const auto &[tipo, quante] : resoconto.perEsito)
        riepilogo.emplace_back(tipo, QString::number(quante));
    return !m_fallita && scritta(m_libro->chiudi(riepilogo));
}

void UscitaXlsx::annulla()
{
    if (m_libro)
        m_libro->annulla();
}

} // namespace Tabelle
