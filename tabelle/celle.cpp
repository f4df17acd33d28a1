// The cells of a sheet as values: made, turned into the text the user sees, dates to day numbers and back.
// No archive or XML library here: the table engine uses these in every program, the readers and writers of
// sheet files only where a sheet is read or written (see libreria()).
#include "foglio.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Fogli {

Cella Cella::diTesto(const QString &t)
{
    Cella c;
    c.tipo = t.isEmpty() ? TipoCella::Vuota : TipoCella::Testo;
    c.testo = t;
    return c;
}

Cella Cella::diNumero(double v)
{
    Cella c;
    c.tipo = TipoCella::Numero;
    c.numero = v;
    return c;
}

Cella Cella::diData(const QDate &d, const QTime &o)
{
    Cella c;
    c.tipo = TipoCella::Data;
    c.data = d;
    c.ora = o;
    c.numero = numeroDaData(d, o);
    return c;
}

Cella Cella::diBooleano(bool b)
{
    Cella c;
    c.tipo = TipoCella::Booleano;
    c.numero = b ? 1 : 0;
    return c;
}

double numeroDaData(const QDate &d, const QTime &o)
{
    static const QDate base(1899, 12, 30);
    double n = static_cast<double>(base.daysTo(d));
    if (n < 61) // the 1900 system counts a 29 February 1900 that never was
        n -= 1;
    if (o.isValid())
        n += o.msecsSinceStartOfDay() / 86400000.0;
    return n;
}

bool dataDaNumero(double numero, QDate *d, QTime *o)
{
    if (!std::isfinite(numero) || numero < 1 || numero >= 2958466 || (numero >= 60 && numero < 61))
        return false;
    const double giorni = std::floor(numero);
    static const QDate base(1899, 12, 30);
    *d = base.addDays(static_cast<qint64>(giorni) + (giorni < 60 ? 1 : 0));
    const auto ms = static_cast<int>(std::llround((numero - giorni) * 86400000.0));
    *o = ms > 0 && ms < 86400000 ? QTime::fromMSecsSinceStartOfDay(ms) : QTime();
    return true;
}

QString testoVisibile(const Cella &c)
{
    switch (c.tipo) {
    case TipoCella::Vuota: return {};
    case TipoCella::Testo: return c.testo;
    case TipoCella::Booleano: return c.numero != 0 ? QStringLiteral("VERO") : QStringLiteral("FALSO");
    case TipoCella::Data: {
        // dd/MM/yyyy by hand: QDate::toString goes through the locale's format machinery, ten times the cost.
        int anno = 0;
        int mese = 0;
        int giorno = 0;
        c.data.getDate(&anno, &mese, &giorno);
        if (!c.data.isValid() || anno < 1 || anno > 9999)
            return c.data.toString(QStringLiteral("dd/MM/yyyy"));
        const bool conOra = c.ora.isValid() && c.ora.msecsSinceStartOfDay() > 0;
        const bool secondi = conOra && c.ora.second() != 0;
        QString s(10 + (conOra ? 6 : 0) + (secondi ? 3 : 0), Qt::Uninitialized);
        char16_t *p = reinterpret_cast<char16_t *>(s.data());
        const auto due = [&p](int v) {
            *p++ = static_cast<char16_t>(u'0' + v / 10);
            *p++ = static_cast<char16_t>(u'0' + v % 10);
        };
        due(giorno);
        *p++ = u'/';
        due(mese);
        *p++ = u'/';
        due(anno / 100);
        due(anno % 100);
        if (conOra) {
            *p++ = u' ';
            due(c.ora.hour());
            *p++ = u':';
            due(c.ora.minute());
            if (secondi) {
                *p++ = u':';
                due(c.ora.second());
            }
        }
        return s;
    }
    case TipoCella::Numero: {
        char buf[400];
        const double v = c.numero;
        std::to_chars_result r{};
        const double a = std::fabs(v);
        if (a == 0 || (a >= 1e-6 && a < 1e21))
            r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        else
            r = std::to_chars(buf, buf + sizeof buf, v);
        const auto n = static_cast<qsizetype>(r.ptr - buf);
        if (n == 2 && buf[0] == '-' && buf[1] == '0')
            return QStringLiteral("0");
        QString s(n, Qt::Uninitialized);
        char16_t *p = reinterpret_cast<char16_t *>(s.data());
        for (qsizetype i = 0; i < n; ++i)
            p[i] = buf[i] == '.' ? u',' : static_cast<char16_t>(buf[i]);
        return s;
    }
    }
    return {};
}

bool rigaUnita(const Riga &r)
{
    bool qualcuna = false;
    for (const Cella &c : r.celle) {
        if (c.vuota())
            continue;
        if (!c.unita)
            return false;
        qualcuna = true;
    }
    return qualcuna;
}

} // namespace Fogli
