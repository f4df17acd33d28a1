#include "tabellacsv.h"

#include <cstring>

#include <QIODevice>

#include <csv.h>

#include "cp1252.h"

namespace {

constexpr qsizetype kBlocco = qsizetype(1024) * 1024;
constexpr qsizetype kCampione = qsizetype(64) * 1024;
// libcsv's state inside a value that a quote has opened and no quote has closed yet.
constexpr int kDentroCampo = 2;

// The reader splits the lines itself and ends each record with csv_fini; a carriage return alone inside a
// line is part of a value. libcsv tests its own terminators inline, faster than through this function, so
// the function is set only for the rare line that holds a carriage return.
int nessunTerminatore(unsigned char)
{
    return 0;
}

int nessunoSpazio(unsigned char)
{
    return 0; // values keep their spaces, as when a line is split without libcsv
}

// The length of a valid UTF-8 sequence at `p` (2 to 4), 0 when it is not one, -1 when `fine` cuts it.
int sequenzaUtf8(const unsigned char *p, const unsigned char *fine)
{
    const unsigned char c = p[0];
    int n;
    unsigned char minimo = 0x80, massimo = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            minimo = 0xA0;
        else if (c == 0xED)
            massimo = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            minimo = 0x90;
        else if (c == 0xF4)
            massimo = 0x8F;
    } else {
        return 0;
    }
    for (int i = 1; i < n; ++i) {
        if (p + i >= fine)
            return -1;
        const unsigned char b = p[i];
        if (b < (i == 1 ? minimo : 0x80) || b > (i == 1 ? massimo : 0xBF))
            return 0;
    }
    return n;
}

} // namespace

namespace Csv {

std::optional<Codifica> codificaDaNome(const QString &nome)
{
    const QString n = nome.trimmed().toLower();
    if (n == u"utf-8" || n == u"utf8")
        return Codifica::Utf8;
    if (n == u"windows-1252" || n == u"cp1252" || n == u"windows1252")
        return Codifica::Windows1252;
    if (n == u"auto")
        return Codifica::Automatica;
    return std::nullopt;
}

Codifica rilevaCodifica(QByteArrayView campione)
{
    const auto *p = reinterpret_cast<const unsigned char *>(campione.data());
    const unsigned char *fine = p + campione.size();
    bool multibyte = false;
    while (p < fine) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int n = sequenzaUtf8(p, fine);
        if (n < 0)
            break;
        if (n == 0)
            return Codifica::Windows1252;
        multibyte = true;
        p += n;
    }
    return multibyte ? Codifica::Utf8 : Codifica::Automatica;
}

char rilevaSeparatore(QByteArrayView intestazione)
{
    int puntiEVirgola = 0, virgole = 0, tabulazioni = 0;
    bool virgolette = false;
    for (char c : intestazione) {
        if (c == '"')
            virgolette = !virgolette;
        else if (virgolette)
            continue;
        else if (c == ';')
            ++puntiEVirgola;
        else if (c == ',')
            ++virgole;
        else if (c == '\t')
            ++tabulazioni;
    }
    if (virgole > puntiEVirgola && virgole >= tabulazioni)
        return ',';
    if (tabulazioni > puntiEVirgola && tabulazioni > virgole)
        return '\t';
    return ';';
}

QString decodifica(QByteArrayView byte, Codifica codifica)
{
    if (codifica == Codifica::Windows1252)
        return Cp1252::decodifica(byte.toByteArray());
    return QString::fromUtf8(byte);
}

QByteArray codifica(const QString &testo, Codifica codifica)
{
    if (codifica == Codifica::Windows1252)
        return Cp1252::codifica(testo);
    return testo.toUtf8();
}

Lettore::Lettore(QIODevice &ingresso, char separatore, Codifica codifica)
    : m_ingresso(ingresso)
    , m_parser(std::make_unique<csv_parser>())
    , m_separatore(separatore)
    , m_codifica(codifica)
{
    nuovoParser();
    m_buffer.reserve(2 * kBlocco);
}

void Lettore::nuovoParser()
{
    csv_init(m_parser.get(), 0);
    csv_set_space_func(m_parser.get(), nessunoSpazio);
    if (m_separatore != 0)
        csv_set_delim(m_parser.get(), static_cast<unsigned char>(m_separatore));
}

Lettore::~Lettore()
{
    csv_free(m_parser.get());
}

void Lettore::suCampo(void *valore, size_t lunghezza, void *lettore)
{
    auto *self = static_cast<Lettore *>(lettore);
    const qsizetype n = static_cast<qsizetype>(lunghezza);
    if (self->m_usati + n > self->m_valori.size())
        self->m_valori.resize(qMax(self->m_valori.size() * 2, self->m_usati + n));
    if (n > 0)
        std::memcpy(self->m_valori.data() + self->m_usati, valore, lunghezza);
    self->m_usati += n;
    self->m_confini.push_back(self->m_usati);
}

void Lettore::suRiga(int, void *)
{}

void Lettore::fissaCodifica(Codifica codifica)
{
    if (m_codifica == Codifica::Automatica)
        m_codifica = codifica;
}

bool Lettore::riempi()
{
    if (m_fineIngresso)
        return false;
    if (m_inizio > 0) {
        const qsizetype resto = m_buffer.size() - m_inizio;
        std::memmove(m_buffer.data(), m_buffer.constData() + m_inizio, static_cast<size_t>(resto));
        m_buffer.resize(resto);
        m_pos -= m_inizio;
        m_inizio = 0;
    }
    const qsizetype prima = m_buffer.size();
    m_buffer.resize(prima + kBlocco);
    qint64 letti = m_ingresso.read(m_buffer.data() + prima, kBlocco);
    if (letti < 0) {
        m_errore = m_ingresso.errorString();
        letti = 0;
    }
    m_buffer.resize(prima + letti);
    m_byteLetti += letti;
    if (letti == 0)
        m_fineIngresso = true;
    return letti > 0;
}

// The line that starts at m_pos: `fine` where its text ends (before "\r\n" or "\n"), `dopo` where the
// next one starts. False when no byte is left.
bool Lettore::prossimaLinea(qsizetype &fine, qsizetype &dopo)
{
    qsizetype cercaDa = m_pos;
    for (;;) {
        const char *base = m_buffer.constData();
        const void *a = std::memchr(base + cercaDa, '\n', static_cast<size_t>(m_buffer.size() - cercaDa));
        if (a) {
            const qsizetype capo = static_cast<const char *>(a) - base;
            fine = capo > m_pos && base[capo - 1] == '\r' ? capo - 1 : capo;
            dopo = capo + 1;
            return true;
        }
        const qsizetype giaVisti = m_buffer.size() - m_pos;
        if (!riempi()) {
            if (m_pos >= m_buffer.size())
                return false;
            fine = dopo = m_buffer.size();
            if (m_buffer.at(fine - 1) == '\r') // fine > m_pos here
                --fine;
            return true;
        }
        cercaDa = m_pos + giaVisti;
    }
}

void Lettore::rilevaInizio()
{
    m_iniziato = true;
    riempi();
    if (m_buffer.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        m_pos = m_inizio = 3;
        fissaCodifica(Codifica::Utf8);
    }
    qsizetype fine = 0, dopo = 0;
    if (!prossimaLinea(fine, dopo))
        return;
    const QByteArrayView intestazione(m_buffer.constData() + m_pos, fine - m_pos);
    if (m_separatore == 0)
        m_separatore = rilevaSeparatore(intestazione);
    if (dopo > fine + 1)
        m_fineRiga = "\r\n";
    csv_set_delim(m_parser.get(), static_cast<unsigned char>(m_separatore));
}

void Lettore::rilevaSu(qsizetype da)
{
    const Codifica c = rilevaCodifica(QByteArrayView(m_buffer).sliced(da, qMin(kCampione, m_buffer.size() - da)));
    if (c != Codifica::Automatica)
        m_codifica = c;
}

void Lettore::chiudiRiga(Riga &riga, qsizetype fineGrezza, bool valida)
{
    riga.campi.clear();
    qsizetype inizio = 0;
    for (qsizetype confine : m_confini) {
        riga.campi.emplace_back(m_valori.constData() + inizio, confine - inizio);
        inizio = confine;
    }
    riga.grezza = QByteArrayView(m_buffer.constData() + m_inizio, fineGrezza - m_inizio);
    riga.valida = valida;
    riga.numero = m_lineaInizio;
}

// A record whose quote is still open at the end of the input or past kMassimoRiga: its first line alone
// becomes the record, marked not valid, and reading goes on from the line after it.
bool Lettore::rigaNonChiusa(Riga &riga)
{
    m_usati = 0;
    m_confini.clear();
    csv_free(m_parser.get());
    nuovoParser();

    const char *base = m_buffer.constData();
    const void *a = std::memchr(base + m_inizio, '\n', static_cast<size_t>(m_buffer.size() - m_inizio));
    const qsizetype capo = a ? static_cast<const char *>(a) - base : m_buffer.size();
    const qsizetype fine = capo > m_inizio && base[capo - 1] == '\r' ? capo - 1 : capo;
    analizza(base + m_inizio, fine - m_inizio);
    csv_fini(m_parser.get(), suCampo, suRiga, this);
    chiudiRiga(riga, fine, false);
    m_pos = a ? capo + 1 : capo;
    m_linea = m_lineaInizio + 1;
    return true;
}

void Lettore::analizza(const char *testo, qsizetype lunghezza)
{
    const bool ritorno = std::memchr(testo, '\r', static_cast<size_t>(lunghezza)) != nullptr;
    if (ritorno)
        csv_set_term_func(m_parser.get(), nessunTerminatore);
    csv_parse(m_parser.get(), testo, static_cast<size_t>(lunghezza), suCampo, suRiga, this);
    if (ritorno)
        csv_set_term_func(m_parser.get(), nullptr);
}

// A line without quotes is a whole record: its values lie between the separators, and libcsv, which
// spends some forty instructions on every byte, is kept for the lines that need it. False, with nothing
// changed, when the line holds a quote.
bool Lettore::dividiSemplice(Riga &riga, qsizetype fine)
{
    const char *base = m_buffer.constData();
    const char sep = m_separatore;
    bool nonAscii = false;
    m_campiSemplici.clear();
    qsizetype inizio = m_pos;
    for (qsizetype i = m_pos; i < fine; ++i) {
        const char c = base[i];
        if (c == sep) {
            m_campiSemplici.emplace_back(base + inizio, i - inizio);
            inizio = i + 1;
        } else if (c == '"') {
            return false;
        } else {
            nonAscii |= static_cast<unsigned char>(c) >= 0x80;
        }
    }
    m_campiSemplici.emplace_back(base + inizio, fine - inizio);
    if (nonAscii && m_codifica == Codifica::Automatica)
        rilevaSu(m_pos);
    riga.campi.swap(m_campiSemplici);
    riga.grezza = QByteArrayView(base + m_inizio, fine - m_inizio);
    riga.valida = true;
    riga.numero = m_lineaInizio;
    return true;
}

bool Lettore::leggi(Riga &riga)
{
    if (!m_iniziato)
        rilevaInizio();
    m_inizio = m_pos;
    m_lineaInizio = m_linea;
    m_usati = 0;
    m_confini.clear();
    for (;;) {
        qsizetype fine = 0, dopo = 0;
        if (!prossimaLinea(fine, dopo)) {
            if (m_pos == m_inizio)
                return false;
            return rigaNonChiusa(riga);
        }
        if (m_pos == m_inizio && fine == m_pos) { // an empty line between records
            m_pos = m_inizio = dopo;
            m_lineaInizio = ++m_linea;
            continue;
        }
        const char *base = m_buffer.constData();
        if (m_pos == m_inizio && dividiSemplice(riga, fine)) {
            m_pos = dopo;
            ++m_linea;
            return true;
        }
        if (m_codifica == Codifica::Automatica) {
            for (qsizetype i = m_pos; i < fine; ++i) {
                if (static_cast<unsigned char>(base[i]) >= 0x80) {
                    rilevaSu(i);
                    break;
                }
            }
        }
        analizza(base + m_pos, fine - m_pos);
        const bool aperto = m_parser->pstate == kDentroCampo && m_parser->quoted;
        if (!aperto) {
            csv_fini(m_parser.get(), suCampo, suRiga, this);
            chiudiRiga(riga, fine, true);
            m_pos = dopo;
            ++m_linea;
            return true;
        }
        // A line break inside quotes belongs to the value.
        csv_parse(m_parser.get(), base + fine, static_cast<size_t>(dopo - fine), suCampo, suRiga, this);
        m_pos = dopo;
        ++m_linea;
        if (dopo == fine || m_pos - m_inizio > kMassimoRiga)
            return rigaNonChiusa(riga);
    }
}

Scrittore::Scrittore(QIODevice &uscita, char separatore, QByteArray fineRiga)
    : m_uscita(uscita)
    , m_separatore(separatore)
    , m_fineRiga(std::move(fineRiga))
{
    m_buffer.resize(kBlocco);
}

void Scrittore::cresci(qsizetype n)
{
    m_buffer.resize(qMax(m_buffer.size() * 2, m_usati + n));
}

Scrittore::~Scrittore()
{
    scarica();
}

void Scrittore::campo(QByteArrayView valore)
{
    // A value that begins with the bytes of a byte order mark is quoted too: first in a file, it would be
    // read back as the mark and lost from the value.
    bool virgolette = valore.startsWith("\xEF\xBB\xBF");
    for (char c : valore) {
        if (c == m_separatore || c == '"' || c == '\n' || c == '\r') {
            virgolette = true;
            break;
        }
    }
    if (!virgolette) {
        grezzo(valore);
        return;
    }
    spazio(2 * valore.size() + 2);
    char *out = m_buffer.data() + m_usati;
    *out++ = '"';
    for (char c : valore) {
        if (c == '"')
            *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    m_usati = out - m_buffer.constData();
}

void Scrittore::fineRiga()
{
    grezzo(m_fineRiga);
    if (m_usati >= kBlocco)
        scarica();
}

bool Scrittore::scarica()
{
    if (m_usati > 0 && !m_errore) {
        if (m_uscita.write(m_buffer.constData(), m_usati) != m_usati)
            m_errore = true;
    }
    m_usati = 0;
    return !m_errore;
}

} // namespace Csv
