#include "comando.h"

#include <cstring>
#include <type_traits>

#include "calcolo.h"

namespace {

bool spazio(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

namespace Tabelle {

void Valori::prepara(size_t colonne, Csv::Codifica c)
{
    testi.assign(colonne, QByteArrayView());
    date.assign(colonne, QDate());
    codifica = c;
}

QString Valori::stringa(size_t colonna) const
{
    return Csv::decodifica(testi[colonna], codifica);
}

bool Valori::vuoti() const
{
    for (QByteArrayView t : testi) {
        if (!t.isEmpty())
            return false;
    }
    for (const QDate &d : date) {
        if (d.isValid())
            return false;
    }
    return true;
}

Valori Valori::daTesti(const QStringList &testi, size_t colonne)
{
    Valori v(colonne, Csv::Codifica::Utf8);
    v.m_tenuti.reserve(colonne);
    for (size_t i = 0; i < colonne; ++i) {
        v.m_tenuti.push_back(testi.value(static_cast<qsizetype>(i)).toUtf8());
        v.testi[i] = v.m_tenuti.back();
    }
    return v;
}

void Risultato::prepara(int colonne, int esito)
{
    m_campi.assign(static_cast<size_t>(qMax(0, colonne)), Campo());
    m_esito = esito;
    m_testo.resize(256);
}

void Risultato::pulisci()
{
    static_assert(std::is_trivially_copyable_v<Campo>);
    std::memset(static_cast<void *>(m_campi.data()), 0, m_campi.size() * sizeof(Campo));
    m_usati = 0;
}

void Risultato::imposta(int colonna, const QString &testo)
{
    const QByteArray utf8 = testo.toUtf8();
    imposta(colonna, QByteArrayView(utf8));
}

bool Risultato::testoSemplice(QByteArrayView utf8)
{
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || u < 0x20 || c == ';' || c == ',' || c == '"')
            return false;
    }
    return true;
}

QStringList Risultato::testi() const
{
    QStringList t;
    for (int i = 0; i < colonne(); ++i)
        t.append(testo(i));
    return t;
}

void Comando::ordineDate(size_t, Fiscale::OrdineData)
{}

QString Comando::responso(const QStringList &) const
{
    return QString();
}

QStringList Comando::elaboraTesti(const QStringList &valori) const
{
    Risultato r;
    r.prepara(static_cast<int>(uscita().size()), colonnaEsito());
    elabora(Valori::daTesti(valori, ingresso().size()), r);
    return r.testi();
}

QString citazione(const QString &valore)
{
    constexpr qsizetype kMassimo = 24;
    QString testo;
    for (QChar c : valore.left(kMassimo))
        testo.append(c.isPrint() && !c.isSurrogate() ? c : QChar(u'?'));
    if (valore.size() > kMassimo)
        testo.append(u'…');
    return u'«' + testo + u'»';
}

QString sessoNormale(const QString &testo)
{
    QString t = taglia(testo).toLower();
    if (t.endsWith(u'.'))
        t.chop(1);
    static const QStringList maschili{QStringLiteral("m"), QStringLiteral("maschio"), QStringLiteral("maschile"),
                                      QStringLiteral("uomo"), QStringLiteral("male")};
    static const QStringList femminili{QStringLiteral("f"), QStringLiteral("femmina"), QStringLiteral("femminile"),
                                       QStringLiteral("donna"), QStringLiteral("female")};
    if (maschili.contains(t))
        return QStringLiteral("M");
    if (femminili.contains(t))
        return QStringLiteral("F");
    return QString();
}

bool ascii(QByteArrayView testo)
{
    // Eight bytes at a time.
    const char *p = testo.data();
    qsizetype n = testo.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 otto;
        std::memcpy(&otto, p, 8);
        if ((otto & 0x8080808080808080ULL) != 0)
            return false;
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

QByteArrayView taglia(QByteArrayView valore)
{
    while (!valore.isEmpty() && spazio(valore.front()))
        valore = valore.sliced(1);
    while (!valore.isEmpty() && spazio(valore.back()))
        valore.chop(1);
    return valore;
}

QString taglia(const QString &valore)
{
    qsizetype inizio = 0, fine = valore.size();
    while (inizio < fine && (valore[inizio] == u' ' || valore[inizio] == u'\t'))
        ++inizio;
    while (fine > inizio && (valore[fine - 1] == u' ' || valore[fine - 1] == u'\t'))
        --fine;
    return valore.mid(inizio, fine - inizio);
}

} // namespace Tabelle
