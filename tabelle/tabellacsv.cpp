#include "tabellacsv.h"

#include <cerrno>
#include <cstring>

#include <QIODevice>

#include <csv.h>

#include "cp1252.h"
#include "foglio.h"
#include "memoria.h"

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

bool soloAscii(const char *p, qsizetype n)
{
    quint64 alti = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 parola;
        std::memcpy(&parola, p + i, sizeof parola);
        alti |= parola;
    }
    for (; i < n; ++i)
        alti |= static_cast<unsigned char>(p[i]);
    return (alti & 0x8080808080808080ULL) == 0;
}

// Whether the bytes outside ASCII of `p` are all valid UTF-8 sequences (false also for a sequence cut at
// the end).
bool utf8Valido(const char *testo, qsizetype n)
{
    const auto *p = reinterpret_cast<const unsigned char *>(testo);
    const unsigned char *fine = p + n;
    while (p < fine) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int l = sequenzaUtf8(p, fine);
        if (l <= 0)
            return false;
        p += l;
    }
    return true;
}

} // namespace

namespace Csv {

std::optional<Codifica> codificaDaNome(const QString &nome)
{
    QString n = nome.trimmed().toLower();
    n.remove(u'-');
    n.remove(u'_');
    n.remove(u' ');
    if (n == u"utf8")
        return Codifica::Utf8;
    if (n == u"windows1252" || n == u"cp1252" || n == u"latin1" || n == u"iso88591" || n == u"ansi" || n == u"win1252")
        return Codifica::Windows1252;
    if (n == u"auto")
        return Codifica::Automatica;
    return std::nullopt;
}

Codifica Censimento::principale() const
{
    if (righeUtf8 == 0 && righeWindows1252 == 0)
        return Codifica::Automatica;
    return righeUtf8 >= righeWindows1252 ? Codifica::Utf8 : Codifica::Windows1252;
}

namespace {

// The first look at a table, a block at a time: lines outside ASCII by encoding and, when columns are asked,
// their values (a value that goes on past a line end or a block is not handed over).
class Esame
{
public:
    Esame(char separatore, char capo, const std::vector<int> &colonne,
          const std::function<void(int, QByteArrayView)> &valore)
        : m_separatore(separatore)
        , m_capo(capo)
        , m_colonne(colonne)
        , m_valore(valore)
    {
        for (int c : colonne)
            m_ultima = qMax(m_ultima, c);
    }

    // Bytes of one line, `fine` when its line end follows.
    void linea(const char *p, qsizetype n, bool fine)
    {
        if (!m_invalida && !soloAscii(p, n)) {
            m_nonAscii = true;
            m_invalida = !utf8Valido(p, n);
        }
        if (m_ultima >= 0)
            campi(p, n, fine);
        if (fine) {
            if (m_nonAscii)
                ++(m_invalida ? censimento.righeWindows1252 : censimento.righeUtf8);
            m_nonAscii = m_invalida = false;
        }
    }

    // Bytes outside ASCII only: the lines that hold them, found a block at a time.
    void soloCodifica(const char *base, qsizetype n)
    {
        qsizetype p = 0;
        while (p < n) {
            qsizetype q = p;
            while (q + 32 <= n && soloAscii(base + q, 32))
                q += 32;
            if (q + 32 > n && soloAscii(base + q, n - q)) {
                // The rest is ASCII: the line in progress ends at its first line end.
                const void *a = std::memchr(base + p, m_capo, static_cast<size_t>(n - p));
                if (a)
                    linea(base, 0, true);
                return;
            }
            // The line of that byte, from its start (or p) to its end.
            const void *prima = q > p ? Memoria::ultimo(base + p, m_capo, static_cast<size_t>(q - p)) : nullptr;
            if (prima)
                linea(base, 0, true); // ends the line in progress before it
            const qsizetype inizio = prima ? static_cast<const char *>(prima) - base + 1 : p;
            const void *a = std::memchr(base + inizio, m_capo, static_cast<size_t>(n - inizio));
            const qsizetype fine = a ? static_cast<const char *>(a) - base : n;
            linea(base + inizio, fine - inizio, a != nullptr);
            p = a ? fine + 1 : n;
        }
    }

    Censimento censimento;
    bool intestazione = true; // the first line that is not empty is the header: its values are not handed over

private:
    void campi(const char *p, qsizetype n, bool fine)
    {
        qsizetype inizio = m_lungo ? -1 : 0;
        m_lungo = false;
        for (qsizetype i = 0; i < n; ++i) {
            if (!m_virgolette && m_campo > m_ultima) {
                // Past the columns asked: only a quote can still matter, by carrying the record on.
                const void *q = std::memchr(p + i, '"', static_cast<size_t>(n - i));
                if (!q)
                    break;
                i = static_cast<const char *>(q) - p;
            }
            const char ch = p[i];
            if (ch == '"') {
                m_virgolette = !m_virgolette;
            } else if (ch == m_separatore && !m_virgolette) {
                consegna(p, inizio, i);
                ++m_campo;
                inizio = i + 1;
            }
        }
        if (!fine) {
            m_lungo = true;
            return;
        }
        if (m_virgolette) { // a line end inside quotes: the value goes on
            m_lungo = true;
            return;
        }
        qsizetype f = n;
        if (f > 0 && p[f - 1] == '\r')
            --f;
        if (m_campo <= m_ultima)
            consegna(p, inizio, f);
        if (n > 0 || m_campo > 0)
            intestazione = false;
        m_campo = 0;
    }

    void consegna(const char *p, qsizetype inizio, qsizetype fine)
    {
        if (inizio < 0 || intestazione || fine < inizio)
            return;
        for (size_t k = 0; k < m_colonne.size(); ++k) {
            if (m_colonne[k] == m_campo) {
                QByteArrayView v(p + inizio, fine - inizio);
                if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
                    v = v.sliced(1, v.size() - 2);
                m_valore(static_cast<int>(k), v);
            }
        }
    }

    char m_separatore;
    char m_capo;
    const std::vector<int> &m_colonne;
    const std::function<void(int, QByteArrayView)> &m_valore;
    int m_ultima = -1;
    int m_campo = 0;
    bool m_virgolette = false, m_lungo = false;
    bool m_nonAscii = false, m_invalida = false;
};

} // namespace

Censimento esamina(QIODevice &ingresso, char separatore, const std::vector<int> &colonne,
                   const std::function<void(int, QByteArrayView)> &valore, const std::function<bool()> &annullato,
                   char capo)
{
    Esame esame(separatore, capo, colonne, valore);
    QByteArray blocco(2 * kBlocco + 4, Qt::Uninitialized);
    qsizetype resto = 0; // the end of the last block that no line end closed, moved to the front
    bool primo = true;
    for (;;) {
        if (annullato && annullato())
            break;
        const qint64 letti = ingresso.read(blocco.data() + resto, kBlocco);
        const bool finito = letti <= 0;
        const qsizetype n = resto + (finito ? 0 : static_cast<qsizetype>(letti));
        char *base = blocco.data();
        qsizetype p = 0;
        if (primo && n >= 3 && QByteArrayView(base, 3) == "\xEF\xBB\xBF")
            p = 3;
        primo = false;
        if (finito) {
            if (n > p)
                esame.linea(base + p, n - p, true);
            break;
        }
        // Up to the last line end; the rest waits for the next block, unless it is already a block long.
        const void *ultimo = Memoria::ultimo(base + p, capo, static_cast<size_t>(n - p));
        qsizetype fino = ultimo ? static_cast<const char *>(ultimo) - base + 1 : p;
        if (n - fino >= kBlocco) {
            // A line longer than a block: its bytes so far, cut where no UTF-8 sequence is split.
            fino = n;
            for (qsizetype k = n - 1; k >= n - 3; --k) {
                const auto b = static_cast<unsigned char>(base[k]);
                if (b < 0x80)
                    break;
                if (b >= 0xC0) {
                    if (k + (b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2) > n)
                        fino = k;
                    break;
                }
            }
        }
        if (colonne.empty()) {
            esame.soloCodifica(base + p, fino - p);
        } else {
            while (p < fino) {
                const void *a = std::memchr(base + p, capo, static_cast<size_t>(fino - p));
                const qsizetype fine = a ? static_cast<const char *>(a) - base : fino;
                esame.linea(base + p, fine - p, a != nullptr);
                p = a ? fine + 1 : fino;
            }
        }
        resto = n - fino;
        std::memmove(base, base + fino, static_cast<size_t>(resto));
    }
    return esame.censimento;
}

QString nonTabella(QByteArrayView inizio)
{
    const Fogli::Contenitore contenitore = Fogli::contenitoreDi(inizio);
    if (contenitore == Fogli::Contenitore::Zip) {
        if (inizio.indexOf("application/vnd.oasis.opendocument.spreadsheet") >= 0)
            return QStringLiteral("un foglio di calcolo OpenDocument (.ods)");
        if (inizio.indexOf("application/vnd.oasis.opendocument") >= 0)
            return QStringLiteral("un documento OpenDocument");
        if (inizio.indexOf("xl/") >= 0)
            return QStringLiteral("un foglio di calcolo Excel (.xlsx)");
        if (inizio.indexOf("word/") >= 0)
            return QStringLiteral("un documento Word (.docx)");
        return QStringLiteral("un archivio ZIP");
    }
    if (contenitore == Fogli::Contenitore::Ole2)
        return QStringLiteral("un file di Office nel formato vecchio (.xls o .doc)");
    if (inizio.startsWith("\xFF\xFE") || inizio.startsWith("\xFE\xFF"))
        return QStringLiteral("un testo in UTF-16");
    if (inizio.startsWith("\x7F"
                          "ELF"))
        return QStringLiteral("un programma (ELF)");
    if (inizio.startsWith("%PDF-"))
        return QStringLiteral("un documento PDF");
    if (inizio.startsWith("\x1F\x8B"))
        return QStringLiteral("un archivio compresso (gzip)");
    if (inizio.startsWith("\x89PNG") || inizio.startsWith("\xFF\xD8\xFF") || inizio.startsWith("GIF8"))
        return QStringLiteral("un'immagine");
    if (inizio.startsWith("{\\rtf"))
        return QStringLiteral("un documento RTF");
    if (inizio.startsWith("MZ") && inizio.indexOf('\0') >= 0)
        return QStringLiteral("un programma Windows (.exe)");
    // Text in UTF-16 without a mark: a zero byte beside most ASCII characters, on one side.
    const qsizetype n = qMin<qsizetype>(inizio.size(), 512);
    qsizetype zeriPari = 0, zeriDispari = 0, zeri = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (inizio[i] == 0) {
            ++zeri;
            ++(i % 2 == 0 ? zeriPari : zeriDispari);
        }
    }
    if (n >= 4 && qMax(zeriPari, zeriDispari) * 4 >= n && qMin(zeriPari, zeriDispari) * 8 < qMax(zeriPari, zeriDispari))
        return QStringLiteral("un testo in UTF-16");
    if (zeri > 0)
        return QStringLiteral("un file binario, non di testo");
    return QString();
}

QString estratto(QByteArrayView byte, Codifica codifica, qsizetype massimo)
{
    QString testo = decodifica(byte.first(qMin(byte.size(), massimo * 4)), codifica);
    const bool tagliato = testo.size() > massimo || byte.size() > massimo * 4;
    testo.truncate(massimo);
    for (QChar &c : testo) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) || c.category() == QChar::Other_Format ||
            c.isSurrogate() || c == QChar::ReplacementCharacter)
            c = u'·';
    }
    if (tagliato)
        testo += u'…';
    return testo;
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

Lettore::Lettore(QIODevice &ingresso, char separatore, Codifica codifica, qsizetype massimoRiga)
    : m_ingresso(ingresso)
    , m_massimo(qMax<qsizetype>(massimoRiga, 64))
    , m_parser(std::make_unique<csv_parser>())
    , m_separatore(separatore)
    , m_codifica(codifica)
    , m_uniforma(codifica == Codifica::Automatica)
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
    m_nulli = std::memchr(m_buffer.constData(), 0, static_cast<size_t>(m_buffer.size())) != nullptr;
    if (letti == 0)
        m_fineIngresso = true;
    return letti > 0;
}

void Lettore::esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore,
                      const std::function<bool()> &annullato)
{
    if (m_ingresso.isSequential())
        return; // read once only: the encoding was decided at its first byte outside ASCII
    const qint64 posizione = m_ingresso.pos();
    m_ingresso.seek(m_origine);
    const Censimento censimento = Csv::esamina(m_ingresso, m_separatore, colonne, valore, annullato, m_capo);
    m_ingresso.seek(posizione);
    if (m_rinviata)
        decidiCodifica(censimento.principale());
}

double Lettore::frazione() const
{
    return m_dimensione > 0 ? qMin(1.0, double(m_byteLetti) / double(m_dimensione)) : 0;
}

// The line that starts at m_pos: `fine` where its text ends (before "\r\n" or "\n"), `dopo` where the
// next one starts. Finito when no byte is left; TroppoLunga when the record would pass the longest allowed.
Lettore::Linea Lettore::prossimaLinea(qsizetype &fine, qsizetype &dopo)
{
    qsizetype cercaDa = m_pos;
    for (;;) {
        const char *base = m_buffer.constData();
        const void *a = std::memchr(base + cercaDa, m_capo, static_cast<size_t>(m_buffer.size() - cercaDa));
        if (a) {
            const qsizetype capo = static_cast<const char *>(a) - base;
            if (capo - m_inizio > m_massimo)
                return Linea::TroppoLunga;
            fine = m_capo == '\n' && capo > m_pos && base[capo - 1] == '\r' ? capo - 1 : capo;
            dopo = capo + 1;
            return Linea::Trovata;
        }
        const qsizetype giaVisti = m_buffer.size() - m_pos;
        if (m_buffer.size() - m_inizio > m_massimo)
            return Linea::TroppoLunga;
        if (!riempi()) {
            if (m_pos >= m_buffer.size())
                return Linea::Finito;
            fine = dopo = m_buffer.size();
            if (m_buffer.at(fine - 1) == '\r') // fine > m_pos here
                --fine;
            return Linea::Trovata;
        }
        cercaDa = m_pos + giaVisti;
    }
}

void Lettore::rilevaInizio()
{
    m_iniziato = true;
    m_origine = m_ingresso.pos();
    if (!m_ingresso.isSequential()) {
        m_dimensione = m_ingresso.size() - m_ingresso.pos();
        if (m_codifica == Codifica::Automatica && !m_rinviata) {
            const qint64 inizio = m_ingresso.pos();
            m_codifica = Csv::esamina(m_ingresso, m_separatore, {}, {}).principale();
            m_ingresso.seek(inizio);
        }
    }
    riempi();
    if (m_buffer.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        m_pos = m_inizio = 3;
        if (m_uniforma)
            m_codifica = Codifica::Utf8;
    }
    saltaRigaSeparatore();
    // A file of an old Mac ends its lines with a CR alone.
    const QByteArrayView blocco = QByteArrayView(m_buffer).sliced(m_pos);
    if (!blocco.contains('\n') && blocco.contains('\r')) {
        m_capo = '\r';
        m_fineRiga = "\r";
    }
    // The first line that is not empty, in the first block, gives separator and line end.
    const char *base = m_buffer.constData();
    for (qsizetype p = m_pos; p < m_buffer.size();) {
        const void *a = std::memchr(base + p, m_capo, static_cast<size_t>(m_buffer.size() - p));
        const qsizetype capo = a ? static_cast<const char *>(a) - base : m_buffer.size();
        const qsizetype fine = m_capo == '\n' && capo > p && base[capo - 1] == '\r' ? capo - 1 : capo;
        if (fine > p) {
            if (m_separatore == 0)
                m_separatore = rilevaSeparatore(QByteArrayView(base + p, fine - p));
            if (a && fine < capo)
                m_fineRiga = "\r\n";
            break;
        }
        p = capo + 1;
    }
    if (m_separatore == 0)
        m_separatore = ';';
    csv_set_delim(m_parser.get(), static_cast<unsigned char>(m_separatore));
}

// Excel's first line "sep=;" names the separator and is no record: it is kept for the output.
void Lettore::saltaRigaSeparatore()
{
    const QByteArrayView resto = QByteArrayView(m_buffer).sliced(m_pos);
    if (resto.size() < 5 || resto.first(4).compare("sep=", Qt::CaseInsensitive) != 0)
        return;
    const char sep = resto[4];
    qsizetype fine = 5;
    if (fine < resto.size() && resto[fine] == '\r')
        ++fine;
    if (fine < resto.size() && resto[fine] == '\n')
        ++fine;
    const bool solo = fine == resto.size() || fine > 5;
    if (sep == '"' || sep == '\r' || sep == '\n' || !solo)
        return;
    m_rigaSeparatore = resto.first(5).toByteArray();
    if (m_separatore == 0)
        m_separatore = sep;
    m_pos = m_inizio = m_pos + fine;
    m_linea = 2;
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

// A record longer than the longest allowed: its first bytes are kept for the message, the rest is skipped,
// block by block, up to the line end that closes it. A line end inside a quoted value does not, when the value
// closes as values do (its quote followed by a separator or a line end): reading resumes after it. A quote
// that never closes so (a stray one) is no value: reading resumes at the line after the record's first, as
// it does when the device cannot go back.
bool Lettore::saltaLinea(Riga &riga)
{
    m_usati = 0;
    m_confini.clear();
    csv_free(m_parser.get());
    nuovoParser();
    m_estratto = m_buffer.mid(m_inizio, 200);
    enum class Stato { InizioCampo, Campo, Virgolette, Virgoletta } stato = Stato::InizioCampo;
    qsizetype p = m_inizio;
    qint64 capi = 0, primoCapo = -1; // line ends inside quotes, and where the first is
    bool fine = false, ripresa = false;
    while (!fine && !ripresa) {
        const char *base = m_buffer.constData();
        const qsizetype n = m_buffer.size();
        const qint64 origineBuffer = m_origine + m_byteLetti - n;
        for (; p < n && !fine && !ripresa; ++p) {
            const char c = base[p];
            if (stato == Stato::Virgolette) {
                stato = c == '"' ? Stato::Virgoletta : stato;
                if (c == m_capo && capi++ == 0)
                    primoCapo = origineBuffer + p;
                continue;
            }
            if (c == '"' && stato != Stato::Campo) {
                stato = Stato::Virgolette; // opens a value, or a doubled quote inside one
                continue;
            }
            // Text after a closing quote: no quoted value, but a stray quote when line ends were taken in.
            ripresa = stato == Stato::Virgoletta && c != m_separatore && c != m_capo && capi > 0;
            fine = c == m_capo;
            stato = c == m_separatore ? Stato::InizioCampo : Stato::Campo;
        }
        if (fine) {
            m_pos = p;
        } else if (!ripresa) {
            m_buffer.resize(0);
            m_pos = m_inizio = p = 0;
            ripresa = !riempi(); // the end, the quote still open
        }
    }
    if (ripresa)
        m_pos = p;
    if (ripresa && primoCapo >= 0 && !m_ingresso.isSequential() && m_ingresso.seek(primoCapo + 1)) {
        m_buffer.resize(0);
        m_pos = 0;
        m_fineIngresso = false;
        m_byteLetti = primoCapo + 1 - m_origine;
        capi = 0;
    }
    m_inizio = m_pos;
    riga.campi.clear();
    riga.grezza = m_estratto;
    riga.valida = false;
    riga.troppoLunga = true;
    riga.copiabile = false;
    riga.numero = m_lineaInizio;
    m_linea = m_lineaInizio + capi + 1;
    return true;
}

// A record in the other encoding than the table's (two sheets pasted together) is handed over in the
// table's: a value at a time, and the record as a whole. Separators and quotes are ASCII, alike in both.
void Lettore::uniforma(Riga &riga)
{
    if (!m_uniforma || m_codifica == Codifica::Automatica || soloAscii(riga.grezza.data(), riga.grezza.size()))
        return;
    const bool utf8 = utf8Valido(riga.grezza.data(), riga.grezza.size());
    const Codifica propria = utf8 ? Codifica::Utf8 : Codifica::Windows1252;
    if (propria == m_codifica)
        return;
    m_convertiti.resize(riga.campi.size());
    for (size_t i = 0; i < riga.campi.size(); ++i) {
        m_convertiti[i] = Csv::codifica(decodifica(riga.campi[i], propria), m_codifica);
        riga.campi[i] = m_convertiti[i];
    }
    m_grezzaConvertita = Csv::codifica(decodifica(riga.grezza, propria), m_codifica);
    riga.grezza = m_grezzaConvertita;
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
    const void *a = std::memchr(base + m_inizio, m_capo, static_cast<size_t>(m_buffer.size() - m_inizio));
    const qsizetype capo = a ? static_cast<const char *>(a) - base : m_buffer.size();
    const qsizetype fine = m_capo == '\n' && capo > m_inizio && base[capo - 1] == '\r' ? capo - 1 : capo;
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
    if (nonAscii)
        uniforma(riga);
    return true;
}

// A line with quotes whose quoted values all close on it, split as LibreOffice reads it: a value in quotes
// ends at its closing quote, a doubled quote inside it is one; a quoted value whose closing quote is followed
// by more text ("Ugo" detto Ughetto) is no quoted value, and is read as it is written, quotes and all, up to
// the next separator. False, with nothing changed, when a quoted value goes on past the line.
bool Lettore::dividiConVirgolette(Riga &riga, qsizetype fine)
{
    const char *base = m_buffer.constData();
    const char sep = m_separatore;
    m_usati = 0;
    m_confini.clear();
    if (m_valori.size() < fine - m_pos)
        m_valori.resize(fine - m_pos);
    char *valori = m_valori.data(); // no value is longer than its bytes in the line
    for (qsizetype i = m_pos;;) {
        qsizetype fineCampo = i;
        bool quotato = false;
        if (i < fine && base[i] == '"') {
            qsizetype j = i + 1;
            const qsizetype inizio = m_usati;
            while (j < fine && (base[j] != '"' || (j + 1 < fine && base[j + 1] == '"'))) {
                valori[m_usati++] = base[j];
                j += base[j] == '"' ? 2 : 1; // a doubled quote is one
            }
            if (j >= fine) {
                m_usati = 0;
                m_confini.clear();
                return false;
            }
            quotato = j + 1 == fine || base[j + 1] == sep;
            fineCampo = quotato ? j + 1 : i;
            if (!quotato)
                m_usati = inizio;
        }
        if (!quotato) {
            const void *s = std::memchr(base + fineCampo, sep, static_cast<size_t>(fine - fineCampo));
            fineCampo = s ? static_cast<const char *>(s) - base : fine;
            std::memcpy(valori + m_usati, base + i, static_cast<size_t>(fineCampo - i));
            m_usati += fineCampo - i;
        }
        m_confini.push_back(m_usati);
        if (fineCampo >= fine)
            break;
        i = fineCampo + 1;
    }
    if (m_codifica == Codifica::Automatica && !soloAscii(base + m_pos, fine - m_pos))
        rilevaSu(m_pos);
    chiudiRiga(riga, fine, true);
    uniforma(riga);
    return true;
}

bool Lettore::leggi(Riga &riga)
{
    if (!leggiRecord(riga))
        return false;
    // A NUL byte has no place in a text table: the record is read, and said to be damaged. Looked for in a
    // record only when its block holds one.
    riga.nullo = m_nulli && !riga.grezza.isEmpty() &&
                 std::memchr(riga.grezza.data(), 0, static_cast<size_t>(riga.grezza.size())) != nullptr;
    return true;
}

bool Lettore::leggiRecord(Riga &riga)
{
    if (!m_iniziato)
        rilevaInizio();
    m_inizio = m_pos;
    m_lineaInizio = m_linea;
    m_usati = 0;
    m_confini.clear();
    riga.troppoLunga = riga.vuota = false;
    riga.copiabile = true;
    for (;;) {
        qsizetype fine = 0, dopo = 0;
        const Linea linea = prossimaLinea(fine, dopo);
        if (linea == Linea::TroppoLunga)
            return saltaLinea(riga);
        if (linea == Linea::Finito) {
            if (m_pos == m_inizio)
                return false;
            rigaNonChiusa(riga);
            uniforma(riga);
            return true;
        }
        if (m_pos == m_inizio && fine == m_pos) { // an empty line: a record of its own
            m_pos = dopo;
            ++m_linea;
            riga.campi.clear();
            riga.grezza = QByteArrayView();
            riga.valida = true;
            riga.vuota = true;
            riga.numero = m_lineaInizio;
            return true;
        }
        const char *base = m_buffer.constData();
        if (m_pos == m_inizio && (dividiSemplice(riga, fine) || dividiConVirgolette(riga, fine))) {
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
            uniforma(riga);
            return true;
        }
        // A line break inside quotes belongs to the value.
        csv_parse(m_parser.get(), base + fine, static_cast<size_t>(dopo - fine), suCampo, suRiga, this);
        m_pos = dopo;
        ++m_linea;
        if (m_pos - m_inizio > m_massimo)
            return saltaLinea(riga);
        if (dopo == fine) {
            rigaNonChiusa(riga);
            uniforma(riga);
            return true;
        }
    }
}

Scrittore::Scrittore(QIODevice &uscita, char separatore, QByteArray fineRiga)
    : m_uscita(uscita)
    , m_separatore(separatore)
    , m_fineRiga(std::move(fineRiga))
{
    m_buffer.resize(kBlocco);
    m_dati = m_buffer.data();
}

void Scrittore::cresci(qsizetype n)
{
    m_buffer.resize(qMax(m_buffer.size() * 2, m_usati + n));
    m_dati = m_buffer.data();
}

Scrittore::~Scrittore()
{
    scarica();
}

void Scrittore::campo(QByteArrayView valore)
{
    // A value that begins with the bytes of a byte order mark, or with Excel's "sep=", is quoted too: first
    // in a file, it would be read back as the mark or the separator's line and lost from the value.
    bool virgolette = valore.startsWith("\xEF\xBB\xBF") ||
                      ((valore.startsWith('s') || valore.startsWith('S')) && valore.size() >= 4 &&
                       valore.first(4).compare("sep=", Qt::CaseInsensitive) == 0);
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
    char *out = m_dati + m_usati;
    *out++ = '"';
    for (char c : valore) {
        if (c == '"')
            *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    m_usati = out - m_dati;
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
        errno = 0;
        if (m_uscita.write(m_buffer.constData(), m_usati) != m_usati) {
            m_errore = true;
            m_numeroErrore = errno;
        }
    }
    m_usati = 0;
    return !m_errore;
}

} // namespace Csv
