// The date recognition of the fiscal code window on arbitrary text, under three regional settings with
// different orders and month names.

#include <QRegularExpression>

#include "riconoscidata.h"
#include "supporto_fuzz.h"

namespace {

const QDate kOggi(2024, 5, 17);

// The date written in the locale's short format with a four-digit year.
QString scritta(const QDate &data, const QLocale &locale)
{
    QString formato = locale.dateFormat(QLocale::ShortFormat);
    formato.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return locale.toString(data, formato);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    static const QLocale locali[] = {QLocale(QLocale::Italian, QLocale::Italy),
                                     QLocale(QLocale::English, QLocale::UnitedStates),
                                     QLocale(QLocale::French, QLocale::France)};

    const QString testo = Fuzz::testoDa(dati, n);
    const Fuzz::TestoEsatto esatto(testo);
    for (const QLocale &locale : locali) {
        const std::optional<QDate> data = Fiscale::riconosciData(esatto.testo(), locale, kOggi);
        if (data) {
            VERIFICA(data->isValid() && data->year() >= 100 && data->year() <= 9999);
            // A date the recognition gives is one it reads back when written in the locale's own format.
            VERIFICA(Fiscale::riconosciData(scritta(*data, locale), locale, kOggi) == data);
        }
        // Spaces around the text change nothing.
        VERIFICA(Fiscale::riconosciData(QStringLiteral("  ") + testo + QStringLiteral(" "), locale, kOggi) == data);
    }
    return 0;
}
