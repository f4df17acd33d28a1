#include "numeri.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Numeri {

namespace {

bool spazio(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool cifra(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The value of a hexadecimal or octal digit, or -1.
int cifraInBase(QChar c, int base)
{
    int valore = -1;
    if (cifra(c))
        valore = c.unicode() - '0';
    else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        valore = c.unicode() - 'a' + 10;
    else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        valore = c.unicode() - 'A' + 10;
    return valore < base ? valore : -1;
}

// Walks the characters of a text, skipping blanks, tabs and line feeds.
class Lettore
{
public:
    explicit Lettore(const QString &testo)
        : m_testo(testo)
    {
        salta();
    }
    bool fine() const { return m_pos >= m_testo.size(); }
    QChar corrente() const { return fine() ? QChar() : m_testo.at(m_pos); }
    void avanza()
    {
        ++m_pos;
        salta();
    }
    // Takes the current character when it is `c` (upper or lower case).
    bool prendi(char c)
    {
        if (fine() || corrente().toUpper() != QLatin1Char(c))
            return false;
        avanza();
        return true;
    }

private:
    void salta()
    {
        while (m_pos < m_testo.size() && spazio(m_testo.at(m_pos)))
            ++m_pos;
    }
    const QString &m_testo;
    qsizetype m_pos = 0;
};

std::optional<double> leggiInBase(Lettore &l, int base)
{
    quint64 valore = 0;
    for (int d = cifraInBase(l.corrente(), base); d >= 0; d = cifraInBase(l.corrente(), base)) {
        if (valore > (std::numeric_limits<quint64>::max() - d) / base)
            return std::nullopt;
        valore = valore * base + d;
        l.avanza();
    }
    return static_cast<double>(valore);
}

// Beyond this many significant digits, the rest only tells whether it is zero: a nonzero rest stands as
// one more digit 1, which rounds the same way, since no halfway point between two doubles needs more.
constexpr int kCifreSignificative = 800;
// An exponent this large already overflows or underflows whatever the digits.
constexpr qint64 kEsponenteMassimo = 100000;

} // namespace

std::optional<double> leggi(const QString &testo)
{
    Lettore l(testo);
    if (l.prendi('&')) {
        if (l.prendi('H'))
            return leggiInBase(l, 16);
        if (l.prendi('O'))
            return leggiInBase(l, 8);
        return 0.0;
    }

    bool negativo = false;
    if (l.corrente() == QLatin1Char('-') || l.corrente() == QLatin1Char('+')) {
        negativo = l.corrente() == QLatin1Char('-');
        l.avanza();
    }

    // The digits without leading zeros, and the power of ten of the first of them: value = 0.cifre x 10^esp.
    QByteArray cifre;
    bool restoNonNullo = false;
    qint64 esponente = 0;
    bool puntoVisto = false;
    bool qualcheCifra = false;
    for (;;) {
        const QChar c = l.corrente();
        if (cifra(c)) {
            qualcheCifra = true;
            const char d = static_cast<char>(c.unicode());
            if (cifre.isEmpty() && d == '0') {
                if (puntoVisto)
                    --esponente;
            } else {
                if (cifre.size() < kCifreSignificative)
                    cifre.append(d);
                else if (d != '0')
                    restoNonNullo = true;
                if (!puntoVisto)
                    ++esponente;
            }
        } else if (c == QLatin1Char('.') && !puntoVisto) {
            puntoVisto = true;
        } else {
            break;
        }
        l.avanza();
    }
    if (!qualcheCifra)
        return 0.0;

    if (l.prendi('E') || l.prendi('D')) {
        bool esponenteNegativo = false;
        if (l.corrente() == QLatin1Char('-') || l.corrente() == QLatin1Char('+')) {
            esponenteNegativo = l.corrente() == QLatin1Char('-');
            l.avanza();
        }
        qint64 scritto = 0;
        while (cifra(l.corrente())) {
            scritto = qMin(scritto * 10 + (l.corrente().unicode() - '0'), kEsponenteMassimo * 10);
            l.avanza();
        }
        esponente += esponenteNegativo ? -scritto : scritto;
    }

    if (cifre.isEmpty())
        return negativo ? -0.0 : 0.0;
    if (restoNonNullo)
        cifre.append('1');
    esponente = qBound(-kEsponenteMassimo, esponente, kEsponenteMassimo);

    // The double nearest to the decimal, whatever the C library's locale: 1225668.59135 is read as the
    // double nearest to it, which a decimal point in the middle of the digits must not change.
    const QByteArray numero = QByteArray(negativo ? "-0." : "0.") + cifre + 'e' + QByteArray::number(esponente);
    double valore = 0;
    const std::from_chars_result letto = std::from_chars(numero.constBegin(), numero.constEnd(), valore);
    if (letto.ec == std::errc() && std::isfinite(valore))
        return valore;
    // A number out of the range is an overflow (beyond the largest double) or an underflow (zero).
    if (esponente > 0)
        return std::nullopt;
    return negativo ? -0.0 : 0.0;
}

QString scrivi(double valore, const QLocale &locale)
{
    if (valore == 0)
        return QStringLiteral("0");
    QString testo = QString::number(valore, 'G', 15);
    testo.replace(QLatin1Char('.'), locale.decimalPoint());
    return testo;
}

} // namespace Numeri
