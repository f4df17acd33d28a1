// The .ods reader: the tables of content.xml through QXmlStreamReader, their names as they come.
#include "formati.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace Fogli {

namespace {

const QString kNsTabella = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");

bool numeroDaTesto(QStringView s, double *v)
{
    const QByteArray b = s.trimmed().toLatin1();
    if (b.isEmpty())
        return false;
    const char *fine = b.constData() + b.size();
    const auto r = std::from_chars(b.constData(), fine, *v);
    return r.ec == std::errc() && r.ptr == fine && std::isfinite(*v);
}

// Whether `testo` shows the whole number `v` with leading zeros: digits alone, the first a zero.
bool zeriDavanti(const QString &testo, double v)
{
    if (testo.size() < 2 || testo.size() > 15 || testo[0] != u'0' || v < 0 || v != std::floor(v))
        return false;
    for (QChar c : testo) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return testo.toLongLong() == static_cast<qint64>(v);
}

// A cell from its attributes and the text it shows.
Cella cellaOds(const QXmlStreamAttributes &a, const QString &testo)
{
    const QStringView tipo = a.value(QLatin1String("office:value-type"));
    if (tipo == u"float" || tipo == u"percentage" || tipo == u"currency") {
        double v = 0;
        if (!numeroDaTesto(a.value(QLatin1String("office:value")), &v))
            return Cella::diTesto(testo);
        // A whole number its format pads with zeros ("00184"): the text the sheet shows.
        return zeriDavanti(testo, v) ? Cella::diTesto(testo) : Cella::diNumero(v);
    }
    if (tipo == u"date") {
        const QString dv = a.value(QLatin1String("office:date-value")).toString();
        const QDate d = QDate::fromString(dv.left(10), Qt::ISODate);
        const QTime o = dv.size() > 11 ? QTime::fromString(dv.mid(11, 8), Qt::ISODate) : QTime();
        return d.isValid() ? Cella::diData(d, o) : Cella::diTesto(testo);
    }
    if (tipo == u"boolean") {
        const QStringView b = a.value(QLatin1String("office:boolean-value"));
        return Cella::diBooleano(b == u"true" || b == u"1");
    }
    return Cella::diTesto(testo);
}

class SorgenteOds final : public Sorgente
{
public:
    // `nomi`: the names of all the tables, when they are known already.
    SorgenteOds(const Archivio &archivio, zip_int64_t indice, QStringList nomi = {})
        : m_xml(archivio, indice, archivio.limiti.espansione, QStringLiteral("content.xml"))
        , m_nomi(std::move(nomi))
        , m_tuttiNoti(!m_nomi.isEmpty())
    {}

    QString errore() const override { return m_errore.isEmpty() ? m_xml.errore() : m_errore; }
    double frazione() const override { return m_xml.frazione(); }
    bool prossima(Riga &riga) override;
    QStringList tuttiIFogli() override;

    // Moves into the table the text picks, as long as no table further on could be the one; false when none
    // is (then, without an error, every table's name is known).
    bool cerca(const QString &foglio);
    // Moves into the table at that place, from 0.
    bool vaiA(int posizione);
    const QStringList &nomi() const { return m_nomi; }
    bool tuttiNoti() const { return m_tuttiNoti; }

private:
    bool prossimaTabella();
    bool leggiCelle(Riga &riga);
    bool aggiungi(Riga &riga, const Cella &cella, qint64 ripeti, qint64 *colonna);
    bool testoCella(QString &fuori);

    XmlParte m_xml;
    QStringList m_nomi;
    bool m_tuttiNoti;
    bool m_dentro = false; // inside the table opened, whose rows are being read
    QString m_stile;       // the table style being read
    QStringList m_stiliNascosti;
    bool m_nascosta = false; // the table met last is hidden
    qint64 m_riga = 0;
    Riga m_ripetuta;
    qint64 m_ripetizioni = 0;
    QString m_errore;
};

// Moves past the start of the next table, appending its name to those known. The table styles met on the
// way (the automatic styles come before the tables) say which tables are hidden.
bool SorgenteOds::prossimaTabella()
{
    QXmlStreamReader &x = m_xml.xml();
    for (auto t = m_xml.prossimo(); t != QXmlStreamReader::Invalid; t = m_xml.prossimo()) {
        if (t != QXmlStreamReader::StartElement)
            continue;
        if (x.name() == u"style" && x.attributes().value(QLatin1String("style:family")) == u"table")
            m_stile = x.attributes().value(QLatin1String("style:name")).toString();
        else if (x.name() == u"table-properties" && x.attributes().value(QLatin1String("table:display")) == u"false")
            m_stiliNascosti.append(m_stile);
        if (x.name() != u"table" || x.namespaceUri() != kNsTabella)
            continue;
        m_nascosta = m_stiliNascosti.contains(x.attributes().value(QLatin1String("table:style-name")).toString());
        if (!m_tuttiNoti)
            m_nomi.append(x.attributes().value(QLatin1String("table:name")).toString());
        return true;
    }
    return false;
}

bool SorgenteOds::cerca(const QString &foglio)
{
    while (prossimaTabella()) {
        if (foglio.isEmpty() ? !m_nascosta : sceltaFoglio(m_nomi, foglio, false) == m_nomi.size() - 1)
            return m_dentro = true;
        if (!m_xml.salta())
            return false;
    }
    m_tuttiNoti = m_xml.errore().isEmpty();
    return false;
}

bool SorgenteOds::vaiA(int posizione)
{
    for (int i = 0; prossimaTabella(); ++i) {
        if (i == posizione)
            return m_dentro = true;
        if (!m_xml.salta())
            return false;
    }
    return false;
}

// Reads on to the end of content.xml from where the rows have got to, for the names of the tables after.
QStringList SorgenteOds::tuttiIFogli()
{
    if (m_tuttiNoti)
        return m_nomi;
    while (m_dentro) { // the rest of the table opened, tables inside it left out whole
        const auto t = m_xml.prossimo();
        const bool tabella = m_xml.xml().name() == u"table" && m_xml.xml().namespaceUri() == kNsTabella;
        const bool finita = t == QXmlStreamReader::Invalid || (t == QXmlStreamReader::EndElement && tabella);
        m_dentro = !finita && !(t == QXmlStreamReader::StartElement && tabella && !m_xml.salta());
    }
    m_ripetizioni = 0;
    while (prossimaTabella()) {
        if (!m_xml.salta())
            break;
    }
    m_tuttiNoti = m_xml.errore().isEmpty();
    return m_nomi;
}

bool SorgenteOds::prossima(Riga &riga)
{
    if (m_ripetizioni > 0) {
        --m_ripetizioni;
        riga = m_ripetuta;
        riga.numero = ++m_riga;
        return true;
    }
    QXmlStreamReader &x = m_xml.xml();
    while (m_dentro) {
        const auto t = m_xml.prossimo();
        if (t == QXmlStreamReader::Invalid || (t == QXmlStreamReader::EndElement && x.name() == u"table"))
            return m_dentro = false;
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QStringView n = x.name();
        if (n == u"table-column" || n == u"shapes" || n == u"named-expressions" || n == u"forms") {
            if (!m_xml.salta())
                return m_dentro = false;
            continue;
        }
        if (n != u"table-row")
            continue; // groups of rows and columns: their rows are the table's
        const qint64 ripeti =
            std::max<qint64>(1, x.attributes().value(QLatin1String("table:number-rows-repeated")).toLongLong());
        riga.celle.clear();
        if (!leggiCelle(riga))
            return m_dentro = false;
        if (riga.celle.empty()) {
            m_riga = std::min(m_riga + ripeti, LettoreFoglio::kRigheMassime);
            continue;
        }
        if (m_riga + ripeti > LettoreFoglio::kRigheMassime) {
            m_errore = msgRighe();
            return m_dentro = false;
        }
        riga.numero = ++m_riga;
        if (ripeti > 1) {
            m_ripetuta = riga;
            m_ripetizioni = ripeti - 1;
        }
        return true;
    }
    return false;
}

bool SorgenteOds::leggiCelle(Riga &riga)
{
    QXmlStreamReader &x = m_xml.xml();
    qint64 colonna = 0;
    for (auto t = m_xml.prossimo(); t != QXmlStreamReader::Invalid; t = m_xml.prossimo()) {
        if (t == QXmlStreamReader::EndElement && x.name() == u"table-row") {
            while (!riga.celle.empty() && riga.celle.back().vuota())
                riga.celle.pop_back();
            return true;
        }
        if (t != QXmlStreamReader::StartElement)
            continue;
        const bool coperta = x.name() == u"covered-table-cell";
        if (x.name() != u"table-cell" && !coperta) {
            if (!m_xml.salta())
                return false;
            continue;
        }
        const QXmlStreamAttributes a = x.attributes();
        const qint64 ripeti = std::max<qint64>(1, a.value(QLatin1String("table:number-columns-repeated")).toLongLong());
        QString testo;
        if (!testoCella(testo))
            return false;
        Cella cella = cellaOds(a, testo);
        cella.unita = coperta || a.value(QLatin1String("table:number-columns-spanned")).toLongLong() > 1 ||
                      a.value(QLatin1String("table:number-rows-spanned")).toLongLong() > 1;
        if (!aggiungi(riga, cella, ripeti, &colonna))
            return false;
    }
    return false;
}

// Places a cell repeated `ripeti` times at *colonna (from 0) and moves past it; empty cells outside merged
// areas only move it.
bool SorgenteOds::aggiungi(Riga &riga, const Cella &cella, qint64 ripeti, qint64 *colonna)
{
    const bool conta = !cella.vuota() || cella.unita;
    if (conta && *colonna + ripeti > LettoreFoglio::kColonneMassime && !cella.vuota()) {
        m_errore = msgColonne();
        return false;
    }
    if (conta && *colonna + ripeti <= LettoreFoglio::kColonneMassime) {
        riga.celle.resize(static_cast<size_t>(*colonna));
        riga.celle.insert(riga.celle.end(), static_cast<size_t>(ripeti), cella);
    }
    *colonna += ripeti;
    return true;
}

// The text of a cell: its paragraphs joined by line ends; text:s, text:tab and text:line-break as the
// characters they stand for; annotations left out.
bool SorgenteOds::testoCella(QString &fuori)
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
        } else if (t == QXmlStreamReader::Characters) {
            fuori += x.text();
        } else if (t == QXmlStreamReader::StartElement && x.name() == u"annotation") {
            if (!m_xml.salta())
                return false;
        } else if (t == QXmlStreamReader::StartElement) {
            ++profondita;
            const QStringView n = x.name();
            if ((n == u"p" && paragrafi++ > 0) || n == u"line-break")
                fuori += u'\n';
            else if (n == u"s")
                fuori += QString(std::clamp(x.attributes().value(QLatin1String("text:c")).toInt(), 1, 1000), u' ');
            else if (n == u"tab")
                fuori += u'\t';
        }
        if (fuori.size() > qsizetype(kTestoMassimo) * 2) {
            m_errore = msgCellaLunga();
            return false;
        }
    }
    return true;
}

} // namespace

Apertura apriOds(Archivio &archivio, const QString &foglio)
{
    Apertura a;
    const zip_int64_t indice = archivio.trova(QStringLiteral("content.xml"));
    if (indice < 0) {
        a.errore = kDanneggiato + QStringLiteral(" (manca content.xml)");
        return a;
    }
    auto ods = std::make_unique<SorgenteOds>(archivio, indice);
    const bool trovato = ods->cerca(foglio);
    a.fogli = ods->nomi();
    if (!trovato && !ods->tuttiNoti()) {
        a.errore = ods->errore();
        return a;
    }
    // Found as it went: the last table met; else every name is known (all hidden: the first).
    const int scelto = trovato ? static_cast<int>(a.fogli.size()) - 1 : sceltaFoglio(a.fogli, foglio, true);
    if (scelto < 0) {
        a.errore = msgFoglioAssente(foglio, a.fogli);
        return a;
    }
    if (!trovato) { // a number, or a name in another case: known only once every name was
        ods = std::make_unique<SorgenteOds>(archivio, indice, a.fogli);
        if (!ods->vaiA(scelto)) {
            a.errore = ods->errore().isEmpty() ? kDanneggiato : ods->errore();
            return a;
        }
    }
    a.nome = a.fogli[scelto];
    a.sorgente = std::move(ods);
    return a;
}

} // namespace Fogli
