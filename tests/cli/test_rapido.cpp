// The byte path of calcola against the general one: the same bytes out for every row it takes.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "comandi.h"
#include "generapersone.h"
#include "supporto.h"
#include "tabellacsv.h"

namespace {

class Confronto
{
public:
    Confronto()
        : m_calcola(tabella(), QDate(2024, 5, 17))
    {}

    // Compares the two paths on one row; true when the byte path took it.
    bool confronta(const std::vector<QByteArrayView> &valori, Csv::Codifica codifica)
    {
        std::vector<QByteArrayView> tagliati;
        for (QByteArrayView v : valori)
            tagliati.push_back(Cli::taglia(v));
        tagliati.resize(6);
        QStringList testi;
        for (QByteArrayView v : tagliati)
            testi.append(Csv::decodifica(v, codifica));
        const QStringList generale = m_calcola.elabora(testi);
        const QByteArray atteso =
            ';' + Csv::codifica(generale[0], codifica) + ';' + Csv::codifica(generale[1], codifica);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        Cli::Rapido r;
        {
            Csv::Scrittore scrittore(buffer, ';', "");
            r = m_calcola.elaboraByte(tagliati, codifica, scrittore);
        }
        if (r == Cli::Rapido::NonGestito) {
            EXPECT_TRUE(buffer.data().isEmpty());
            return false;
        }
        EXPECT_EQ(buffer.data(), atteso) << testi.join(u'|').toStdString();
        EXPECT_EQ(r == Cli::Rapido::ConEsito, !generale[1].isEmpty());
        return true;
    }

private:
    static const Fiscale::TabellaCodici &tabella()
    {
        static Fiscale::TabellaCodici t;
        if (t.numeroVoci() == 0)
            t.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
        return t;
    }
    Cli::Calcola m_calcola;
};

} // namespace

TEST(PercorsoRapido, UgualeAlGenerale_SullaTabellaGenerata)
{
    Confronto confronto;
    for (Csv::Codifica codifica : {Csv::Codifica::Utf8, Csv::Codifica::Windows1252}) {
        Generatore::Opzioni opzioni;
        opzioni.righe = 20000;
        opzioni.codifica = codifica;
        QByteArray dati;
        ASSERT_TRUE(Generatore::persone(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.dat"), opzioni,
                                        [&](const QByteArray &b) { dati += b; }));
        QBuffer buffer(&dati);
        buffer.open(QIODevice::ReadOnly);
        Csv::Lettore lettore(buffer, 0, codifica);
        Csv::Riga riga;
        ASSERT_TRUE(lettore.leggi(riga));
        int presi = 0, righe = 0;
        while (lettore.leggi(riga)) {
            ++righe;
            presi += confronto.confronta(riga.campi, codifica);
        }
        EXPECT_EQ(righe, 20000);
        EXPECT_GT(presi, righe * 95 / 100); // the common case does go the byte way
    }
}

TEST(PercorsoRapido, UgualeAlGenerale_SuiCasiLimite)
{
    // Surname, name, sex, date, municipality, province, as the tables hold them.
    const std::vector<QByteArray> casi[] = {
        {"Rossi", "Mario", "M", "1/1/1980", "Roma", "RM"},
        {"  Rossi ", "\tMario", "m", "01.01.1980", "roma", "rm"},
        {"D'ANGELO", "Gianfranco", "F", "29/2/2000", "Roma", "RM"},
        {"De Luca", "Roberto", "f", "29/2/1900", "Roma", "RM"},
        {"Fo", "Io", "M", "31-12-0100", "ROMA", "RM"},
        {"x", "y", "M", "1/1/0099", "ROMA", "RM"},
        {"Müller", "Ãñæ", "M", "1/1/1980", "Roma", "RM"},
        {"Dvořák", "Łucja", "M", "1/1/1980", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1/1/1980", "Roma ", "RM"},
        {"Rossi", "Mario", "M", "1/1/1980", "Roma", ""},
        {"", "Mario", "M", "1/1/1980", "Roma", "RM"},
        {"Rossi", "Mario", "X", "1/1/1980", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1 gennaio 1980", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1980-01-01", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1/1/80", "Forlì", "FC"},
        {"Rossi", "Mario", "M", "1/1/1980", "SAN GIORGIO DI NOGARO", "UD"},
        {"Rossi", "Mario", "M", "1/1/1980", "san giorgio di nogaro e oltre", "UD"},
        {"Rossi", "Mario", "M", "1/1/1980", "Aglie'", "TO"},
        {"Rossi", "Mario", "M", "1/1/1980", "\xC3\xA0\xC2\xA0\xC2\x80", "TO"},
    };
    Confronto confronto;
    for (const auto &campi : casi) {
        std::vector<QByteArrayView> v(campi.begin(), campi.end());
        confronto.confronta(v, Csv::Codifica::Utf8);
        confronto.confronta(v, Csv::Codifica::Windows1252);
    }
}

TEST(PercorsoRapido, UgualeAlGenerale_SulCorpusDelFuzzer)
{
    // Each input of the fuzz target: six lines, surname to province.
    Confronto confronto;
    const QDir corpus(QStringLiteral(SPORTELLO_CORPUS_CF));
    const QStringList file = corpus.entryList(QDir::Files);
    ASSERT_FALSE(file.isEmpty());
    for (const QString &nome : file) {
        QFile f(corpus.filePath(nome));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> righe = f.readAll().split('\n');
        std::vector<QByteArrayView> v;
        for (const QByteArray &r : righe)
            v.emplace_back(r);
        v.resize(6);
        confronto.confronta(v, Csv::Codifica::Utf8);
        confronto.confronta(v, Csv::Codifica::Windows1252);
    }
}
