// The header of a table: its names compared on their words, the columns of a command found among them, the
// names of the command's new columns.
#include "tabella.h"

namespace {

// The usual ways of heading a column, as people write them.
QStringList varianti(const QString &nome)
{
    if (nome == u"datanascita")
        return {QStringLiteral("Data di nascita"), QStringLiteral("Nascita"),
                QStringLiteral("Data nasc."),      QStringLiteral("Nato il"),
                QStringLiteral("Nata il"),         QStringLiteral("Nato/a il"),
                QStringLiteral("Nata/o il"),       QStringLiteral("Data di nascita (gg/mm/aaaa)")};
    if (nome == u"comune")
        return {QStringLiteral("Luogo di nascita"),
                QStringLiteral("Luogo nascita"),
                QStringLiteral("Comune di nascita"),
                QStringLiteral("Comune nascita"),
                QStringLiteral("Nato a"),
                QStringLiteral("Nata a"),
                QStringLiteral("Nato/a a"),
                QStringLiteral("Località di nascita"),
                QStringLiteral("Località nascita"),
                QStringLiteral("Luogo"),
                QStringLiteral("Città"),
                QStringLiteral("Città di nascita")};
    if (nome == u"provincia")
        return {QStringLiteral("Prov."),
                QStringLiteral("Provincia di nascita"),
                QStringLiteral("Prov. nascita"),
                QStringLiteral("Prov. di nascita"),
                QStringLiteral("Provincia nascita"),
                QStringLiteral("Sigla"),
                QStringLiteral("Sigla provincia")};
    if (nome == u"sesso")
        return {QStringLiteral("Genere"), QStringLiteral("Sex"), QStringLiteral("M/F")};
    if (nome == u"codicefiscale")
        return {QStringLiteral("C.F."),
                QStringLiteral("Cod. fisc."),
                QStringLiteral("Cod. fiscale"),
                QStringLiteral("Codice fisc."),
                QStringLiteral("Codice fiscale dipendente"),
                QStringLiteral("C.F./P.IVA"),
                QStringLiteral("Codice fiscale/Partita IVA")};
    if (nome == u"partitaiva")
        return {QStringLiteral("P.IVA"),      QStringLiteral("Part. IVA"),
                QStringLiteral("P.I."),       QStringLiteral("Partita IVA fornitore"),
                QStringLiteral("C.F./P.IVA"), QStringLiteral("Codice fiscale/Partita IVA")};
    return {};
}

} // namespace

namespace Tabelle {

QString normalizza(const QString &nome)
{
    QString t = nome.trimmed();
    // A trailing part in brackets says how to fill the column, not what it is.
    if (t.endsWith(u')')) {
        const qsizetype aperta = t.lastIndexOf(u'(');
        if (aperta > 0)
            t.truncate(aperta);
    }
    QString n;
    for (QChar c : t.normalized(QString::NormalizationForm_KD).toLower()) {
        if (c.isLetterOrNumber() && !c.isMark())
            n.append(c);
    }
    return n;
}

QStringList nomiRiconosciuti(const QString &nome)
{
    QStringList nomi{nome};
    nomi += varianti(normalizza(nome));
    return nomi;
}

int trovaColonna(const QStringList &intestazione, const QString &nome, const QString &mappata)
{
    QStringList normali;
    for (const QString &h : intestazione)
        normali.append(normalizza(h));
    if (!mappata.isEmpty())
        return static_cast<int>(normali.indexOf(normalizza(mappata)));
    for (const QString &v : nomiRiconosciuti(nome)) {
        const qsizetype j = normali.indexOf(normalizza(v));
        if (j >= 0)
            return static_cast<int>(j);
    }
    return -1;
}

NuoveColonne nuoveColonne(const QStringList &intestazione, const QStringList &proprie, const QString &comando)
{
    NuoveColonne r;
    const qsizetype k = proprie.size();
    QString suffisso = u'_' + comando;
    suffisso.replace(u'-', u'_');
    QStringList normali;
    for (const QString &h : intestazione)
        normali.append(normalizza(h));
    // The command's own columns, as it names them: a block of the header, not at its very start.
    for (qsizetype p = intestazione.size() - k; p >= 1 && k > 0; --p) {
        bool proprio = true;
        for (qsizetype i = 0; i < k && proprio; ++i)
            proprio = normali[p + i] == normalizza(proprie[i]) || normali[p + i] == normalizza(proprie[i] + suffisso);
        if (proprio) {
            r.posto = p;
            r.nomi = intestazione.mid(p, k);
            return r;
        }
    }
    QStringList usati = normali;
    for (const QString &nome : proprie) {
        QString scelto = nome;
        if (usati.contains(normalizza(scelto)))
            scelto = nome + suffisso;
        for (int n = 2; usati.contains(normalizza(scelto)); ++n)
            scelto = nome + suffisso + u'_' + QString::number(n);
        usati.append(normalizza(scelto));
        r.nomi.append(scelto);
    }
    return r;
}

} // namespace Tabelle
