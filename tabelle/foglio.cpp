#include "foglio.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QBuffer>
#include <QFile>
#include <QXmlStreamReader>

#include <libxml/parser.h>
#include <zip.h>

namespace Fogli {

namespace {

constexpr qint64 kMiB = qint64(1024) * 1024;
constexpr qint64 kParteMinore = 64 * kMiB;      // workbook, relations, styles, content types
constexpr qint64 kStringheMassime = 256 * kMiB; // the shared strings, held in memory
constexpr qint64 kTokenMassimo = 4 * kMiB;      // XML fed without a token coming out: one huge element
constexpr qint64 kSogliaRapporto = 16 * kMiB;   // below this a part may grow by any ratio
constexpr int kTestoMassimo = 32767;            // characters in a cell, as in Excel
constexpr qint64 kBlocco = qint64(256) * 1024;

const QString kDanneggiato = QStringLiteral("Il file è danneggiato o incompleto");

QString msgEspansione()
{
    return QStringLiteral("Il file si espande oltre il limite consentito: archivio anomalo o malevolo, non letto");
}

QString msgRighe()
{
    return QStringLiteral("Il foglio supera il limite di 1.048.576 righe");
}

QString msgColonne()
{
    return QStringLiteral("Il foglio supera il limite di 16.384 colonne");
}

// One part of the archive, inflated a block at a time, within the limits.
class ParteZip final
{
public:
    ParteZip(zip_t *archivio, zip_int64_t indice, qint64 limite, qint64 rapporto)
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archivio, static_cast<zip_uint64_t>(indice), 0, &st) != 0) {
            m_errore = kDanneggiato;
            return;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            m_errore = QStringLiteral("Il file è protetto da password: salvalo senza password e riprova");
            return;
        }
        qint64 compresso = (st.valid & ZIP_STAT_COMP_SIZE) ? static_cast<qint64>(st.comp_size) : 0;
        m_dimensione = (st.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(st.size) : 0;
        m_limite = limite;
        if (rapporto > 0 && compresso > 0 && compresso < limite / rapporto)
            m_limite = std::max(kSogliaRapporto, compresso * rapporto);
        if ((st.valid & ZIP_STAT_SIZE) && static_cast<qint64>(st.size) > m_limite) {
            m_errore = msgEspansione();
            return;
        }
        m_file = zip_fopen_index(archivio, static_cast<zip_uint64_t>(indice), 0);
        if (!m_file) {
            const int codice = zip_error_code_zip(zip_get_error(archivio));
            m_errore = (codice == ZIP_ER_NOPASSWD || codice == ZIP_ER_WRONGPASSWD || codice == ZIP_ER_ENCRNOTSUPP)
                           ? QStringLiteral("Il file è protetto da password: salvalo senza password e riprova")
                           : kDanneggiato;
        }
    }
    ~ParteZip()
    {
        if (m_file)
            zip_fclose(m_file);
    }
    ParteZip(const ParteZip &) = delete;
    ParteZip &operator=(const ParteZip &) = delete;

    // How much of the part has been inflated, 0 to 1 (0 when its size is unknown).
    double frazione() const
    {
        return m_dimensione > 0 ? std::min(1.0, static_cast<double>(m_letti) / static_cast<double>(m_dimensione)) : 0.0;
    }

    // The next block; empty at the end or on an error (then errore() is set).
    QByteArray leggi()
    {
        if (!m_file || m_fine)
            return {};
        QByteArray blocco(kBlocco, Qt::Uninitialized);
        const zip_int64_t n = zip_fread(m_file, blocco.data(), static_cast<zip_uint64_t>(blocco.size()));
        if (n < 0) {
            m_errore = kDanneggiato;
            m_fine = true;
            return {};
        }
        if (n == 0) {
            m_fine = true;
            return {};
        }
        m_letti += n;
        if (m_letti > m_limite) {
            m_errore = msgEspansione();
            m_fine = true;
            return {};
        }
        blocco.truncate(static_cast<int>(n));
        return blocco;
    }
    const QString &errore() const { return m_errore; }

private:
    zip_file_t *m_file = nullptr;
    qint64 m_limite = 0;
    qint64 m_letti = 0;
    qint64 m_dimensione = 0; // inflated, as the archive states it; 0 when unknown
    bool m_fine = false;
    QString m_errore;
};

// QXmlStreamReader fed from a part: no DTD (so no entity expansion), no element longer than a limit.
class XmlParte final
{
public:
    XmlParte(zip_t *archivio, zip_int64_t indice, qint64 limite, qint64 rapporto, QString nome)
        : m_parte(archivio, indice, limite, rapporto)
        , m_nome(std::move(nome))
    {
        m_errore = m_parte.errore();
    }

    // The next token; Invalid at the end of the document or on an error (then errore() is set).
    QXmlStreamReader::TokenType prossimo()
    {
        if (!m_errore.isEmpty())
            return QXmlStreamReader::Invalid;
        for (;;) {
            const auto t = m_xml.readNext();
            if (t == QXmlStreamReader::Invalid && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
                const QByteArray blocco = m_parte.leggi();
                if (!m_parte.errore().isEmpty()) {
                    m_errore = m_parte.errore();
                    return t;
                }
                if (blocco.isEmpty()) {
                    m_errore = kDanneggiato + QStringLiteral(" (") + m_nome + QStringLiteral(" troncato)");
                    return t;
                }
                m_senzaToken += blocco.size();
                if (m_senzaToken > kTokenMassimo) {
                    m_errore =
                        kDanneggiato + QStringLiteral(" (") + m_nome + QStringLiteral(": elemento XML oltre 4 MiB)");
                    return QXmlStreamReader::Invalid;
                }
                m_xml.addData(blocco);
                continue;
            }
            m_senzaToken = 0;
            if (t == QXmlStreamReader::DTD) {
                m_errore = kDanneggiato + QStringLiteral(" (") + m_nome +
                           QStringLiteral(": dichiarazioni DTD, che un foglio di calcolo non contiene)");
                return QXmlStreamReader::Invalid;
            }
            if (t == QXmlStreamReader::Invalid) {
                m_errore = kDanneggiato + QStringLiteral(" (") + m_nome + QStringLiteral(", riga ") +
                           QString::number(m_xml.lineNumber()) + QStringLiteral(": XML non valido)");
            }
            if (t == QXmlStreamReader::EndDocument)
                return QXmlStreamReader::Invalid;
            return t;
        }
    }

    // The text of the current element and of the elements inside it, which it consumes; stops at the
    // matching end element. Elements named `salta` are left out with their content.
    bool testo(QString &fuori, QStringView salta = {})
    {
        int profondita = 1;
        int saltando = 0;
        while (profondita > 0) {
            const auto t = prossimo();
            if (t == QXmlStreamReader::Invalid) {
                if (m_errore.isEmpty())
                    m_errore = kDanneggiato;
                return false;
            }
            if (t == QXmlStreamReader::StartElement) {
                ++profondita;
                if (saltando > 0 || (!salta.isEmpty() && m_xml.name() == salta))
                    ++saltando;
            } else if (t == QXmlStreamReader::EndElement) {
                --profondita;
                if (saltando > 0)
                    --saltando;
            } else if (t == QXmlStreamReader::Characters && saltando == 0) {
                if (fuori.size() + m_xml.text().size() > qsizetype(kTestoMassimo) * 2) {
                    m_errore = QStringLiteral("Una cella del foglio supera 32.767 caratteri");
                    return false;
                }
                fuori += m_xml.text();
            }
        }
        return true;
    }

    // Consumes the current element with its content.
    bool salta()
    {
        int profondita = 1;
        while (profondita > 0) {
            const auto t = prossimo();
            if (t == QXmlStreamReader::Invalid) {
                if (m_errore.isEmpty())
                    m_errore = kDanneggiato;
                return false;
            }
            if (t == QXmlStreamReader::StartElement)
                ++profondita;
            else if (t == QXmlStreamReader::EndElement)
                --profondita;
        }
        return true;
    }

    QXmlStreamReader &xml() { return m_xml; }
    double frazione() const { return m_parte.frazione(); }
    const QString &errore() const { return m_errore; }
    void imposta(const QString &e) { m_errore = e; }

private:
    ParteZip m_parte;
    QString m_nome;
    QXmlStreamReader m_xml;
    QString m_errore;
    qint64 m_senzaToken = 0;
};

bool numeroDaTesto(QStringView s, double *v)
{
    const QByteArray b = s.trimmed().toLatin1();
    if (b.isEmpty())
        return false;
    const char *fine = b.constData() + b.size();
    const auto r = std::from_chars(b.constData(), fine, *v);
    return r.ec == std::errc() && r.ptr == fine && std::isfinite(*v);
}

// "B12" to column 2 (1-based) and row 12; 0 where a part is missing, beyond the limit where it is out of it.
void indirizzo(std::string_view s, qint64 *riga, qint64 *colonna)
{
    qint64 c = 0;
    size_t i = 0;
    for (; i < s.size(); ++i) {
        char u = s[i];
        if (u >= 'a' && u <= 'z')
            u = static_cast<char>(u - 'a' + 'A');
        if (u < 'A' || u > 'Z')
            break;
        c = std::min<qint64>(c * 26 + (u - 'A' + 1), LettoreFoglio::kColonneMassime + 1);
    }
    qint64 r = 0;
    bool cifre = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        r = std::min<qint64>(r * 10 + (s[i] - '0'), LettoreFoglio::kRigheMassime + 1);
        cifre = true;
    }
    *colonna = c;
    *riga = cifre ? r : 0;
}

// OOXML writes a character XML cannot hold as _xHHHH_.
QString senzaEscapeOoxml(QString s)
{
    if (!s.contains(QLatin1String("_x")))
        return s;
    QString r;
    r.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'_' && i + 6 < s.size() && s[i + 1] == u'x' && s[i + 6] == u'_') {
            bool ok = false;
            const uint u = QStringView(s).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                r += QChar(static_cast<char16_t>(u));
                i += 6;
                continue;
            }
        }
        r += s[i];
    }
    return r;
}

// Whether a number format code shows a date: a year or day part outside quoted text, escapes and
// [brackets] (colours, locales, elapsed times). Times alone are numbers.
bool codiceDiData(const QString &codice)
{
    bool virgolette = false;
    int parentesi = 0;
    for (qsizetype i = 0; i < codice.size(); ++i) {
        const QChar c = codice[i];
        if (virgolette) {
            if (c == u'"')
                virgolette = false;
            continue;
        }
        if (c == u'"') {
            virgolette = true;
        } else if (c == u'[') {
            ++parentesi;
        } else if (c == u']') {
            parentesi = std::max(0, parentesi - 1);
        } else if (parentesi == 0) {
            if (c == u'\\' || c == u'_' || c == u'*') {
                ++i;
            } else if (c == u';') {
                break; // the positive section decides
            } else {
                const char16_t l = c.toLower().unicode();
                if (l == u'y' || l == u'd')
                    return true;
            }
        }
    }
    return false;
}

bool formatoPredefinitoDiData(int id)
{
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

QString nomeParte(const QString &base, const QString &destinazione)
{
    if (destinazione.startsWith(u'/'))
        return destinazione.mid(1);
    QStringList parti = base.split(u'/', Qt::SkipEmptyParts);
    for (const QString &p : destinazione.split(u'/', Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))
            parti.removeLast();
        else if (p != QLatin1String("."))
            parti.append(p);
    }
    return parti.join(u'/');
}

} // namespace

// ---------------------------------------------------------------------------------------------------------

namespace {

struct Area {
    qint64 riga1, colonna1, riga2, colonna2; // 1-based, inclusive
};

// A format of the file: gives rows in increasing order with their numbers, skipping empty ones.
class Sorgente
{
public:
    virtual ~Sorgente() = default;
    virtual bool prossima(Riga &riga) = 0;
    virtual QString errore() const = 0;
    virtual double frazione() const = 0;
};

} // namespace

struct LettoreFoglio::Stato {
    QByteArray datiInMemoria;
    zip_t *archivio = nullptr;
    Formato formato = Formato::Sconosciuto;
    QString errore;
    QString nomeFoglio;
    QStringList fogli; // the sheets' names met while choosing
    std::unique_ptr<Sorgente> sorgente;
    qint64 espansione = 4LL * 1024 * kMiB;
    qint64 rapporto = 250;
    bool cercaUnite = true;
    qint64 emesse = 0; // the number of the last row given
    Riga attesa;       // a row read ahead of an empty stretch
    bool inAttesa = false;
    bool fine = false;

    ~Stato()
    {
        sorgente.reset();
        if (archivio)
            zip_discard(archivio);
    }

    zip_int64_t trova(const QString &nome) const { return zip_name_locate(archivio, nome.toUtf8().constData(), 0); }

    // A small part whole, as bytes.
    bool leggiParte(const QString &nome, QByteArray *fuori, qint64 limite = kParteMinore)
    {
        const zip_int64_t i = trova(nome);
        if (i < 0)
            return false;
        ParteZip p(archivio, i, limite, rapporto);
        fuori->clear();
        for (;;) {
            const QByteArray b = p.leggi();
            if (b.isEmpty())
                break;
            fuori->append(b);
        }
        if (!p.errore().isEmpty()) {
            errore = p.errore();
            return false;
        }
        return true;
    }
};

// ---------------------------------------------------------------------------------------------------------
// .xlsx

namespace {

bool areeUnite(LettoreFoglio::Stato &s, zip_int64_t indice, std::vector<Area> *aree);

// The kind of an .xlsx cell, from its t attribute.
enum class TipoXlsx { Numero, Condivisa, InLinea, Formula, Errore, Booleano, Data };

TipoXlsx tipoXlsx(std::string_view t)
{
    if (t == "s")
        return TipoXlsx::Condivisa;
    if (t == "inlineStr")
        return TipoXlsx::InLinea;
    if (t == "str")
        return TipoXlsx::Formula;
    if (t == "e")
        return TipoXlsx::Errore;
    if (t == "b")
        return TipoXlsx::Booleano;
    if (t == "d")
        return TipoXlsx::Data;
    return TipoXlsx::Numero;
}

// The rows of a sheet part through libxml2's SAX push parser: the part is inflated a block at a time, the
// rows a block completes wait in a queue. QXmlStreamReader, used for the small parts, read a large sheet
// about three times slower.
//
// The merged areas (<mergeCells>) follow the rows in the part, and finding them before the rows means
// inflating the part twice. They are looked for only when a row is met whose cells could lie in one: a row
// with a gap, a cell without a value, a missing row before it, or a width other than the rows before it
// (the other cells of a merged area are empty, and spreadsheet programs write them as cells without a
// value or leave them out). The row before it is still held back then, so an area that starts there is
// found in time. A sheet whose every row is full and as wide as the others is read in one pass; the
// <mergeCell> elements met at its end still mark the last row.
class SorgenteXlsx final : public Sorgente
{
public:
    SorgenteXlsx(LettoreFoglio::Stato &s, zip_int64_t indice, std::vector<QString> stringhe,
                 std::vector<bool> stiliData, bool data1904, QString nome)
        : m_stato(s)
        , m_indice(indice)
        , m_parte(s.archivio, indice, s.espansione, s.rapporto)
        , m_nome(std::move(nome))
        , m_stringhe(std::move(stringhe))
        , m_stiliData(std::move(stiliData))
        , m_data1904(data1904)
        , m_areeDaCercare(s.cercaUnite)
    {
        m_errore = m_parte.errore();
        xmlSAXHandler sax{};
        sax.initialized = XML_SAX2_MAGIC;
        sax.startElementNs = &SorgenteXlsx::apreElemento;
        sax.endElementNs = &SorgenteXlsx::chiudeElemento;
        sax.characters = &SorgenteXlsx::caratteri;
        sax.cdataBlock = &SorgenteXlsx::caratteri;
        sax.internalSubset = &SorgenteXlsx::dtd;
        sax.getEntity = &SorgenteXlsx::entita;
        m_ctx = xmlCreatePushParserCtxt(&sax, this, nullptr, 0, nullptr);
        if (m_ctx)
            xmlCtxtUseOptions(m_ctx, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        else if (m_errore.isEmpty())
            m_errore = kDanneggiato;
    }
    ~SorgenteXlsx() override
    {
        if (m_ctx)
            xmlFreeParserCtxt(m_ctx);
    }
    SorgenteXlsx(const SorgenteXlsx &) = delete;
    SorgenteXlsx &operator=(const SorgenteXlsx &) = delete;

    QString errore() const override { return m_errore; }
    double frazione() const override { return m_parte.frazione(); }

    bool prossima(Riga &riga) override
    {
        // The last row read stays in the queue until the next one is read (see above).
        while (m_coda.size() < 2 && !m_finito) {
            if (!m_errore.isEmpty())
                return false;
            const QByteArray b = m_parte.leggi();
            if (!m_parte.errore().isEmpty()) {
                m_errore = m_parte.errore();
                return false;
            }
            m_finito = b.isEmpty();
            const int r = xmlParseChunk(m_ctx, b.constData(), static_cast<int>(b.size()), m_finito ? 1 : 0);
            if (m_errore.isEmpty() && (r != 0 || !m_ctx->wellFormed)) {
                const xmlError *e = xmlCtxtGetLastError(m_ctx);
                m_errore = kDanneggiato + QStringLiteral(" (") + m_nome + QStringLiteral(", riga ") +
                           QString::number(e ? e->line : 0) + QStringLiteral(": XML non valido)");
            }
            if (!m_errore.isEmpty())
                return false;
            if (m_servonoAree && m_areeDaCercare) {
                m_areeDaCercare = false;
                m_aree.clear();
                if (!areeUnite(m_stato, m_indice, &m_aree)) {
                    m_errore = m_stato.errore;
                    return false;
                }
                ordinaAree();
            }
        }
        if (m_finito && m_areeDaCercare && !m_areeInCoda.empty()) {
            m_areeDaCercare = false;
            m_aree = std::move(m_areeInCoda);
            ordinaAree();
        }
        if (!m_errore.isEmpty() || m_coda.empty())
            return false;
        std::swap(riga, m_coda.front());
        m_riciclate = std::move(m_coda.front().celle);
        m_coda.pop_front();
        segnaUnite(riga);
        return true;
    }

private:
    static SorgenteXlsx *io(void *ctx) { return static_cast<SorgenteXlsx *>(ctx); }

    void ordinaAree()
    {
        std::sort(m_aree.begin(), m_aree.end(), [](const Area &a, const Area &b) { return a.riga1 < b.riga1; });
    }

    // A merged area given as "A1:G1", when it is one.
    static bool area(std::string_view ref, Area *a)
    {
        const size_t due = ref.find(':');
        if (due == std::string_view::npos || due == 0)
            return false;
        indirizzo(ref.substr(0, due), &a->riga1, &a->colonna1);
        indirizzo(ref.substr(due + 1), &a->riga2, &a->colonna2);
        return a->riga1 > 0 && a->colonna1 > 0 && a->riga2 >= a->riga1 && a->colonna2 >= a->colonna1;
    }

    void ferma(const QString &e)
    {
        if (m_errore.isEmpty())
            m_errore = e;
        xmlStopParser(m_ctx);
    }

    static void dtd(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *)
    {
        io(ctx)->ferma(kDanneggiato + QStringLiteral(" (") + io(ctx)->m_nome +
                       QStringLiteral(": dichiarazioni DTD, che un foglio di calcolo non contiene)"));
    }

    static xmlEntityPtr entita(void *, const xmlChar *) { return nullptr; }

    static std::string_view attributo(const xmlChar **attributi, int n, const char *nome)
    {
        for (int i = 0; i < n; ++i) {
            const xmlChar **a = attributi + static_cast<std::ptrdiff_t>(5) * i;
            if (std::strcmp(reinterpret_cast<const char *>(a[0]), nome) == 0 && a[2] == nullptr)
                return {reinterpret_cast<const char *>(a[3]), static_cast<size_t>(a[4] - a[3])};
        }
        return {};
    }

    static void apreElemento(void *ctx, const xmlChar *locale, const xmlChar *, const xmlChar *, int, const xmlChar **,
                             int nAttributi, int, const xmlChar **attributi)
    {
        SorgenteXlsx &s = *io(ctx);
        const char *n = reinterpret_cast<const char *>(locale);
        if (s.m_salta > 0) {
            ++s.m_salta;
            return;
        }
        if (s.m_inCella) {
            if (std::strcmp(n, "v") == 0 || (s.m_tipo == TipoXlsx::InLinea && std::strcmp(n, "is") == 0)) {
                s.m_valore.clear();
                s.m_cattura = true;
                s.m_haValore = true;
            } else if (std::strcmp(n, "rPh") == 0 || std::strcmp(n, "f") == 0) {
                s.m_salta = 1;
            }
            return;
        }
        if (s.m_inRiga && std::strcmp(n, "c") == 0) {
            qint64 r = 0;
            qint64 c = 0;
            indirizzo(attributo(attributi, nAttributi, "r"), &r, &c);
            if (c == 0)
                c = s.m_colonna + 1;
            if (c <= s.m_colonna)
                return s.ferma(kDanneggiato + QStringLiteral(" (celle fuori ordine)"));
            if (c > LettoreFoglio::kColonneMassime)
                return s.ferma(msgColonne());
            if (c > s.m_colonna + 1)
                s.m_servonoAree = true;
            s.m_colonna = c;
            const std::string_view testoStile = attributo(attributi, nAttributi, "s");
            size_t stile = 0;
            const auto letto = std::from_chars(testoStile.data(), testoStile.data() + testoStile.size(), stile);
            s.m_data =
                letto.ec == std::errc() && !testoStile.empty() && stile < s.m_stiliData.size() && s.m_stiliData[stile];
            s.m_tipo = tipoXlsx(attributo(attributi, nAttributi, "t"));
            s.m_inCella = true;
            s.m_haValore = false;
            return;
        }
        if (!s.m_inRiga && s.m_areeDaCercare && std::strcmp(n, "mergeCell") == 0) {
            Area a{};
            if (area(attributo(attributi, nAttributi, "ref"), &a) && s.m_areeInCoda.size() < 1000000)
                s.m_areeInCoda.push_back(a);
            return;
        }
        if (std::strcmp(n, "row") == 0 && !s.m_inRiga) {
            qint64 numero = 0;
            qint64 colonna = 0;
            indirizzo(attributo(attributi, nAttributi, "r"), &numero, &colonna);
            if (numero == 0)
                numero = s.m_ultima + 1;
            if (numero <= s.m_ultima)
                return s.ferma(kDanneggiato + QStringLiteral(" (righe fuori ordine)"));
            if (numero > LettoreFoglio::kRigheMassime)
                return s.ferma(msgRighe());
            if (numero > s.m_ultima + 1 && s.m_ultima > 0)
                s.m_servonoAree = true;
            s.m_ultima = numero;
            s.m_riga.numero = numero;
            s.m_riga.celle = std::move(s.m_riciclate);
            s.m_riga.celle.clear();
            s.m_riga.celle.reserve(static_cast<size_t>(s.m_larghezza));
            s.m_colonna = 0;
            s.m_inRiga = true;
        }
    }

    static void chiudeElemento(void *ctx, const xmlChar *locale, const xmlChar *, const xmlChar *)
    {
        SorgenteXlsx &s = *io(ctx);
        if (s.m_salta > 0) {
            --s.m_salta;
            return;
        }
        const char *n = reinterpret_cast<const char *>(locale);
        if (s.m_inCella) {
            if (std::strcmp(n, "c") == 0) {
                s.m_inCella = false;
                s.cella();
            } else if (std::strcmp(n, "v") == 0 || std::strcmp(n, "is") == 0) {
                s.m_cattura = false;
            }
        } else if (s.m_inRiga && std::strcmp(n, "row") == 0) {
            s.m_inRiga = false;
            const auto larghezza = static_cast<qint64>(s.m_riga.celle.size());
            if (larghezza != s.m_larghezza && s.m_righe > 0)
                s.m_servonoAree = true;
            s.m_larghezza = std::max(s.m_larghezza, larghezza);
            ++s.m_righe;
            s.m_coda.push_back(std::move(s.m_riga));
            s.m_riga = Riga();
        }
    }

    static void caratteri(void *ctx, const xmlChar *testo, int n)
    {
        SorgenteXlsx &s = *io(ctx);
        if (!s.m_cattura || s.m_salta > 0)
            return;
        if (s.m_valore.size() + static_cast<size_t>(n) > static_cast<size_t>(kTestoMassimo) * 4)
            return s.ferma(QStringLiteral("Una cella del foglio supera 32.767 caratteri"));
        s.m_valore.append(reinterpret_cast<const char *>(testo), static_cast<size_t>(n));
    }

    void cella()
    {
        if (!m_haValore) {
            m_servonoAree = true;
            return;
        }
        const auto testo = [&] { return QString::fromUtf8(m_valore.data(), static_cast<qsizetype>(m_valore.size())); };
        Cella c;
        if (m_tipo == TipoXlsx::Condivisa) {
            size_t i = 0;
            const char *fine = m_valore.data() + m_valore.size();
            const auto r = std::from_chars(m_valore.data(), fine, i);
            if (r.ec != std::errc() || r.ptr != fine || i >= m_stringhe.size())
                return ferma(kDanneggiato + QStringLiteral(" (testo condiviso mancante)"));
            c = Cella::diTesto(m_stringhe[i]);
        } else if (m_tipo == TipoXlsx::InLinea || m_tipo == TipoXlsx::Formula || m_tipo == TipoXlsx::Errore) {
            c = Cella::diTesto(senzaEscapeOoxml(testo()));
        } else if (m_tipo == TipoXlsx::Booleano) {
            c = Cella::diBooleano(m_valore == "1" || m_valore == "true");
        } else if (m_tipo == TipoXlsx::Data) {
            const QString t = testo().trimmed();
            const QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
            const QDate d = dt.isValid() ? dt.date() : QDate::fromString(t, Qt::ISODate);
            c = d.isValid() ? Cella::diData(d, dt.isValid() ? dt.time() : QTime()) : Cella::diTesto(t);
        } else {
            double v = 0;
            const char *inizio = m_valore.data();
            const char *fine = inizio + m_valore.size();
            const auto r = std::from_chars(inizio, fine, v);
            QDate d;
            QTime o;
            if (r.ec != std::errc() || r.ptr != fine || !std::isfinite(v))
                c = Cella::diTesto(testo().trimmed());
            else if (m_data && dataDaNumero(m_data1904 ? v + 1462 : v, &d, &o))
                c = Cella::diData(d, o);
            else
                c = Cella::diNumero(v);
        }
        if (c.vuota()) {
            m_servonoAree = true;
            return;
        }
        m_riga.celle.resize(static_cast<size_t>(m_colonna));
        m_riga.celle.back() = std::move(c);
    }

    void segnaUnite(Riga &riga)
    {
        while (m_prossimaArea < m_aree.size() && m_aree[m_prossimaArea].riga1 <= riga.numero)
            m_attive.push_back(m_aree[m_prossimaArea++]);
        m_attive.erase(
            std::remove_if(m_attive.begin(), m_attive.end(), [&](const Area &a) { return a.riga2 < riga.numero; }),
            m_attive.end());
        for (const Area &a : m_attive) {
            for (qint64 c = a.colonna1; c <= a.colonna2 && c <= static_cast<qint64>(riga.celle.size()); ++c)
                riga.celle[static_cast<size_t>(c - 1)].unita = true;
        }
    }

    LettoreFoglio::Stato &m_stato;
    zip_int64_t m_indice;
    ParteZip m_parte;
    QString m_nome;
    xmlParserCtxtPtr m_ctx = nullptr;
    std::vector<QString> m_stringhe;
    std::vector<bool> m_stiliData;
    bool m_data1904;
    bool m_areeDaCercare;         // merged areas wanted and not yet looked for
    bool m_servonoAree = false;   // a row whose cells could be merged was met
    std::vector<Area> m_aree;
    std::vector<Area> m_areeInCoda; // the <mergeCell> elements met after the rows
    std::vector<Area> m_attive;
    size_t m_prossimaArea = 0;
    std::deque<Riga> m_coda;
    Riga m_riga;
    std::vector<Cella> m_riciclate; // the cells of a row given out, their memory kept for the next
    qint64 m_ultima = 0;
    qint64 m_colonna = 0;
    qint64 m_larghezza = 0; // the widest row so far
    qint64 m_righe = 0;     // rows read
    TipoXlsx m_tipo = TipoXlsx::Numero;
    std::string m_valore;
    bool m_data = false;
    bool m_inRiga = false;
    bool m_inCella = false;
    bool m_haValore = false;
    bool m_cattura = false;
    int m_salta = 0;
    bool m_finito = false;
    QString m_errore;
};

// The merged areas of a sheet: <mergeCells> follows the rows, so the part is inflated once more and
// searched as bytes for it, without parsing the rows.
bool areeUnite(LettoreFoglio::Stato &s, zip_int64_t indice, std::vector<Area> *aree)
{
    ParteZip p(s.archivio, indice, s.espansione, s.rapporto);
    QByteArray coda;
    bool trovate = false;
    for (;;) {
        const QByteArray b = p.leggi();
        if (b.isEmpty())
            break;
        if (!trovate) {
            const QByteArray cerca = coda.right(16) + b;
            const qsizetype i = cerca.indexOf("mergeCell");
            if (i >= 0) {
                trovate = true;
                coda = cerca.mid(i);
            } else {
                coda = b.right(16);
            }
        } else if (coda.size() < 16 * kMiB) {
            coda += b;
        }
    }
    if (!p.errore().isEmpty()) {
        s.errore = p.errore();
        return false;
    }
    if (!trovate)
        return true;
    qsizetype da = 0;
    while ((da = coda.indexOf("ref=\"", da)) >= 0) {
        da += 5;
        const qsizetype a = coda.indexOf('"', da);
        if (a < 0)
            break;
        const std::string_view ref(coda.constData() + da, static_cast<size_t>(a - da));
        const size_t due = ref.find(':');
        if (due != std::string_view::npos && due > 0) {
            Area ar{};
            indirizzo(ref.substr(0, due), &ar.riga1, &ar.colonna1);
            indirizzo(ref.substr(due + 1), &ar.riga2, &ar.colonna2);
            if (ar.riga1 > 0 && ar.colonna1 > 0 && ar.riga2 >= ar.riga1 && ar.colonna2 >= ar.colonna1)
                aree->push_back(ar);
        }
        da = a;
    }
    return true;
}

bool leggiStringhe(LettoreFoglio::Stato &s, const QString &nome, std::vector<QString> *stringhe)
{
    const zip_int64_t i = s.trova(nome);
    if (i < 0)
        return true;
    XmlParte x(s.archivio, i, std::min(s.espansione, kStringheMassime), s.rapporto, nome);
    for (;;) {
        const auto t = x.prossimo();
        if (t == QXmlStreamReader::Invalid)
            break;
        if (t == QXmlStreamReader::StartElement && x.xml().name() == u"si") {
            QString testo;
            if (!x.testo(testo, u"rPh"))
                break;
            stringhe->push_back(senzaEscapeOoxml(testo));
        }
    }
    if (!x.errore().isEmpty()) {
        s.errore = x.errore();
        return false;
    }
    return true;
}

bool leggiStili(LettoreFoglio::Stato &s, const QString &nome, std::vector<bool> *stiliData)
{
    const zip_int64_t i = s.trova(nome);
    if (i < 0)
        return true;
    XmlParte x(s.archivio, i, kParteMinore, s.rapporto, nome);
    std::unordered_map<int, bool> personali;
    bool inCellXfs = false;
    for (;;) {
        const auto t = x.prossimo();
        if (t == QXmlStreamReader::Invalid)
            break;
        const QStringView n = x.xml().name();
        if (t == QXmlStreamReader::EndElement && n == u"cellXfs")
            inCellXfs = false;
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = x.xml().attributes();
        if (n == u"numFmt") {
            personali[a.value(QLatin1String("numFmtId")).toInt()] =
                codiceDiData(a.value(QLatin1String("formatCode")).toString());
        } else if (n == u"cellXfs") {
            inCellXfs = true;
        } else if (n == u"xf" && inCellXfs) {
            const int id = a.value(QLatin1String("numFmtId")).toInt();
            const auto p = personali.find(id);
            stiliData->push_back(p != personali.end() ? p->second : formatoPredefinitoDiData(id));
            if (stiliData->size() > 1000000) {
                x.imposta(kDanneggiato + QStringLiteral(" (stili oltre il limite)"));
                break;
            }
        }
    }
    if (!x.errore().isEmpty()) {
        s.errore = x.errore();
        return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// .ods

namespace {

class SorgenteOds final : public Sorgente
{
public:
    SorgenteOds(LettoreFoglio::Stato &s, zip_int64_t indice)
        : m_xml(s.archivio, indice, s.espansione, s.rapporto, QStringLiteral("content.xml"))
    {}

    QString errore() const override { return m_errore.isEmpty() ? m_xml.errore() : m_errore; }
    double frazione() const override { return m_xml.frazione(); }

    // Moves to the chosen table; its name goes to *nome. A number that names no table picks by position.
    bool scegli(const QString &foglio, QString *nome, QStringList *nomi)
    {
        bool ok = false;
        const int posizione = foglio.isEmpty() ? 1 : foglio.toInt(&ok);
        int indice = 0;
        for (;;) {
            const auto t = m_xml.prossimo();
            if (t == QXmlStreamReader::Invalid)
                return false;
            if (t != QXmlStreamReader::StartElement || m_xml.xml().name() != u"table" ||
                m_xml.xml().namespaceUri() != u"urn:oasis:names:tc:opendocument:xmlns:table:1.0")
                continue;
            ++indice;
            const QString n = m_xml.xml().attributes().value(QLatin1String("table:name")).toString();
            nomi->append(n);
            if ((!foglio.isEmpty() && n == foglio) ||
                (posizione > 0 && (foglio.isEmpty() || ok) && indice == posizione)) {
                *nome = n;
                return true;
            }
            if (!m_xml.salta())
                return false;
        }
    }

    bool prossima(Riga &riga) override
    {
        if (m_ripetizioni > 0) {
            --m_ripetizioni;
            ++m_riga;
            riga = m_ripetuta;
            riga.numero = m_riga;
            return true;
        }
        QXmlStreamReader &x = m_xml.xml();
        for (;;) {
            const auto t = m_xml.prossimo();
            if (t == QXmlStreamReader::Invalid)
                return false;
            if (t == QXmlStreamReader::EndElement && x.name() == u"table")
                return false;
            if (t != QXmlStreamReader::StartElement)
                continue;
            const QStringView n = x.name();
            if (n == u"table-row") {
                qint64 ripeti =
                    std::max<qint64>(1, x.attributes().value(QLatin1String("table:number-rows-repeated")).toLongLong());
                riga.celle.clear();
                if (!leggiCelle(riga))
                    return false;
                if (riga.celle.empty()) {
                    m_riga = std::min(m_riga + ripeti, LettoreFoglio::kRigheMassime);
                    continue;
                }
                if (m_riga + ripeti > LettoreFoglio::kRigheMassime) {
                    m_errore = msgRighe();
                    return false;
                }
                riga.numero = ++m_riga;
                if (ripeti > 1) {
                    m_ripetuta = riga;
                    m_ripetizioni = ripeti - 1;
                }
                return true;
            }
            if (n == u"table-column" || n == u"shapes" || n == u"named-expressions" || n == u"forms") {
                if (!m_xml.salta())
                    return false;
            }
        }
    }

private:
    bool leggiCelle(Riga &riga)
    {
        QXmlStreamReader &x = m_xml.xml();
        qint64 colonna = 0;
        for (;;) {
            const auto t = m_xml.prossimo();
            if (t == QXmlStreamReader::Invalid)
                return false;
            if (t == QXmlStreamReader::EndElement && x.name() == u"table-row")
                break;
            if (t != QXmlStreamReader::StartElement)
                continue;
            const bool coperta = x.name() == u"covered-table-cell";
            if (x.name() != u"table-cell" && !coperta) {
                if (!m_xml.salta())
                    return false;
                continue;
            }
            const QXmlStreamAttributes a = x.attributes();
            const qint64 ripeti =
                std::max<qint64>(1, a.value(QLatin1String("table:number-columns-repeated")).toLongLong());
            const qint64 spanC = a.value(QLatin1String("table:number-columns-spanned")).toLongLong();
            const qint64 spanR = a.value(QLatin1String("table:number-rows-spanned")).toLongLong();
            const QStringView tipo = a.value(QLatin1String("office:value-type"));
            Cella cella;
            QString testo;
            if (!testoCella(testo))
                return false;
            if (tipo == u"float" || tipo == u"percentage" || tipo == u"currency") {
                double v = 0;
                cella = numeroDaTesto(a.value(QLatin1String("office:value")), &v) ? Cella::diNumero(v)
                                                                                  : Cella::diTesto(testo);
            } else if (tipo == u"date") {
                const QString dv = a.value(QLatin1String("office:date-value")).toString();
                const QDate d = QDate::fromString(dv.left(10), Qt::ISODate);
                QTime o;
                if (dv.size() > 11)
                    o = QTime::fromString(dv.mid(11, 8), Qt::ISODate);
                cella = d.isValid() ? Cella::diData(d, o) : Cella::diTesto(testo);
            } else if (tipo == u"boolean") {
                const QStringView b = a.value(QLatin1String("office:boolean-value"));
                cella = Cella::diBooleano(b == u"true" || b == u"1");
            } else {
                cella = Cella::diTesto(testo);
            }
            cella.unita = coperta || spanC > 1 || spanR > 1;
            if (cella.vuota() && !cella.unita) {
                colonna += ripeti;
                continue;
            }
            if (colonna + ripeti > LettoreFoglio::kColonneMassime) {
                if (cella.vuota()) {
                    colonna += ripeti;
                    continue;
                }
                m_errore = msgColonne();
                return false;
            }
            riga.celle.resize(static_cast<size_t>(colonna));
            for (qint64 i = 0; i < ripeti; ++i)
                riga.celle.push_back(cella);
            colonna += ripeti;
        }
        while (!riga.celle.empty() && riga.celle.back().vuota())
            riga.celle.pop_back();
        return true;
    }

    // The text of a cell: its paragraphs joined by line ends; text:s, text:tab and text:line-break as the
    // characters they stand for; annotations left out.
    bool testoCella(QString &fuori)
    {
        QXmlStreamReader &x = m_xml.xml();
        int profondita = 1;
        int paragrafi = 0;
        while (profondita > 0) {
            const auto t = m_xml.prossimo();
            if (t == QXmlStreamReader::Invalid)
                return false;
            if (t == QXmlStreamReader::EndElement) {
                --profondita;
                continue;
            }
            if (t == QXmlStreamReader::Characters) {
                fuori += x.text();
            } else if (t == QXmlStreamReader::StartElement) {
                const QStringView n = x.name();
                if (n == u"annotation") {
                    if (!m_xml.salta())
                        return false;
                    continue;
                }
                ++profondita;
                const bool aCapo = (n == u"p" && paragrafi++ > 0) || n == u"line-break";
                if (aCapo)
                    fuori += u'\n';
                else if (n == u"s")
                    fuori += QString(std::clamp(x.attributes().value(QLatin1String("text:c")).toInt(), 1, 1000), u' ');
                else if (n == u"tab")
                    fuori += u'\t';
            }
            if (fuori.size() > qsizetype(kTestoMassimo) * 2) {
                m_errore = QStringLiteral("Una cella del foglio supera 32.767 caratteri");
                return false;
            }
        }
        return true;
    }

    XmlParte m_xml;
    qint64 m_riga = 0;
    Riga m_ripetuta;
    qint64 m_ripetizioni = 0;
    QString m_errore;
};

} // namespace

// ---------------------------------------------------------------------------------------------------------

QString descriviNonFoglio(QIODevice &file)
{
    file.seek(0);
    const QByteArray inizio = file.read(512);
    if (inizio.isEmpty())
        return QStringLiteral("Il file è vuoto");
    if (inizio.startsWith("PK\x03\x04") || inizio.startsWith("PK\x05\x06"))
        return {};
    if (inizio.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") && inizio.size() >= 512) {
        // An OLE2 container: an old .xls, or an .xlsx/.ods protected by a password (its package is
        // encrypted inside it, in a stream named EncryptedPackage listed in the directory).
        const auto u16 = [&](int o) { return static_cast<quint16>(quint8(inizio[o]) | (quint8(inizio[o + 1]) << 8)); };
        const auto u32 = [&](int o) { return static_cast<quint32>(u16(o) | (static_cast<quint32>(u16(o + 2)) << 16)); };
        const int spostamento = u16(30);
        const qint64 settore = spostamento >= 7 && spostamento <= 12 ? (qint64(1) << spostamento) : 512;
        const quint32 directory = u32(48);
        QByteArray dir;
        if (directory < 0xFFFFFFFAu && file.seek((static_cast<qint64>(directory) + 1) * settore))
            dir = file.read(settore * 4);
        const QByteArray nome = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
        if (dir.contains(nome))
            return QStringLiteral("Il file è protetto da password: salvalo senza password e riprova");
        return QStringLiteral("Il file è nel vecchio formato Excel (.xls): salvalo come .xlsx o .ods e riprova");
    }
    return QStringLiteral("Il file non è un foglio di calcolo .xlsx o .ods");
}

LettoreFoglio::LettoreFoglio()
    : m(std::make_unique<Stato>())
{}

LettoreFoglio::~LettoreFoglio() = default;

void LettoreFoglio::impostaAreeUnite(bool cerca)
{
    m->cercaUnite = cerca;
}

void LettoreFoglio::impostaLimiti(qint64 espansioneMassima, qint64 rapportoMassimo)
{
    m->espansione = espansioneMassima;
    m->rapporto = rapportoMassimo;
}

QString LettoreFoglio::errore() const
{
    return m->errore;
}

LettoreFoglio::Formato LettoreFoglio::formato() const
{
    return m->formato;
}

QString LettoreFoglio::nomeFoglio() const
{
    return m->nomeFoglio;
}

QStringList LettoreFoglio::fogli() const
{
    return m->fogli;
}

double LettoreFoglio::frazione() const
{
    return m->sorgente ? m->sorgente->frazione() : 0.0;
}

bool LettoreFoglio::apri(const QString &percorso, const QString &foglio)
{
    const qint64 espansione = m->espansione;
    const qint64 rapporto = m->rapporto;
    const bool cercaUnite = m->cercaUnite;
    m = std::make_unique<Stato>();
    impostaLimiti(espansione, rapporto);
    m->cercaUnite = cercaUnite;
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly)) {
        m->errore = QStringLiteral("Impossibile aprire il file: ") + f.errorString();
        return false;
    }
    m->errore = descriviNonFoglio(f);
    f.close();
    if (!m->errore.isEmpty())
        return false;
    int codice = 0;
    m->archivio = zip_open(QFile::encodeName(percorso).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &codice);
    if (!m->archivio) {
        m->errore = kDanneggiato + QStringLiteral(" (archivio zip non valido)");
        return false;
    }
    return avvia(foglio);
}

bool LettoreFoglio::apriDati(const QByteArray &dati, const QString &foglio)
{
    const qint64 espansione = m->espansione;
    const qint64 rapporto = m->rapporto;
    const bool cercaUnite = m->cercaUnite;
    m = std::make_unique<Stato>();
    impostaLimiti(espansione, rapporto);
    m->cercaUnite = cercaUnite;
    QByteArray copia = dati;
    QBuffer b(&copia);
    b.open(QIODevice::ReadOnly);
    m->errore = descriviNonFoglio(b);
    if (!m->errore.isEmpty())
        return false;
    m->datiInMemoria = dati;
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t *src = zip_source_buffer_create(m->datiInMemoria.constData(),
                                                 static_cast<zip_uint64_t>(m->datiInMemoria.size()), 0, &ze);
    if (src)
        m->archivio = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &ze);
    if (src && !m->archivio)
        zip_source_free(src);
    zip_error_fini(&ze);
    if (!m->archivio) {
        m->errore = kDanneggiato + QStringLiteral(" (archivio zip non valido)");
        return false;
    }
    return avvia(foglio);
}

bool LettoreFoglio::avvia(const QString &foglio)
{
    Stato &s = *m;
    const auto fallisci = [&](const QString &e) {
        if (s.errore.isEmpty())
            s.errore = e;
        s.sorgente.reset();
        return false;
    };
    const QString nonFoglio = QStringLiteral("Il file è un archivio zip ma non un foglio di calcolo .xlsx o .ods");

    QByteArray mime;
    if (s.leggiParte(QStringLiteral("mimetype"), &mime, 4096)) {
        if (mime.trimmed() != "application/vnd.oasis.opendocument.spreadsheet")
            return fallisci(mime.startsWith("application/vnd.oasis.opendocument")
                                ? QStringLiteral("Il file è un documento OpenDocument ma non un foglio di calcolo")
                                : nonFoglio);
        s.formato = Formato::Ods;
        const zip_int64_t i = s.trova(QStringLiteral("content.xml"));
        if (i < 0)
            return fallisci(kDanneggiato + QStringLiteral(" (manca content.xml)"));
        if (s.trova(QStringLiteral("encrypted-package")) >= 0)
            return fallisci(QStringLiteral("Il file è protetto da password: salvalo senza password e riprova"));
        auto ods = std::make_unique<SorgenteOds>(s, i);
        QStringList &nomi = s.fogli;
        if (!ods->scegli(foglio, &s.nomeFoglio, &nomi)) {
            if (!ods->errore().isEmpty())
                return fallisci(ods->errore());
            return fallisci(nomi.isEmpty() ? QStringLiteral("Il file non contiene fogli")
                                           : QStringLiteral("Il foglio \"%1\" non esiste; fogli presenti: %2")
                                                 .arg(foglio, nomi.join(QStringLiteral(", "))));
        }
        s.sorgente = std::move(ods);
        return true;
    }
    if (!s.errore.isEmpty())
        return fallisci(s.errore);

    QByteArray tipi;
    if (!s.leggiParte(QStringLiteral("[Content_Types].xml"), &tipi))
        return fallisci(nonFoglio);
    // The workbook part, named in the content types.
    QString libro;
    {
        QXmlStreamReader x(tipi);
        while (!x.atEnd()) {
            if (x.readNext() == QXmlStreamReader::DTD)
                return fallisci(kDanneggiato + QStringLiteral(" ([Content_Types].xml: DTD)"));
            if (x.isStartElement() && x.name() == u"Override") {
                const QStringView ct = x.attributes().value(QLatin1String("ContentType"));
                if (ct == u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml" ||
                    ct == u"application/vnd.ms-excel.sheet.macroEnabled.main+xml" ||
                    ct == u"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml")
                    libro = x.attributes().value(QLatin1String("PartName")).toString();
            }
        }
    }
    if (libro.isEmpty())
        return fallisci(tipi.contains("wordprocessingml") || tipi.contains("presentationml")
                            ? QStringLiteral("Il file è un documento Office ma non un foglio di calcolo")
                            : nonFoglio);
    s.formato = Formato::Xlsx;
    libro = nomeParte({}, libro);
    const QString cartella = libro.left(libro.lastIndexOf(u'/') + 1);
    const QString relazioniLibro =
        cartella + QStringLiteral("_rels/") + libro.mid(cartella.size()) + QStringLiteral(".rels");

    QByteArray dati;
    if (!s.leggiParte(libro, &dati))
        return fallisci(kDanneggiato + QStringLiteral(" (manca ") + libro + u')');
    struct Foglio {
        QString nome, rid;
    };
    std::vector<Foglio> libroFogli;
    bool data1904 = false;
    {
        QXmlStreamReader x(dati);
        while (!x.atEnd()) {
            if (x.readNext() == QXmlStreamReader::DTD)
                return fallisci(kDanneggiato + QStringLiteral(" (") + libro + QStringLiteral(": DTD)"));
            if (!x.isStartElement())
                continue;
            if (x.name() == u"sheet") {
                QString rid;
                for (const QXmlStreamAttribute &a : x.attributes()) {
                    if (a.name() == u"id")
                        rid = a.value().toString();
                }
                libroFogli.push_back({x.attributes().value(QLatin1String("name")).toString(), rid});
            } else if (x.name() == u"workbookPr") {
                const QStringView d = x.attributes().value(QLatin1String("date1904"));
                data1904 = d == u"1" || d == u"true";
            }
        }
        if (x.hasError())
            return fallisci(kDanneggiato + QStringLiteral(" (") + libro + QStringLiteral(": XML non valido)"));
    }
    for (const Foglio &f : libroFogli)
        s.fogli.append(f.nome);
    if (libroFogli.empty())
        return fallisci(QStringLiteral("Il file non contiene fogli"));
    size_t scelto = 0;
    if (!foglio.isEmpty()) {
        scelto = libroFogli.size();
        for (size_t i = 0; i < libroFogli.size(); ++i) {
            if (libroFogli[i].nome == foglio) {
                scelto = i;
                break;
            }
        }
        bool ok = false;
        const int n = foglio.toInt(&ok);
        if (scelto == libroFogli.size() && ok && n >= 1 && static_cast<size_t>(n) <= libroFogli.size())
            scelto = static_cast<size_t>(n - 1);
        if (scelto == libroFogli.size()) {
            QStringList nomi;
            for (const Foglio &f : libroFogli)
                nomi.append(f.nome);
            return fallisci(QStringLiteral("Il foglio \"%1\" non esiste; fogli presenti: %2")
                                .arg(foglio, nomi.join(QStringLiteral(", "))));
        }
    }
    s.nomeFoglio = libroFogli[scelto].nome;

    QString parteFoglio;
    QString stili;
    QString condivise;
    if (!s.leggiParte(relazioniLibro, &dati))
        return fallisci(kDanneggiato + QStringLiteral(" (manca ") + relazioniLibro + u')');
    {
        QXmlStreamReader x(dati);
        while (!x.atEnd()) {
            if (x.readNext() == QXmlStreamReader::DTD)
                return fallisci(kDanneggiato + QStringLiteral(" (") + relazioniLibro + QStringLiteral(": DTD)"));
            if (!x.isStartElement() || x.name() != u"Relationship")
                continue;
            const QXmlStreamAttributes a = x.attributes();
            const QString destinazione = nomeParte(cartella, a.value(QLatin1String("Target")).toString());
            const QStringView tipo = a.value(QLatin1String("Type"));
            if (a.value(QLatin1String("Id")) == libroFogli[scelto].rid)
                parteFoglio = destinazione;
            else if (tipo.endsWith(u"/styles"))
                stili = destinazione;
            else if (tipo.endsWith(u"/sharedStrings"))
                condivise = destinazione;
        }
    }
    const zip_int64_t indice = parteFoglio.isEmpty() ? -1 : s.trova(parteFoglio);
    if (indice < 0)
        return fallisci(kDanneggiato + QStringLiteral(" (manca il foglio \"") + s.nomeFoglio + QStringLiteral("\")"));

    std::vector<QString> stringhe;
    std::vector<bool> stiliData;
    if ((!condivise.isEmpty() && !leggiStringhe(s, condivise, &stringhe)) ||
        (!stili.isEmpty() && !leggiStili(s, stili, &stiliData)))
        return fallisci(s.errore);
    s.sorgente =
        std::make_unique<SorgenteXlsx>(s, indice, std::move(stringhe), std::move(stiliData), data1904, parteFoglio);
    return true;
}

bool LettoreFoglio::leggiRiga(Riga &riga)
{
    Stato &s = *m;
    if (!s.sorgente || s.fine)
        return false;
    if (!s.inAttesa) {
        if (!s.sorgente->prossima(s.attesa)) {
            s.errore = s.sorgente->errore();
            s.fine = true;
            return false;
        }
        while (!s.attesa.celle.empty() && s.attesa.celle.back().vuota() && !s.attesa.celle.back().unita)
            s.attesa.celle.pop_back();
        s.inAttesa = true;
    }
    ++s.emesse;
    if (s.attesa.numero > s.emesse) {
        riga.numero = s.emesse;
        riga.celle.clear();
        return true;
    }
    s.inAttesa = false;
    std::swap(riga, s.attesa);
    return true;
}

} // namespace Fogli
