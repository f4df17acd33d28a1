// The .xlsx reader: the workbook's sheets, the sheet part's rows through libxml2's SAX push parser, and its
// merged areas.
#include "formati.h"
#include "ooxml.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <deque>
#include <functional>

#include <libxml/parser.h>

namespace Fogli {

namespace {

// ---------------------------------------------------------------------------------------------------------
// The merged areas of a sheet, when they are needed before the rows end: <mergeCells> follows the rows, so the
// part is inflated once more and searched as bytes for the start tag of that element, without parsing the
// rows again; from there the element is read as XML, its <mergeCell> children and their ref attributes alone
// (conditional formats, validations and the rest that follow it also name areas, which are not merged).

// Where a start tag <mergeCells (with any prefix) begins in `b`, from `da`; -1 when none does. A match too
// near the end of `b` to be judged is left for the next block.
qsizetype inizioUnite(const QByteArray &b, qsizetype da)
{
    static const QByteArray nome("mergeCells");
    for (qsizetype i = b.indexOf(nome, da); i >= 0; i = b.indexOf(nome, i + 1)) {
        const qsizetype dopo = i + nome.size();
        if (dopo >= b.size())
            return -1;
        const char c = b[dopo];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '/' && c != '>')
            continue;
        qsizetype j = i;
        if (j > 0 && b[j - 1] == ':') { // a prefix
            --j;
            while (j > 0 && (std::isalnum(static_cast<unsigned char>(b[j - 1])) || b[j - 1] == '_' || b[j - 1] == '-'))
                --j;
        }
        if (j > 0 && b[j - 1] == '<')
            return j - 1;
    }
    return -1;
}

// Reads the <mergeCells> element fed to it a block at a time; fine() once it has ended.
class LettoreUnite final
{
public:
    explicit LettoreUnite(std::vector<Area> *aree)
        : m_aree(aree)
    {
        m_xml.setNamespaceProcessing(false); // the prefix was declared above, in the part left out
    }

    void aggiungi(const QByteArray &b)
    {
        m_xml.addData(b);
        m_senzaToken += b.size();
        while (!m_fine) {
            const auto t = m_xml.readNext();
            if (t == QXmlStreamReader::Invalid) {
                // More is needed, or the XML is broken there (the reading of the rows will say so), or one
                // element goes on beyond reason.
                m_fine = m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || m_senzaToken > 4 * kMiB;
                return;
            }
            m_senzaToken = 0;
            if (t == QXmlStreamReader::StartElement)
                apre();
            else if (t == QXmlStreamReader::EndElement)
                m_fine = --m_profondita == 0;
        }
    }
    bool fine() const { return m_fine; }

private:
    void apre()
    {
        ++m_profondita;
        const QStringView nome = m_xml.qualifiedName();
        if (m_profondita != 2 || nome.mid(nome.indexOf(u':') + 1) != u"mergeCell")
            return;
        const QByteArray ref = m_xml.attributes().value(QLatin1String("ref")).toLatin1();
        Area a{};
        if (area(std::string_view(ref.constData(), static_cast<size_t>(ref.size())), &a))
            m_aree->push_back(a);
        m_fine = static_cast<qint64>(m_aree->size()) >= kMassimoInCoda;
    }

    std::vector<Area> *m_aree;
    QXmlStreamReader m_xml;
    int m_profondita = 0;
    qint64 m_senzaToken = 0; // bytes fed since the last token
    bool m_fine = false;
};

bool areeUnite(const Archivio &archivio, zip_int64_t indice, std::vector<Area> *aree, QString *errore)
{
    ParteZip p(archivio, indice, archivio.limiti.espansione);
    LettoreUnite lettore(aree);
    QByteArray coda; // the end of the block before, where a start tag may begin
    bool trovato = false;
    for (QByteArray b = p.leggi(); !b.isEmpty() && !lettore.fine(); b = p.leggi()) {
        if (trovato) {
            lettore.aggiungi(b);
            continue;
        }
        const QByteArray cerca = coda + b;
        const qsizetype i = inizioUnite(cerca, 0);
        trovato = i >= 0;
        if (trovato)
            lettore.aggiungi(cerca.mid(i));
        else
            coda = cerca.right(64);
    }
    *errore = p.errore();
    return errore->isEmpty();
}

// ---------------------------------------------------------------------------------------------------------
// The rows of a sheet part through libxml2's SAX push parser: the part is inflated a block at a time, the
// rows a block completes wait in a queue. QXmlStreamReader, used for the small parts, read a large sheet
// about three times slower.
//
// The merged areas (<mergeCells>) follow the rows in the part, and finding them before the rows means
// inflating the part twice. They are looked for only when a row is met whose cells could lie in one: a row
// with a gap, a cell without a value, a missing row before it, a width other than the rows before it (the
// other cells of a merged area are empty, and spreadsheet programs write them as cells without a value or
// leave them out), or a row of one cell (whose area may reach beyond every row's width, its covered cells
// left out). The row before it is still held back then, so an area that starts there is found in time. A
// sheet whose every row is full and as wide as the others, more than one cell, is read in one pass; the
// <mergeCell> elements met at its end still mark the last row.
class SorgenteXlsx final : public Sorgente
{
public:
    SorgenteXlsx(const Archivio &archivio, zip_int64_t indice, QString nome, Contesto contesto, bool cercaUnite,
                 QStringList fogli);
    ~SorgenteXlsx() override;
    SorgenteXlsx(const SorgenteXlsx &) = delete;
    SorgenteXlsx &operator=(const SorgenteXlsx &) = delete;

    QString errore() const override { return m_errore; }
    double frazione() const override { return m_parte.frazione(); }
    QStringList tuttiIFogli() override { return m_fogli; }
    bool prossima(Riga &riga) override;

private:
    static SorgenteXlsx *io(void *ctx) { return static_cast<SorgenteXlsx *>(ctx); }
    static void dtd(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *);
    static xmlEntityPtr entita(void *, const xmlChar *) { return nullptr; }
    static void apreElemento(void *ctx, const xmlChar *locale, const xmlChar *, const xmlChar *, int, const xmlChar **,
                             int nAttributi, int, const xmlChar **attributi);
    static void chiudeElemento(void *ctx, const xmlChar *locale, const xmlChar *, const xmlChar *);
    static void caratteri(void *ctx, const xmlChar *testo, int n);

    bool leggiBlocco();
    bool cercaAree();
    void apreInCella(const char *n);
    void apreCella(const xmlChar **attributi, int n);
    void apreRiga(const xmlChar **attributi, int n);
    void chiudeRiga();
    void cella();
    void segnaUnite(Riga &riga);
    void ferma(const QString &e);

    const Archivio &m_archivio;
    zip_int64_t m_indice;
    ParteZip m_parte;
    QString m_nome;
    xmlParserCtxtPtr m_ctx = nullptr;
    Contesto m_contesto;
    QStringList m_fogli;
    bool m_areeDaCercare;       // merged areas wanted and not yet looked for
    bool m_servonoAree = false; // a row whose cells could be merged was met
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
    StileXlsx m_stile;
    bool m_inRiga = false;
    bool m_inCella = false;
    bool m_inUnite = false;
    bool m_haValore = false;
    bool m_cattura = false;
    int m_salta = 0;
    bool m_finito = false;
    QString m_errore;
};

SorgenteXlsx::SorgenteXlsx(const Archivio &archivio, zip_int64_t indice, QString nome, Contesto contesto,
                           bool cercaUnite, QStringList fogli)
    : m_archivio(archivio)
    , m_indice(indice)
    , m_parte(archivio, indice, archivio.limiti.espansione)
    , m_nome(std::move(nome))
    , m_contesto(std::move(contesto))
    , m_fogli(std::move(fogli))
    , m_areeDaCercare(cercaUnite)
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

SorgenteXlsx::~SorgenteXlsx()
{
    if (m_ctx)
        xmlFreeParserCtxt(m_ctx);
}

bool SorgenteXlsx::prossima(Riga &riga)
{
    // The last row read stays in the queue until the next one is read (see above).
    while (m_coda.size() < 2 && !m_finito) {
        if (!leggiBlocco() || (m_servonoAree && m_areeDaCercare && !cercaAree()))
            return false;
    }
    if (m_finito && m_areeDaCercare && !m_areeInCoda.empty()) {
        m_areeDaCercare = false;
        m_aree = std::move(m_areeInCoda);
        std::sort(m_aree.begin(), m_aree.end(), [](const Area &a, const Area &b) { return a.riga1 < b.riga1; });
    }
    if (!m_errore.isEmpty() || m_coda.empty())
        return false;
    std::swap(riga, m_coda.front());
    m_riciclate = std::move(m_coda.front().celle);
    m_coda.pop_front();
    segnaUnite(riga);
    return true;
}

// Inflates and parses the next block of the part.
bool SorgenteXlsx::leggiBlocco()
{
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
        m_errore = msgXml(m_nome, e ? e->line : 0);
    }
    return m_errore.isEmpty();
}

bool SorgenteXlsx::cercaAree()
{
    m_areeDaCercare = false;
    m_aree.clear();
    if (!areeUnite(m_archivio, m_indice, &m_aree, &m_errore))
        return false;
    std::sort(m_aree.begin(), m_aree.end(), [](const Area &a, const Area &b) { return a.riga1 < b.riga1; });
    return true;
}

void SorgenteXlsx::ferma(const QString &e)
{
    if (m_errore.isEmpty())
        m_errore = e;
    xmlStopParser(m_ctx);
}

void SorgenteXlsx::dtd(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *)
{
    io(ctx)->ferma(msgDtd(io(ctx)->m_nome));
}

// Inlined where it is called, so that the comparison with each constant name is inlined too (a call each
// cost about a thirtieth of the reading).
Q_ALWAYS_INLINE std::string_view attributo(const xmlChar **attributi, int n, const char *nome)
{
    for (int i = 0; i < n; ++i) {
        const xmlChar **a = attributi + static_cast<std::ptrdiff_t>(5) * i;
        if (std::strcmp(reinterpret_cast<const char *>(a[0]), nome) == 0 && a[2] == nullptr)
            return {reinterpret_cast<const char *>(a[3]), static_cast<size_t>(a[4] - a[3])};
    }
    return {};
}

void SorgenteXlsx::apreElemento(void *ctx, const xmlChar *locale, const xmlChar *, const xmlChar *, int,
                                const xmlChar **, int nAttributi, int, const xmlChar **attributi)
{
    SorgenteXlsx &s = *io(ctx);
    const char *n = reinterpret_cast<const char *>(locale);
    if (s.m_salta > 0) {
        ++s.m_salta;
    } else if (s.m_inCella) {
        s.apreInCella(n);
    } else if (s.m_inRiga) {
        if (std::strcmp(n, "c") == 0)
            s.apreCella(attributi, nAttributi);
    } else if (std::strcmp(n, "row") == 0) {
        s.apreRiga(attributi, nAttributi);
    } else if (std::strcmp(n, "mergeCells") == 0) {
        s.m_inUnite = true;
    } else if (s.m_inUnite && s.m_areeDaCercare && std::strcmp(n, "mergeCell") == 0) {
        Area a{};
        if (area(attributo(attributi, nAttributi, "ref"), &a) &&
            static_cast<qint64>(s.m_areeInCoda.size()) < kMassimoInCoda)
            s.m_areeInCoda.push_back(a);
    }
}

void SorgenteXlsx::apreInCella(const char *n)
{
    if (std::strcmp(n, "v") == 0 || (m_tipo == TipoXlsx::InLinea && std::strcmp(n, "is") == 0)) {
        m_valore.clear();
        m_cattura = true;
        m_haValore = true;
    } else if (std::strcmp(n, "rPh") == 0 || std::strcmp(n, "f") == 0) {
        m_salta = 1;
    }
}

void SorgenteXlsx::apreCella(const xmlChar **attributi, int n)
{
    qint64 r = 0;
    qint64 c = 0;
    indirizzo(attributo(attributi, n, "r"), &r, &c);
    if (c == 0)
        c = m_colonna + 1;
    if (c <= m_colonna)
        return ferma(kDanneggiato + QStringLiteral(" (celle fuori ordine)"));
    if (c > LettoreFoglio::kColonneMassime)
        return ferma(msgColonne());
    if (c > m_colonna + 1)
        m_servonoAree = true;
    m_colonna = c;
    const std::string_view testoStile = attributo(attributi, n, "s");
    size_t stile = 0;
    const auto letto = std::from_chars(testoStile.data(), testoStile.data() + testoStile.size(), stile);
    const bool conStile = letto.ec == std::errc() && !testoStile.empty() && stile < m_contesto.stiliData.size();
    m_stile = conStile ? StileXlsx{m_contesto.stiliData[stile], m_contesto.stiliCifre[stile]} : StileXlsx();
    m_tipo = tipoXlsx(attributo(attributi, n, "t"));
    m_inCella = true;
    m_haValore = false;
}

void SorgenteXlsx::apreRiga(const xmlChar **attributi, int n)
{
    qint64 numero = 0;
    qint64 colonna = 0;
    indirizzo(attributo(attributi, n, "r"), &numero, &colonna);
    if (numero == 0)
        numero = m_ultima + 1;
    if (numero <= m_ultima)
        return ferma(kDanneggiato + QStringLiteral(" (righe fuori ordine)"));
    if (numero > LettoreFoglio::kRigheMassime)
        return ferma(msgRighe());
    if (numero > m_ultima + 1 && m_ultima > 0)
        m_servonoAree = true;
    m_ultima = numero;
    m_riga.numero = numero;
    m_riga.celle = std::move(m_riciclate);
    m_riga.celle.clear();
    m_riga.celle.reserve(static_cast<size_t>(m_larghezza));
    m_colonna = 0;
    m_inRiga = true;
}

void SorgenteXlsx::chiudeElemento(void *ctx, const xmlChar *locale, const xmlChar *, const xmlChar *)
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
        s.chiudeRiga();
    } else if (s.m_inUnite && std::strcmp(n, "mergeCells") == 0) {
        s.m_inUnite = false;
    }
}

void SorgenteXlsx::chiudeRiga()
{
    m_inRiga = false;
    // A row of formats alone holds nothing: the empty rows between two with data are given all the same
    // (LettoreFoglio numbers them), and those after the last are none, as in an .ods.
    if (m_riga.celle.empty()) {
        m_riciclate = std::move(m_riga.celle);
        m_riga = Riga();
        return;
    }
    const auto larghezza = static_cast<qint64>(m_riga.celle.size());
    if ((larghezza != m_larghezza && m_righe > 0) || larghezza == 1)
        m_servonoAree = true;
    m_larghezza = std::max(m_larghezza, larghezza);
    ++m_righe;
    m_coda.push_back(std::move(m_riga));
    m_riga = Riga();
}

void SorgenteXlsx::caratteri(void *ctx, const xmlChar *testo, int n)
{
    SorgenteXlsx &s = *io(ctx);
    if (!s.m_cattura || s.m_salta > 0)
        return;
    if (s.m_valore.size() + static_cast<size_t>(n) > static_cast<size_t>(kTestoMassimo) * 4)
        return s.ferma(msgCellaLunga());
    s.m_valore.append(reinterpret_cast<const char *>(testo), static_cast<size_t>(n));
}

void SorgenteXlsx::cella()
{
    Cella c;
    if (m_haValore && !cellaXlsx(m_tipo, m_stile, m_valore, m_contesto, &c))
        return ferma(kDanneggiato + QStringLiteral(" (testo condiviso mancante)"));
    if (c.vuota()) {
        m_servonoAree = true;
        return;
    }
    m_riga.celle.resize(static_cast<size_t>(m_colonna));
    m_riga.celle.back() = std::move(c);
}

void SorgenteXlsx::segnaUnite(Riga &riga)
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

// ---------------------------------------------------------------------------------------------------------
// The workbook: its sheets, and the parts the chosen one needs.

// A small part read whole as XML; a missing one is a damaged file.
bool scorriParte(Archivio &archivio, const QString &nome, QString *errore,
                 const std::function<void(QXmlStreamReader &)> &elemento)
{
    QByteArray dati;
    if (!archivio.leggiParte(nome, &dati)) {
        *errore =
            archivio.errore().isEmpty() ? kDanneggiato + QStringLiteral(" (manca ") + nome + u')' : archivio.errore();
        return false;
    }
    return scorriXml(dati, nome, errore, elemento);
}

struct Libro {
    QStringList nomi, rid; // the sheets' names and relation ids, in order
    int primoVisibile = -1; // the first sheet not hidden
    bool data1904 = false;
};

bool leggiLibro(Archivio &archivio, const QString &libro, Libro *l, QString *errore)
{
    return scorriParte(archivio, libro, errore, [&](QXmlStreamReader &x) {
        if (x.name() == u"sheet") {
            QString rid;
            for (const QXmlStreamAttribute &a : x.attributes()) {
                if (a.name() == u"id")
                    rid = a.value().toString();
            }
            const QStringView stato = x.attributes().value(QLatin1String("state"));
            if (l->primoVisibile < 0 && stato != u"hidden" && stato != u"veryHidden")
                l->primoVisibile = static_cast<int>(l->nomi.size());
            l->nomi.append(x.attributes().value(QLatin1String("name")).toString());
            l->rid.append(rid);
        } else if (x.name() == u"workbookPr") {
            const QStringView d = x.attributes().value(QLatin1String("date1904"));
            l->data1904 = d == u"1" || d == u"true";
        }
    });
}

QString nomeParte(const QString &base, const QString &destinazione)
{
    if (destinazione.startsWith(u'/'))
        return destinazione.mid(1);
    QStringList parti = base.split(u'/', Qt::SkipEmptyParts);
    for (const QString &p : destinazione.split(u'/', Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))
            parti = parti.mid(0, parti.size() - 1); // none left above the root
        else if (p != QLatin1String("."))
            parti.append(p);
    }
    return parti.join(u'/');
}

// The parts the workbook's relations name: the sheet with relation id `rid`, the styles, the shared strings.
struct Parti {
    QString foglio, stili, condivise;
};

bool leggiRelazioni(Archivio &archivio, const QString &libro, const QString &rid, Parti *p, QString *errore)
{
    const QString cartella = libro.left(libro.lastIndexOf(u'/') + 1);
    const QString relazioni =
        cartella + QStringLiteral("_rels/") + libro.mid(cartella.size()) + QStringLiteral(".rels");
    return scorriParte(archivio, relazioni, errore, [&](QXmlStreamReader &x) {
        if (x.name() != u"Relationship")
            return;
        const QXmlStreamAttributes a = x.attributes();
        const QString destinazione = nomeParte(cartella, a.value(QLatin1String("Target")).toString());
        const QStringView tipo = a.value(QLatin1String("Type"));
        if (a.value(QLatin1String("Id")) == rid)
            p->foglio = destinazione;
        else if (tipo.endsWith(u"/styles"))
            p->stili = destinazione;
        else if (tipo.endsWith(u"/sharedStrings"))
            p->condivise = destinazione;
    });
}

} // namespace

Apertura apriXlsx(Archivio &archivio, const QString &libro, const QString &foglio, bool cercaUnite)
{
    Apertura a;
    Libro l;
    const QString parte = nomeParte({}, libro);
    if (!leggiLibro(archivio, parte, &l, &a.errore))
        return a;
    a.fogli = l.nomi;
    const int scelto = foglio.isEmpty() && l.primoVisibile >= 0 ? l.primoVisibile : sceltaFoglio(l.nomi, foglio, true);
    if (scelto < 0) {
        a.errore = msgFoglioAssente(foglio, l.nomi);
        return a;
    }
    a.nome = l.nomi[scelto];
    Parti p;
    if (!leggiRelazioni(archivio, parte, l.rid[scelto], &p, &a.errore))
        return a;
    const zip_int64_t indice = p.foglio.isEmpty() ? -1 : archivio.trova(p.foglio);
    if (indice < 0) {
        a.errore = kDanneggiato + QStringLiteral(" (manca il foglio \"") + a.nome + QStringLiteral("\")");
        return a;
    }
    Contesto contesto;
    contesto.data1904 = l.data1904;
    if (!leggiStringhe(archivio, p.condivise, &contesto, &a.errore) ||
        !leggiStili(archivio, p.stili, &contesto, &a.errore))
        return a;
    a.sorgente = std::make_unique<SorgenteXlsx>(archivio, indice, p.foglio, std::move(contesto), cercaUnite, l.nomi);
    return a;
}

} // namespace Fogli
