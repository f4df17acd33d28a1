#include <gtest/gtest.h>


#include <algorithm>

#include <QFile>

#include "elencocomuni.h"
#include "filecomuni.h"
#include "supporto.h"

using namespace ElencoComuni;
using FileComuni::riga;

namespace {

Caricamento carica(const QByteArray &dati)
{
    CartellaProgrammaFinta cartella;
    cartella.scrivi(QStringLiteral("codes.dat"), dati);
    return caricacomuni(cartella.file(QStringLiteral("codes.dat")));
}

QStringList nomi(std::initializer_list<const char *> lista)
{
    QStringList risultato;
    for (const char *n : lista)
        risultato << QString::fromUtf8(n);
    return risultato;
}

} // namespace

TEST(caricacomuni, QualiRigheEntranoNellElenco)
{
    // Every line its own postal code, one region text of 300 in turn: each slot must give its own texts.
    QList<QByteArray> molte;
    for (int i = 0; i < kCapienza + 5; ++i)
        molte << riga("R" + QByteArray::number(i), "R" + QByteArray::number(i % 300), QByteArray::number(10000 + i));
    const struct {
        const char *caso;
        QByteArray dati;
        QStringList attesi;
    } casi[] = {
        {"vuoto", "", {}},
        {"una riga", riga("ROMA"), {}},
        {"una riga con a capo", riga("ROMA") + "\r\n", {}},
        {"l'ultima riga non entra", riga("ROMA") + "\r\n" + riga("RIETI"), nomi({"ROMA"})},
        {"riga chiusa", FileComuni::file({riga("ROMA"), riga("RIETI")}), nomi({"ROMA", "RIETI"})},
        {"riga vuota in mezzo", riga("ROMA") + "\r\n\r\n" + FileComuni::file({riga("RIETI")}), nomi({"ROMA"})},
        {"nome corto", FileComuni::file({riga("ROMA"), "    (RM)   ", riga("RIETI")}), nomi({"ROMA"})},
        {"40 spazi", FileComuni::file({riga("ROMA"), QByteArray(40, ' ') + "ROMA (RM)"}), nomi({"ROMA"})},
        {"spazi e minuscole", FileComuni::file({"   Ardea   (RM)", "X   (XY)"}), nomi({"Ardea", "X"})},
        {"solo LF", riga("ROMA") + "\n" + riga("RIETI") + "\n\n", nomi({"ROMA", "RIETI"})},
        {"solo CR", riga("ROMA") + "\r" + riga("RIETI") + "\r\r", nomi({"ROMA", "RIETI"})},
        {"a capo misti", riga("ROMA") + "\n" + riga("RIETI") + "\r" + riga("RO") + "\r\n\n",
         nomi({"ROMA", "RIETI", "RO"})},
        {"Windows-1252", FileComuni::file({riga("FORL\xCC"), riga("\x8A")}), nomi({"FORLÌ", "Š"})},
    };
    for (const auto &c : casi) {
        const Caricamento r = carica(c.dati);
        EXPECT_EQ(r.errore, 0) << c.caso;
        EXPECT_EQ(r.elenco.nomi, c.attesi) << c.caso;
    }
    const Caricamento r = carica(FileComuni::file(molte));
    ASSERT_EQ(r.elenco.nomi.size(), kCapienza);
    EXPECT_EQ(r.elenco.nomi.last(), QStringLiteral("R9000"));
    EXPECT_EQ(r.elenco.elencocap.size(), kCapienza);
    for (int i = 0; i < kCapienza; ++i) {
        ASSERT_EQ(r.elenco.elencocap[i], QString::number(10000 + i)) << i;
        ASSERT_EQ(r.elenco.elencoregioni[i], QStringLiteral("R%1").arg(i % 300).leftJustified(19)) << i;
    }
}

TEST(caricacomuni, ColonneDellaRiga)
{
    const QByteArray completa = riga("SAN DONA' DI PIAVE", "VENETO", "30027");
    const QByteArray senzaRegione =
        QByteArray("ARDEA (RM)").leftJustified(41) + QByteArray("ROMA").leftJustified(13) + "00040";
    const Elenco e =
        carica(FileComuni::file({completa, completa.left(60) + "LAZIO 00040", senzaRegione, "B (RM)"})).elenco;
    ASSERT_EQ(e.nomi, nomi({"SAN DONA' DI PIAVE", "SAN DONA' DI PIAVE", "ARDEA", "B"}));
    EXPECT_EQ(e.elencosigle[0], QStringLiteral("RM"));
    EXPECT_EQ(e.elencoprovince[0], QStringLiteral("ROMA              "));
    EXPECT_EQ(e.elencoregioni[0], QStringLiteral("VENETO             "));
    EXPECT_EQ(e.elencoprefissi[0], QStringLiteral("06  "));
    EXPECT_EQ(e.elencocap[0], QStringLiteral("30027"));
    // Short lines: no prefix, then no region either; the postal code is still the last 5 characters.
    EXPECT_EQ(e.elencoregioni[1], QStringLiteral("LAZIO 00040"));
    EXPECT_EQ(e.elencoprefissi[1], QString());
    EXPECT_EQ(e.elencocap[1], QStringLiteral("00040"));
    EXPECT_EQ(e.elencoprovince[2], QStringLiteral("ROMA         00040"));
    EXPECT_EQ(e.elencoregioni[2], QString());
    EXPECT_EQ(e.elencocap[2], QStringLiteral("00040"));
    EXPECT_EQ(e.elencocap[3], QStringLiteral(" (RM)"));
    EXPECT_EQ(e.elencoprovince[3], QString());
    EXPECT_EQ(e.elencocap[4], QString());
}

TEST(caricacomuni, ErroriInApertura)
{
    CartellaProgrammaFinta cartella;
    EXPECT_EQ(caricacomuni(cartella.file(QStringLiteral("codes.dat"))).errore, 53);
    EXPECT_EQ(caricacomuni(cartella.percorso()).errore, 75);
    if (letturaNegabile()) {
        cartella.scrivi(QStringLiteral("codes.dat"), FileComuni::file({riga("ROMA")}));
        QFile::setPermissions(cartella.file(QStringLiteral("codes.dat")), QFileDevice::WriteOwner);
        const Caricamento r = caricacomuni(cartella.file(QStringLiteral("codes.dat")));
        EXPECT_EQ(r.errore, 70);
        EXPECT_TRUE(r.elenco.nomi.isEmpty());
    }
}

TEST(caricacomuni, DopoUnErroreDiLetturaRestaQuelloCheEraStatoLetto)
{
    const QByteArray dati = riga("ROMA") + "\r\n" + riga("RIETI") + "\r\n" + riga("RO");
    EXPECT_EQ(leggi(dati, false).nomi, nomi({"ROMA", "RIETI"}));
    EXPECT_EQ(leggi(dati, true).nomi, nomi({"ROMA", "RIETI"}));
    // Bytes that stop right after a line end: after a read failure that line was read whole.
    const QByteArray finoAcapo = dati.left(dati.lastIndexOf('\n') + 1);
    EXPECT_EQ(leggi(finoAcapo, false).nomi, nomi({"ROMA", "RIETI"}));
    EXPECT_EQ(leggi(finoAcapo, true).nomi, nomi({"ROMA"}));
}

TEST(Blocchi, DallElencoComeNellaTabellaDelFileOriginale)
{
    const Elenco e = leggi(FileComuni::file(FileComuni::righeDellaTabella()));
    ASSERT_EQ(e.nomi.size(), 8102);
    int primo = 0;
    for (int g = 0; g < kGruppi; ++g) {
        const int ultimo = FileComuni::kTabella[g].ultimo < 0 ? 8101 : FileComuni::kTabella[g].ultimo;
        EXPECT_EQ(e.blocchi[g].primo, primo) << FileComuni::kTabella[g].iniziali;
        EXPECT_EQ(e.blocchi[g].ultimo, ultimo) << FileComuni::kTabella[g].iniziali;
        primo = ultimo + 1;
    }
    // Every name is found, at its own position.
    for (int i : {0, 435, 436, 2520, 2626, 2627, 2976, 3335, 3421, 8048, 8049, 8101})
        EXPECT_EQ(cerca(e, e.nomi[i].toLower()).posizione, i) << i;
}

TEST(Ricerca, NomiTrovatiENonTrovati)
{
    const Elenco e = leggi(FileComuni::file({riga("ABANO TERME"), riga("FORL\xCC"), riga("L'AQUILA"), riga("ROMA"),
                                             riga("RIETI"), riga("ROMA"), riga("KALTERN"), riga("ZOLDO ALTO")}));
    const struct {
        const char *testo;
        Esito esito;
        int posizione;
    } casi[] = {
        {"roma", Esito::Trovato, 3},
        {"  Roma  ", Esito::Trovato, 3},
        {"forlì", Esito::Trovato, 1},
        {"l'aquila", Esito::Trovato, 2},
        {"zoldo alto", Esito::Trovato, 7},
        {"rieti", Esito::Trovato, 4},
        {"", Esito::Niente, -1},
        {"     ", Esito::Niente, -1},
        {"ROM", Esito::NonTrovato, -1},
        {"ROMA (RM)", Esito::NonTrovato, -1},
        {"LAQUILA", Esito::NonTrovato, -1},
        {"FORLI", Esito::NonTrovato, -1},
        {"KALTERN", Esito::NonTrovato, -1},
        {"1ROMA", Esito::NonTrovato, -1},
        {"ÈRBA", Esito::NonTrovato, -1},
        {"ABANO\tTERME", Esito::NonTrovato, -1},
        {"\tROMA", Esito::NonTrovato, -1},
        {"ABANO TERME  x", Esito::NonTrovato, -1},
    };
    for (const auto &c : casi) {
        const Ricerca r = cerca(e, QString::fromUtf8(c.testo));
        EXPECT_EQ(r.esito, c.esito) << c.testo;
        EXPECT_EQ(r.posizione, c.posizione) << c.testo;
    }
    // Only the first 40 characters count; 40 leading spaces leave an initial but no name.
    EXPECT_EQ(cerca(e, QStringLiteral("roma") + QString(36, ' ') + QStringLiteral("xyz")).posizione, 3);
    EXPECT_EQ(cerca(e, QString(40, ' ') + QStringLiteral("ROMA")).esito, Esito::NonTrovato);
}

TEST(Ricerca, NelBloccoDellIniziale)
{
    // The A block runs from ANZIO to ARDEA; the empty name inside the R block never matches an empty key.
    const Elenco e = leggi(FileComuni::file({riga("ANZIO"), riga("ROMA"), "ABCDE", riga("RIETI"), riga("ARDEA")}));
    EXPECT_EQ(e.nomi[2], QString());
    EXPECT_EQ(cerca(e, QStringLiteral("ARDEA")).posizione, 4);
    EXPECT_EQ(cerca(e, QStringLiteral("RIETI")).posizione, 3);
    EXPECT_EQ(cerca(e, QString(40, ' ') + QStringLiteral("R")).esito, Esito::NonTrovato);
    EXPECT_EQ(cerca(e, QStringLiteral("BARI")).esito, Esito::NonTrovato);
    EXPECT_EQ(cerca(Elenco(), QStringLiteral("ZOLDO")).esito, Esito::NonTrovato);
}

TEST(Voci, LaProvinciaSoloDopoINomiRipetuti)
{
    const Elenco e = leggi(FileComuni::file({"CASTRO (BG)", "ROMA (RM)", "SAMONE (TN)", "CASTRO (LE)", "SAMONE (TO)",
                                             "SAMONE (TV)", "CASTROVILLARI (CS)"}));
    EXPECT_EQ(voci(e), nomi({"CASTRO (BG)", "ROMA", "SAMONE (TN)", "CASTRO (LE)", "SAMONE (TO)", "SAMONE (TV)",
                             "CASTROVILLARI"}));

    // A full table, whose only repeated name sits at its two ends.
    QList<QByteArray> righe = FileComuni::righeDellaTabella(kCapienza - 1);
    righe.append(righe.first());
    const QStringList tutte = voci(leggi(FileComuni::file(righe)));
    ASSERT_EQ(tutte.size(), kCapienza);
    EXPECT_EQ(tutte.first(), tutte.last());
    EXPECT_TRUE(tutte.first().endsWith(QStringLiteral(" (RM)")));
    EXPECT_EQ(std::count_if(tutte.begin(), tutte.end(), [](const QString &v) { return v.endsWith(')'); }), 2);
}

TEST(Regioni, FigureERiparazioneDelFriuli)
{
    const char *regioni[] = {"ABRUZZO",
                             "CALABRIA",
                             "CAMPANIA",
                             "EMILIA ROMAGNA",
                             "FRIULI VENEZIA GIULIA",
                             "BASILICATA",
                             "LAZIO",
                             "LIGURIA",
                             "LOMBARDIA",
                             "MARCHE",
                             "MOLISE",
                             "PIEMONTE",
                             "PUGLIA",
                             "SARDEGNA",
                             "SICILIA",
                             "TOSCANA",
                             "TRENTINO ALTO ADIGE",
                             "UMBRIA",
                             "VALLE D'AOSTA",
                             "VENETO"};
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(figuraRegione(QString::fromLatin1(regioni[i]) + QStringLiteral("  ")), i + 2) << regioni[i];
    EXPECT_EQ(figuraRegione(QStringLiteral("   ")), 1);
    EXPECT_EQ(figuraRegione(QStringLiteral("Lazio")), 0);
    EXPECT_EQ(figuraRegione(QStringLiteral("FRIULI VENEZIA GIUL")), 0);

    const Elenco e =
        leggi(FileComuni::file({riga("UDINE", "FRIULI VENEZIA GIULIA"), riga("GORIZIA", "Friuli Venezia Giul"),
                                riga("ROMA", ""), riga("SPALATO", "DALMAZIA")}));
    EXPECT_EQ(dettagli(e, 0).regione, QStringLiteral("FRIULI VENEZIA GIULIA"));
    EXPECT_EQ(dettagli(e, 1).regione, QStringLiteral("FRIULI VENEZIA GIULIA"));
    EXPECT_EQ(regioneIntera(QStringLiteral("FRIULI VENEZIA GIU ")), QStringLiteral("FRIULI VENEZIA GIU "));
    EXPECT_EQ(figuraRegione(dettagli(e, 0).regione), 6);
    EXPECT_EQ(figuraRegione(dettagli(e, 2).regione), 1);
    EXPECT_EQ(figuraRegione(dettagli(e, 3).regione), 0);
}
