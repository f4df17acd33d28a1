// The program as installed: in a private folder with its data, started through a relative link of bin/,
// it must find its data beside its own executable, not beside the link.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "supporto.h"

namespace {

struct Esito {
    int stato = -1;
    QString uscita;
    QString errori;
};

Esito avvia(const QString &programma)
{
    QProcess processo;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    ambiente.insert(QStringLiteral("SPORTELLO_AUTOVERIFICA"), QStringLiteral("1"));
    processo.setProcessEnvironment(ambiente);
    processo.start(programma, {});
    if (!processo.waitForFinished(60000) || processo.exitStatus() != QProcess::NormalExit)
        return {};
    return {processo.exitCode(), QString::fromUtf8(processo.readAllStandardOutput()),
            QString::fromUtf8(processo.readAllStandardError())};
}

} // namespace

TEST(Installazione, IlProgrammaTrovaIDatiAccantoASeAttraversoICollegamenti)
{
    const struct {
        const char *caso;
        QStringList dati;  // the data files (and the module) copied beside the program
        bool collegamento; // started through usr/bin/sportello
        int stato;
        const char *uscita;
        const char *errori;
    } casi[] = {
        {"link, both files", {"codes.cf", "codes.dat", "sportello-fogli.so"}, true, 0, "ROMA CAP 00100, RM, LAZIO", ""},
        {"no sheet module",
         {"codes.cf", "codes.dat"},
         true,
         1,
         "ROMA CAP 00100, RM, LAZIO",
         "Impossibile caricare"},
        {"link, codes.cf only",
         {"codes.cf"},
         true,
         1,
         "voci, ROMA (RM) H501",
         "codes.dat: File dei codici CODES.DAT non trovato"},
        {"no data", {}, false, 1, "Sportello ", "codes.cf: File dei codici CODES.CF non trovato"},
    };
    const QDir origine(QStringLiteral(SPORTELLO_BIN_DIR));
    for (const auto &c : casi) {
        SCOPED_TRACE(c.caso);
        QTemporaryDir radice;
        ASSERT_TRUE(radice.isValid());
        const QDir usr(radice.path());
        ASSERT_TRUE(usr.mkpath(QStringLiteral("usr/bin")) && usr.mkpath(QStringLiteral("usr/lib/sportello")));
        const QString privata = QDir(usr.filePath(QStringLiteral("usr/lib/sportello"))).canonicalPath();
        ASSERT_TRUE(QFile::copy(origine.filePath(QStringLiteral("sportello")), privata + QStringLiteral("/sportello")));
        for (const QString &nome : c.dati)
            ASSERT_TRUE(QFile::copy(origine.filePath(nome), privata + QLatin1Char('/') + nome));
        QString programma = privata + QStringLiteral("/sportello");
        if (c.collegamento) {
            programma = usr.filePath(QStringLiteral("usr/bin/sportello"));
            ASSERT_TRUE(QFile::link(QStringLiteral("../lib/sportello/sportello"), programma));
        }

        const Esito esito = avvia(programma);
        EXPECT_EQ(esito.stato, c.stato) << esito.errori.toStdString();
        EXPECT_TRUE(esito.uscita.contains(QStringLiteral("Cartella del programma: ") + privata + QLatin1Char('\n')))
            << esito.uscita.toStdString();
        EXPECT_TRUE(esito.uscita.contains(QString::fromUtf8(c.uscita))) << esito.uscita.toStdString();
        EXPECT_TRUE(esito.errori.contains(QString::fromUtf8(c.errori))) << esito.errori.toStdString();
    }
}
