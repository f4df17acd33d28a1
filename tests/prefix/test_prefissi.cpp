#include <gtest/gtest.h>

#include <QSet>

#include "prefissi.h"
#include "supporto.h"

namespace {

QString nomeDi(const QString &voce)
{
    return voce.left(Prefissi::kLarghezzaNome).trimmed();
}

// The whole list in its order, with the prefix dialled from Italy today.
// clang-format off
const struct {
    const char *nome, *prefisso;
} kLista[] = {
    {"Afghanistan", "0093"}, {"Albania", "00355"}, {"Algeria", "00213"}, {"Andorra", "00376"}, {"Angola", "00244"},
    {"Anguilla", "001264"}, {"Antigua", "001268"}, {"Antille oland.", "00599"}, {"Arabia Saudita", "00966"},
    {"Argentina", "0054"}, {"Armenia", "00374"}, {"Aruba", "00297"}, {"Australia", "0061"}, {"Austria", "0043"},
    {"Azerbaigian", "00994"}, {"Bahamas", "001242"}, {"Baherein", "00973"}, {"Bangladesh", "00880"},
    {"Barbados", "001246"}, {"Barbuda", "001268"}, {"Belgio", "0032"}, {"Belize", "00501"}, {"Benin", "00229"},
    {"Bermuda", "001441"}, {"Bhutan", "00975"}, {"Bielorussia", "00375"}, {"Bolivia", "00591"},
    {"Bosnia Erzegovina", "00387"}, {"Botswana", "00267"}, {"Bulgaria", "00359"}, {"Brasile", "0055"},
    {"Brunei", "00673"}, {"Burkina Faso", "00226"}, {"Burundi", "00257"}, {"Cambogia", "00855"}, {"Camerun", "00237"},
    {"Canada", "001"}, {"Capo Verde", "00238"}, {"Cayman", "001345"}, {"Ceca rep.", "00420"},
    {"Centrafricana rep.", "00236"}, {"Ciad", "00235"}, {"Cile", "0056"}, {"Cina", "0086"}, {"Cipro", "00357"},
    {"Colombia", "0057"}, {"Comore", "00269"}, {"Congo rep. dem.", "00243"}, {"Congo rep. pop.", "00242"},
    {"Corea del Nord", "00850"}, {"Corea del Sud", "0082"}, {"Costa d'Avorio", "00225"}, {"Costa Rica", "00506"},
    {"Croazia", "00385"}, {"Cuba", "0053"}, {"Curaçao", "005999"}, {"Danimarca", "0045"}, {"Dominica", "001767"},
    {"Dominicana rep.", "001809"}, {"Ecuador", "00593"}, {"Egitto", "0020"}, {"El Salvador", "00503"},
    {"Emirati Arabi unit", "00971"}, {"Eritrea", "00291"}, {"Estonia", "00372"}, {"Eswatini", "00268"},
    {"Etiopia", "00251"}, {"Faer Oer", "00298"}, {"Figi", "00679"}, {"Filippine", "0063"}, {"Finlandia", "00358"},
    {"Francia", "0033"}, {"Gabon", "00241"}, {"Gambia", "00220"}, {"Georgia", "00995"}, {"Germania", "0049"},
    {"Ghana", "00233"}, {"Giamaica", "001876"}, {"Giappone", "0081"}, {"Gibilterra", "00350"}, {"Gibuti", "00253"},
    {"Giordania", "00962"}, {"Gran Bretagna", "0044"}, {"Grecia", "0030"}, {"Grenada", "001473"},
    {"Grenadine", "001784"}, {"Groenlandia", "00299"}, {"Guadalupa", "00590"}, {"Guatemala", "00502"},
    {"Guinea", "00224"}, {"Guinea Bissau", "00245"}, {"Guinea Equatoriale", "00240"}, {"Guyana", "00592"},
    {"Haiti", "00509"}, {"Honduras", "00504"}, {"Hong Kong", "00852"}, {"India", "0091"}, {"Indonesia", "0062"},
    {"Iran", "0098"}, {"Iraq", "00964"}, {"Irlanda", "00353"}, {"Islanda", "00354"}, {"Israele", "00972"},
    {"Jugoslava fed.rep.", "00381"}, {"Kazakistan", "007"}, {"Kenya", "00254"}, {"Kirghizistan", "00996"},
    {"Kiribati", "00686"}, {"Kosovo", "00383"}, {"Kuwait", "00965"}, {"Laos", "00856"}, {"Lesotho", "00266"},
    {"Lettonia", "00371"}, {"Libano", "00961"}, {"Liberia", "00231"}, {"Libia", "00218"}, {"Liechtenstein", "00423"},
    {"Lituania", "00370"}, {"Lussemburgo", "00352"}, {"Macao", "00853"}, {"Macedonia", "00389"},
    {"Madagascar", "00261"}, {"Malawi", "00265"}, {"Malaysia", "0060"}, {"Maldive", "00960"}, {"Mali", "00223"},
    {"Malta", "00356"}, {"Marocco", "00212"}, {"Marshall", "00692"}, {"Martinica", "00596"}, {"Mauritania", "00222"},
    {"Mauritius", "00230"}, {"Messico", "0052"}, {"Micronesia", "00691"}, {"Moldavia", "00373"},
    {"Monaco princ.", "00377"}, {"Mongolia", "00976"}, {"Montenegro", "00382"}, {"Montserrat", "001664"},
    {"Mozambico", "00258"}, {"Myanmar", "0095"}, {"Namibia", "00264"}, {"Nauru", "00674"}, {"Nepal", "00977"},
    {"Nicaragua", "00505"}, {"Niger", "00227"}, {"Nigeria", "00234"}, {"Norvegia", "0047"},
    {"Nuova caledonia", "00687"}, {"Nuova Zelanda", "0064"}, {"Olanda", "0031"}, {"Oman", "00968"},
    {"Paesi Bassi", "0031"}, {"Pakistan", "0092"}, {"Palau", "00680"}, {"Palestina", "00970"}, {"Panama", "00507"},
    {"Papua Nuova Guinea", "00675"}, {"Paraguay", "00595"}, {"Perù", "0051"}, {"Polinesia Fr.", "00689"},
    {"Polonia", "0048"}, {"Portogallo", "00351"}, {"Portorico", "001787"}, {"Qatar", "00974"}, {"Reunion", "00262"},
    {"Romania", "0040"}, {"Ruanda", "00250"}, {"Russia", "007"}, {"Saint Kitts e Nevis", "001869"},
    {"Saint Lucia", "001758"}, {"Saint Vincent", "001784"}, {"Salomone", "00677"}, {"Samoa", "00685"},
    {"San Marino", "00378"}, {"Sao Tomé e Principe", "00239"}, {"Seicelle", "00248"}, {"Senegal", "00221"},
    {"Serbia", "00381"}, {"Sierra Leone", "00232"}, {"Singapore", "0065"}, {"Sint Maarten", "001721"},
    {"Siria", "00963"}, {"Slovacca rep.", "00421"}, {"Slovenia", "00386"}, {"Somalia", "00252"}, {"Spagna", "0034"},
    {"Sri Lanka", "0094"}, {"USA", "001"}, {"Sud Africa", "0027"}, {"Sud Sudan", "00211"}, {"Sudan", "00249"},
    {"Suriname", "00597"}, {"Swaziland", "00268"}, {"Svezia", "0046"}, {"Svizzera", "0041"}, {"Tagikistan", "00992"},
    {"Taiwan", "00886"}, {"Tanzania", "00255"}, {"Thailandia", "0066"}, {"Timor Est", "00670"}, {"Togo", "00228"},
    {"Tonga", "00676"}, {"Trinidad e Tobago", "001868"}, {"Tunisia", "00216"}, {"Turchia", "0090"},
    {"Turkmenistan", "00993"}, {"Turks e Caicos", "001649"}, {"Tuvalu", "00688"}, {"Ucraina", "00380"},
    {"Uganda", "00256"}, {"Ungheria", "0036"}, {"Uruguay", "00598"}, {"Uzbekistan", "00998"}, {"Vanuatu", "00678"},
    {"Venezuela", "0058"}, {"Vergini brit.", "001284"}, {"Vergini u.s.a.", "001340"}, {"Vietnam", "0084"},
    {"Yemen", "00967"}, {"Zambia", "00260"}, {"Zimbabwe", "00263"},
};
// clang-format on

} // namespace

TEST(Prefissi, LaListaIntera)
{
    const QStringList voci = Prefissi::voci();
    ASSERT_EQ(voci.size(), qsizetype(std::size(kLista)));
    for (qsizetype i = 0; i < voci.size(); ++i) {
        EXPECT_EQ(nomeDi(voci[i]), QString::fromUtf8(kLista[i].nome)) << i;
        EXPECT_EQ(Prefissi::prefisso(voci[i]), QString::fromUtf8(kLista[i].prefisso)) << kLista[i].nome;
    }
    EXPECT_EQ(voci.first(), QStringLiteral("Afghanistan          0093"));
    EXPECT_EQ(voci.last(), QStringLiteral("Zimbabwe             00263"));
    EXPECT_EQ(voci[voci.indexOf(QStringLiteral("Canada               001"))],
              QStringLiteral("Canada               001"));
}

TEST(Prefissi, VociInColonne)
{
    QSet<QString> nomi;
    for (const QString &voce : Prefissi::voci()) {
        const QString nome = voce.left(Prefissi::kLarghezzaNome);
        // The name, then at least two spaces up to column 21.
        EXPECT_TRUE(nome.endsWith(QStringLiteral("  "))) << voce.toStdString();
        EXPECT_FALSE(nome.startsWith(QLatin1Char(' '))) << voce.toStdString();
        const QString prefisso = Prefissi::prefisso(voce);
        EXPECT_TRUE(prefisso.startsWith(QStringLiteral("00")) && prefisso.size() >= 3) << voce.toStdString();
        for (QChar c : prefisso)
            EXPECT_TRUE(c >= QLatin1Char('0') && c <= QLatin1Char('9')) << voce.toStdString();
        // The prefixes of the old shared and Caribbean numbering are gone.
        EXPECT_NE(prefisso, QStringLiteral("0042")) << voce.toStdString();
        EXPECT_NE(prefisso, QStringLiteral("00851")) << voce.toStdString();
        EXPECT_NE(prefisso, QStringLiteral("00854")) << voce.toStdString();
        nomi.insert(nome.trimmed());
    }
    EXPECT_EQ(nomi.size(), Prefissi::voci().size());
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
    // The three stand where they always stood.
    auto dopo = [&](const char *a, const char *b) {
        qsizetype i = -1;
        for (qsizetype j = 0; j < voci.size(); ++j) {
            if (nomeDi(voci[j]) == QString::fromUtf8(a))
                i = j;
        }
        return i >= 0 && i + 1 < voci.size() && nomeDi(voci[i + 1]) == QString::fromUtf8(b);
    };
    EXPECT_TRUE(dopo("Bulgaria", "Brasile"));
    EXPECT_TRUE(dopo("Sri Lanka", "USA"));
    EXPECT_TRUE(dopo("USA", "Sud Africa"));
    EXPECT_TRUE(dopo("Swaziland", "Svezia"));
}

TEST(Prefissi, Frase)
{
    EXPECT_EQ(Prefissi::frase(QStringLiteral("00355")),
              QStringLiteral("Il prefisso da comporre per chiamare dall'Italia è: 00355"));
}
