#include "province.h"

#include "cp1252.h"
#include "luoghi.h"

namespace Fiscale {

bool Province::analizza(QByteArrayView righe)
{
    m_nomi.clear();
    m_perForma.clear();
    while (!righe.isEmpty()) {
        const qsizetype fine = righe.indexOf("\r\n");
        const QByteArrayView riga = righe.first(fine < 0 ? righe.size() : fine);
        righe = fine < 0 ? QByteArrayView() : righe.sliced(fine + 2);
        const bool sigla = riga.size() > 3 && riga[2] == ';' && riga[0] >= 'A' && riga[0] <= 'Z' && riga[1] >= 'A' &&
                           riga[1] <= 'Z';
        if (!sigla || fine < 0) {
            m_nomi.clear();
            m_perForma.clear();
            return false;
        }
        const QString s = QString::fromLatin1(riga.first(2));
        const QString testo = Cp1252::decodifica(riga.sliced(3).toByteArray());
        if (!m_nomi.contains(s))
            m_nomi.insert(s, testo);
        QStringList &diQuelNome = m_perForma[Luoghi::forma(testo)];
        if (!diQuelNome.contains(s))
            diQuelNome.append(s);
    }
    return true;
}

QStringList Province::sigle(const QString &provincia) const
{
    const QString t = provincia.trimmed();
    // Two ASCII letters: a look-alike ('ı' upper-cases to I) must not make a sigla.
    const auto lettera = [](QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    if (t.size() == 2 && lettera(t[0]) && lettera(t[1]))
        return {t.toUpper()};
    return m_perForma.value(Luoghi::forma(t));
}

} // namespace Fiscale
