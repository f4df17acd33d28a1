#include <gtest/gtest.h>

#include <map>

#include <QSet>

#include "prefissi.h"
#include "supporto.h"

namespace {

QString nomeDi(const QString &voce)
{
    return voce.left(Prefissi::kLarghezzaNome).trimmed();
}

} // namespace

TEST(Prefissi, CentosettantaquattroVociInColonne)
{
    const QStringList voci = Prefissi::voci();
    ASSERT_EQ(voci.size(), 174);
    EXPECT_EQ(voci.first(), QStringLiteral("Albania              00355"));
    EXPECT_EQ(voci.last(), QStringLiteral("Zimbabwe             00263"));
    EXPECT_EQ(voci[28], QStringLiteral("Canada               001"));

    std::map<qsizetype, int> perLunghezza;
    QSet<QString> nomi;
    for (const QString &voce : voci) {
        const QString nome = voce.left(Prefissi::kLarghezzaNome);
        // The name, then at least two spaces up to column 21.
        EXPECT_TRUE(nome.endsWith(QStringLiteral("  "))) << voce.toStdString();
        EXPECT_FALSE(nome.startsWith(QLatin1Char(' '))) << voce.toStdString();
        const QString prefisso = Prefissi::prefisso(voce);
        EXPECT_TRUE(prefisso.startsWith(QStringLiteral("00"))) << voce.toStdString();
        for (QChar c : prefisso)
            EXPECT_TRUE(c >= QLatin1Char('0') && c <= QLatin1Char('9')) << voce.toStdString();
        ++perLunghezza[prefisso.size()];
        nomi.insert(nome.trimmed());
        // The prefixes of the old shared and Caribbean numbering are gone.
        EXPECT_NE(prefisso, QStringLiteral("0042")) << voce.toStdString();
        EXPECT_NE(prefisso, QStringLiteral("00851")) << voce.toStdString();
        EXPECT_NE(prefisso, QStringLiteral("00854")) << voce.toStdString();
    }
    EXPECT_EQ(nomi.size(), 174);
    EXPECT_EQ(perLunghezza, (std::map<qsizetype, int>{{3, 3}, {4, 42}, {5, 108}, {6, 21}}));
}

TEST(Prefissi, OrdineAlfabeticoTranneTre)
{
    const QStringList voci = Prefissi::voci();
    const QSet<QString> fuoriOrdine{"Bulgaria", "USA", "Swaziland"};
    QString precedente;
    for (const QString &voce : voci) {
        const QString nome = nomeDi(voce);
        if (fuoriOrdine.contains(nome))
            continue;
        EXPECT_LT(QString::compare(precedente, nome, Qt::CaseInsensitive), 0) << nome.toStdString();
        precedente = nome;
    }
    EXPECT_EQ(nomeDi(voci[22]), QStringLiteral("Bulgaria"));
    EXPECT_EQ(nomeDi(voci[23]), QStringLiteral("Brasile"));
    EXPECT_EQ(nomeDi(voci[150]), QStringLiteral("Sri Lanka"));
    EXPECT_EQ(nomeDi(voci[151]), QStringLiteral("USA"));
    EXPECT_EQ(nomeDi(voci[152]), QStringLiteral("Sud Africa"));
    EXPECT_EQ(nomeDi(voci[154]), QStringLiteral("Swaziland"));
    EXPECT_EQ(nomeDi(voci[155]), QStringLiteral("Svezia"));
}

TEST(Prefissi, PaesiEPrefissi)
{
    const QStringList voci = Prefissi::voci();
    const struct {
        int posizione;
        const char *nome;
        const char *prefisso;
    } casi[] = {
        {0, "Albania", "00355"},
        {28, "Canada", "001"},
        {136, "Russia", "007"},
        {151, "USA", "001"},
        {127, "Perù", "0051"},
        {40, "Costa d'Avorio", "00225"},
        {66, "Giordania", "00962"},
        {57, "Francia", "0033"},
        {110, "Monaco princ.", "0033"},
        // Split in 1997.
        {31, "Ceca rep.", "00420"},
        {146, "Slovacca rep.", "00421"},
        // North American numbering plan: 001 and the area code.
        {3, "Anguilla", "001264"},
        {46, "Dominicana rep.", "001809"},
        {62, "Giamaica", "001876"},
        {131, "Portorico", "001787"},
        {170, "Vergini u.s.a.", "001340"},
        // Names mended in place.
        {140, "Sao Tomé e Principe", "00239"},
        {154, "Swaziland", "00268"},
        {173, "Zimbabwe", "00263"},
    };
    for (const auto &c : casi) {
        EXPECT_EQ(nomeDi(voci[c.posizione]), QString::fromUtf8(c.nome)) << c.posizione;
        EXPECT_EQ(Prefissi::prefisso(voci[c.posizione]), QString::fromUtf8(c.prefisso)) << c.nome;
    }
    EXPECT_EQ(voci[140], QStringLiteral("Sao Tomé e Principe  00239"));
}

TEST(Prefissi, Frase)
{
    EXPECT_EQ(Prefissi::frase(QStringLiteral("00355")),
              QStringLiteral("Il prefisso da comporre per chiamare dall'Italia è: 00355"));
}
