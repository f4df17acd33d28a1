// The header of a table: its names compared on their words, the columns of a command found among them, the
// names of the command's new columns.
#include "tabella.h"

#include <algorithm>

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

// A name that says the column is about birth ("Comune di nascita", "Nato/a a"), normalised.
bool diNascita(const QString &normale)
{
    return normale.contains(u"nascit") || normale.startsWith(u"nato") || normale.startsWith(u"nata");
}

// A name as the commands write their own columns: lower case ASCII words joined by '_' ("data_nascita",
// "comune_verifica").
bool nomeDiComando(const QString &nome)
{
    if (nome.isEmpty())
        return false;
    for (QChar c : nome) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_'))
            return false;
    }
    return true;
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
    // A name that says birth first: a table of people often has their residence too, under the plain names
    // ("Comune", "Provincia").
    const QStringList nomi = nomiRiconosciuti(nome);
    for (bool nascita : {true, false}) {
        for (const QString &v : nomi) {
            const QString n = normalizza(v);
            const qsizetype j = diNascita(n) == nascita ? normali.indexOf(n) : -1;
            if (j >= 0)
                return static_cast<int>(j);
        }
    }
    return -1;
}

QStringList intestazioneDiRicerca(const QStringList &intestazione, const NuoveColonne &nuove)
{
    QStringList dove = intestazione;
    for (qsizetype i = 0; nuove.posto >= 0 && i < nuove.nomi.size(); ++i)
        dove[nuove.posto + i].clear();
    // What a command wrote after its "esito" (verifica's sesso, data_nascita, comune...) is its answer, not
    // the table's data: those columns, named as commands name them, up to the first that is not.
    for (qsizetype i = 1; i < dove.size(); ++i) {
        const QString &nome = intestazione[i];
        if (nome != u"esito" && !(nome.startsWith(u"esito_") && nomeDiComando(nome)))
            continue;
        for (qsizetype j = i + 1; j < dove.size() && nomeDiComando(intestazione[j]); ++j)
            dove[j].clear();
    }
    return dove;
}

qsizetype sceltaIntestazione(const QList<QStringList> &righe, const Comando &comando,
                             const QList<QPair<QString, QString>> &scelte)
{
    const std::vector<Colonna> colonne = comando.ingresso();
    qsizetype migliore = -1, primaPiena = -1;
    int nominateMigliore = 0;
    for (qsizetype r = 0; r < righe.size(); ++r) {
        const QStringList &nomi = righe[r];
        if (std::all_of(nomi.begin(), nomi.end(), [](const QString &n) { return n.trimmed().isEmpty(); }))
            continue;
        if (primaPiena < 0)
            primaPiena = r;
        const QStringList dove = intestazioneDiRicerca(nomi, nuoveColonne(nomi, comando.uscita(), comando.nome()));
        int nominate = 0;
        bool tutte = true;
        for (const Colonna &c : colonne) {
            std::optional<QString> scelta;
            for (const auto &[nome, testa] : scelte) {
                if (normalizza(nome) == normalizza(c.nome))
                    scelta = testa;
            }
            const bool nessuna = scelta && scelta->isEmpty(); // the user said the table has none
            const bool trovata = !nessuna && trovaColonna(dove, c.nome, scelta.value_or(QString())) >= 0;
            nominate += trovata ? 1 : 0;
            tutte = tutte && (trovata || nessuna || (!c.obbligatoria && !scelta));
        }
        if (tutte && nominate > 0)
            return r;
        if (nominate > nominateMigliore) {
            nominateMigliore = nominate;
            migliore = r;
        }
    }
    return migliore >= 0 ? migliore : primaPiena;
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
