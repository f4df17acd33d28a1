#include "ooxml.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include <QDateTime>

namespace Fogli {

namespace {

constexpr qint64 kStringheMassime = 256 * kMiB; // the shared strings, held in memory

bool formatoPredefinitoDiData(int id)
{
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

Cella cellaData(const std::string &valore)
{
    const QString t = QString::fromUtf8(valore.data(), static_cast<qsizetype>(valore.size())).trimmed();
    const QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    const QDate d = dt.isValid() ? dt.date() : QDate::fromString(t, Qt::ISODate);
    return d.isValid() ? Cella::diData(d, dt.isValid() ? dt.time() : QTime()) : Cella::diTesto(t);
}

// A whole number as a format of `cifre` zeros shows it; null when it is not one.
QString conZeri(double v, int cifre)
{
    if (cifre <= 0 || v < 0 || v >= 1e15 || v != std::floor(v))
        return {};
    const QString t = QString::number(static_cast<qint64>(v));
    return t.size() < cifre ? QString(cifre - t.size(), u'0') + t : t;
}

Cella cellaNumero(const std::string &valore, StileXlsx stile, bool data1904)
{
    double v = 0;
    const char *inizio = valore.data();
    const char *fine = inizio + valore.size();
    const auto r = std::from_chars(inizio, fine, v);
    QDate d;
    QTime o;
    if (r.ec != std::errc() || r.ptr != fine || !std::isfinite(v))
        return Cella::diTesto(QString::fromUtf8(inizio, static_cast<qsizetype>(valore.size())).trimmed());
    if (stile.data && dataDaNumero(data1904 ? v + 1462 : v, &d, &o))
        return Cella::diData(d, o);
    if (const QString t = conZeri(v, stile.cifre); !t.isEmpty())
        return Cella::diTesto(t);
    return Cella::diNumero(v);
}

} // namespace

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

bool area(std::string_view ref, Area *a)
{
    const size_t due = ref.find(':');
    if (due == std::string_view::npos || due == 0)
        return false;
    indirizzo(ref.substr(0, due), &a->riga1, &a->colonna1);
    indirizzo(ref.substr(due + 1), &a->riga2, &a->colonna2);
    return a->riga1 > 0 && a->colonna1 > 0 && a->riga2 >= a->riga1 && a->colonna2 >= a->colonna1;
}

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

bool codiceDiData(const QString &codice)
{
    bool virgolette = false;
    int parentesi = 0;
    for (qsizetype i = 0; i < codice.size(); ++i) {
        const QChar c = codice[i];
        if (virgolette) {
            virgolette = c != u'"';
        } else if (c == u'"') {
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

int cifreDiCodice(const QString &codice)
{
    const QString positivo = codice.section(u';', 0, 0);
    if (positivo.size() < 2 || positivo.size() > 15)
        return 0;
    for (QChar c : positivo) {
        if (c != u'0')
            return 0;
    }
    return static_cast<int>(positivo.size());
}

bool leggiStringhe(const Archivio &archivio, const QString &nome, Contesto *contesto, QString *errore)
{
    const zip_int64_t i = nome.isEmpty() ? -1 : archivio.trova(nome);
    if (i < 0)
        return true;
    XmlParte x(archivio, i, std::min(archivio.limiti.espansione, kStringheMassime), nome);
    for (auto t = x.prossimo(); t != QXmlStreamReader::Invalid; t = x.prossimo()) {
        if (t == QXmlStreamReader::StartElement && x.xml().name() == u"si") {
            QString testo;
            if (!x.testo(testo, u"rPh"))
                break;
            contesto->stringhe.push_back(senzaEscapeOoxml(testo));
        }
    }
    *errore = x.errore();
    return errore->isEmpty();
}

bool leggiStili(const Archivio &archivio, const QString &nome, Contesto *contesto, QString *errore)
{
    const zip_int64_t i = nome.isEmpty() ? -1 : archivio.trova(nome);
    if (i < 0)
        return true;
    XmlParte x(archivio, i, kParteMinore, nome);
    std::unordered_map<int, std::pair<bool, int>> personali; // whether it shows a date, its digits
    bool inCellXfs = false;
    for (auto t = x.prossimo(); t != QXmlStreamReader::Invalid; t = x.prossimo()) {
        const QStringView n = x.xml().name();
        if (t == QXmlStreamReader::EndElement && n == u"cellXfs")
            inCellXfs = false;
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = x.xml().attributes();
        const int id = a.value(QLatin1String("numFmtId")).toInt();
        if (n == u"numFmt") {
            const QString codice = a.value(QLatin1String("formatCode")).toString();
            personali[id] = {codiceDiData(codice), cifreDiCodice(codice)};
        } else if (n == u"cellXfs") {
            inCellXfs = true;
        } else if (n == u"xf" && inCellXfs) {
            const auto p = personali.find(id);
            contesto->stiliData.push_back(p != personali.end() ? p->second.first : formatoPredefinitoDiData(id));
            contesto->stiliCifre.push_back(p != personali.end() ? p->second.second : 0);
            if (static_cast<qint64>(contesto->stiliData.size()) > kMassimoInCoda) {
                x.imposta(kDanneggiato + QStringLiteral(" (stili oltre il limite)"));
                break;
            }
        }
    }
    *errore = x.errore();
    return errore->isEmpty();
}

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

bool cellaXlsx(TipoXlsx tipo, StileXlsx stile, const std::string &valore, const Contesto &contesto, Cella *cella)
{
    switch (tipo) {
    case TipoXlsx::Condivisa: {
        size_t i = 0;
        const char *fine = valore.data() + valore.size();
        const auto r = std::from_chars(valore.data(), fine, i);
        if (r.ec != std::errc() || r.ptr != fine || i >= contesto.stringhe.size())
            return false;
        *cella = Cella::diTesto(contesto.stringhe[i]);
        return true;
    }
    case TipoXlsx::InLinea:
    case TipoXlsx::Formula:
    case TipoXlsx::Errore:
        *cella =
            Cella::diTesto(senzaEscapeOoxml(QString::fromUtf8(valore.data(), static_cast<qsizetype>(valore.size()))));
        return true;
    case TipoXlsx::Booleano: *cella = Cella::diBooleano(valore == "1" || valore == "true"); return true;
    case TipoXlsx::Data: *cella = cellaData(valore); return true;
    case TipoXlsx::Numero: break;
    }
    *cella = cellaNumero(valore, stile, contesto.data1904);
    return true;
}

} // namespace Fogli
