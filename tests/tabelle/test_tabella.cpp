// The engine as the window calls it: commands by name, cancelling, progress, the summary of a run, a first
// look at a table.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "comandi.h"
#include "percorsi.h"
#include "tabella.h"

using namespace Tabelle;

namespace {

const QString kDati = QStringLiteral(SPORTELLO_SOURCE_DIR "/data");

void copia(const QString &nome, const QString &cartella)
{
    QFile::copy(kDati + u'/' + nome, cartella + u'/' + nome);
}

} // namespace

// Each command by its name with the data files beside the program; a missing or damaged file named as the
// windows name it, with the path looked at.
TEST(Motore, ComandoDalNome)
{
    QTemporaryDir vuota, danneggiata;
    QFile rotto(danneggiata.filePath(QStringLiteral("codes.cf")));
    ASSERT_TRUE(rotto.open(QIODevice::WriteOnly));
    rotto.write(QByteArray(37, 'A')); // ends inside a record
    rotto.close();
    const struct {
        const char *nome;
        QString cartella;
        const char *errore; // empty: the command is made
    } casi[] = {
        {"calcola", kDati, ""},
        {"verifica", kDati, ""},
        {"partita-iva", kDati, ""},
        {"comune", kDati, ""},
        {"partita-iva", vuota.path(), ""},
        {"calcola", vuota.path(), "File dei codici CODES.CF non trovato, impossibile continuare ("},
        {"verifica", vuota.path(), "CODES.CF non trovato"},
        {"comune", vuota.path(), "CODES.DAT non trovato"},
        {"calcola", danneggiata.path(), "codes.cf)"},
        {"euro", kDati, "comando sconosciuto «euro»"},
        {"calcolare", kDati, "comando sconosciuto"},
    };
    for (const auto &c : casi) {
        Percorsi::impostaCartellaProgramma(c.cartella);
        DatiComandi dati;
        QString errore;
        const std::unique_ptr<Comando> comando = creaComando(QString::fromUtf8(c.nome), dati, &errore);
        Percorsi::impostaCartellaProgramma(QString());
        const QString atteso = QString::fromUtf8(c.errore);
        EXPECT_EQ(comando == nullptr, !atteso.isEmpty()) << c.nome << ' ' << errore.toStdString();
        EXPECT_TRUE(errore.contains(atteso)) << c.nome << ": " << errore.toStdString();
        EXPECT_FALSE(errore.contains(u'\n')) << c.nome;
    }
}

// The data are loaded once: a second command from the same data works after the files are gone.
TEST(Motore, ComandoDalNome_DatiCaricatiUnaVolta)
{
    QTemporaryDir cartella;
    copia(QStringLiteral("codes.cf"), cartella.path());
    copia(QStringLiteral("codes.dat"), cartella.path());
    Percorsi::impostaCartellaProgramma(cartella.path());
    DatiComandi dati;
    QString errore;
    EXPECT_NE(creaComando(QStringLiteral("calcola"), dati, &errore), nullptr);
    EXPECT_NE(creaComando(QStringLiteral("comune"), dati, &errore), nullptr);
    QFile::remove(cartella.filePath(QStringLiteral("codes.cf")));
    QFile::remove(cartella.filePath(QStringLiteral("codes.dat")));
    const std::unique_ptr<Comando> verifica = creaComando(QStringLiteral("verifica"), dati, &errore);
    const std::unique_ptr<Comando> comune = creaComando(QStringLiteral("comune"), dati, &errore);
    Percorsi::impostaCartellaProgramma(QString());
    ASSERT_NE(verifica, nullptr) << errore.toStdString();
    ASSERT_NE(comune, nullptr) << errore.toStdString();
    EXPECT_TRUE(verifica->elabora({QStringLiteral("RSSMRA80A01H501U"), {}, {}})[0].isEmpty());
    EXPECT_EQ(comune->elabora({QStringLiteral("Roma"), {}, {}})[0], QStringLiteral("ROMA"));
}
