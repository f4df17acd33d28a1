#include <gtest/gtest.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "browser.h"
#include "cp1252.h"
#include "errorifile.h"
#include "memoria.h"
#include "percorsi.h"
#include "sostituzione.h"
#include "supporto.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

TEST(Percorsi, UnisceCartellaENomeConUnSoloSeparatore)
{
    const struct {
        const char *cartella;
        char separatore;
        const char *atteso;
    } casi[] = {
        {"C:\\", '\\', "C:\\codes.cf"},
        {"C:\\Kit", '\\', "C:\\Kit\\codes.cf"},
        {"/", '/', "/codes.cf"},
        {"/opt/sportello", '/', "/opt/sportello/codes.cf"},
        {"/opt/sportello/", '/', "/opt/sportello/codes.cf"},
    };
    for (const auto &c : casi) {
        EXPECT_EQ(
            Percorsi::unisci(QString::fromLatin1(c.cartella), QStringLiteral("codes.cf"), QLatin1Char(c.separatore)),
            QString::fromLatin1(c.atteso));
    }
}

TEST(Cp1252, DecodificaIByteDa80A9FComeWindows)
{
    const QByteArray byte("\x80\x8A\x8C\x92\x9C\x9F\x81\xE0\xFF", 9);
    const QString testo = Cp1252::decodifica(byte);
    EXPECT_EQ(testo, QString::fromUtf8("€ŠŒ’œŸ\u0081àÿ"));
    EXPECT_EQ(Cp1252::codifica(testo), byte);
}

TEST(Cp1252, CodificaConPuntoInterrogativoFuoriDalCodice)
{
    EXPECT_EQ(Cp1252::codifica(QString::fromUtf8("Soči €")), QByteArray("So?i \x80"));
}

TEST(Cp1252, MaiuscoleSecondoLeRegoleDelCodice)
{
    EXPECT_EQ(Cp1252::maiuscole(QString::fromUtf8("forlì agliè ñ ÿ š œ ž ß µ ÷")),
              QString::fromUtf8("FORLÌ AGLIÈ Ñ Ÿ Š Œ Ž ß µ ÷"));
}

TEST(ErroriFile, MessaggiENumeri)
{
    EXPECT_EQ(ErroriFile::messaggio(53, QStringLiteral("codes.cf")),
              QStringLiteral("File dei codici CODES.CF non trovato, impossibile continuare"));
    EXPECT_EQ(ErroriFile::messaggio(71, QString()), QStringLiteral("Disco non pronto"));
    EXPECT_EQ(ErroriFile::messaggio(72, QString()), QStringLiteral("Errore nella lettura dal disco"));
    EXPECT_EQ(ErroriFile::messaggio(62, QString()),
              QString::fromUtf8("Si è verificato un errore - code: 62 - Impossibile continuare"));
    EXPECT_EQ(ErroriFile::messaggio(-5, QString()),
              QString::fromUtf8("Si è verificato un errore - code:-5 - Impossibile continuare"));
    EXPECT_TRUE(ErroriFile::chiudeFinestra(53));
    EXPECT_FALSE(ErroriFile::chiudeFinestra(71));
    EXPECT_FALSE(ErroriFile::chiudeFinestra(72));
    EXPECT_TRUE(ErroriFile::chiudeFinestra(9));
}

TEST(ErroriFile, ErroriDelSistemaNeiNumeri)
{
    EXPECT_EQ(ErroriFile::numeroDaErrno(ENOENT), 53);
    EXPECT_EQ(ErroriFile::numeroDaErrno(ENXIO), 71);
    EXPECT_EQ(ErroriFile::numeroDaErrno(EIO), 72);
    EXPECT_EQ(ErroriFile::numeroDaErrno(EACCES), 70);
}

TEST(ErroriFile, LetturaDiUnFileMancanteDiUnaCartellaEDiUnFileIntero)
{
    QTemporaryDir cartella;
    EXPECT_EQ(ErroriFile::leggiFile(cartella.filePath("manca"), 100).errore, 53);
    EXPECT_EQ(ErroriFile::leggiFile(cartella.path(), 100).errore, 75);

    QFile file(cartella.filePath("dati"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();
    const auto intera = ErroriFile::leggiFile(file.fileName(), 100);
    EXPECT_EQ(intera.errore, 0);
    EXPECT_EQ(intera.dati, QByteArray("0123456789"));
    EXPECT_EQ(ErroriFile::leggiFile(file.fileName(), 4).dati, QByteArray("0123"));

    // A name beyond ASCII, as Windows takes it in UTF-16 whatever the code page.
    QFile accentato(cartella.filePath(QString::fromUtf8("città € Ωmega.dat")));
    ASSERT_TRUE(accentato.open(QIODevice::WriteOnly));
    accentato.write("àè");
    accentato.close();
    EXPECT_EQ(ErroriFile::leggiFile(accentato.fileName(), 100).dati, QByteArray("àè"));

#ifdef Q_OS_LINUX
    // A file that says it is empty and is not: read to its end all the same.
    QFile proc(QStringLiteral("/proc/self/cmdline"));
    ASSERT_TRUE(proc.open(QIODevice::ReadOnly));
    const QByteArray atteso = proc.readAll();
    ASSERT_FALSE(atteso.isEmpty());
    EXPECT_EQ(ErroriFile::leggiFile(proc.fileName(), 1 << 20).dati, atteso);
    EXPECT_EQ(ErroriFile::leggiFile(proc.fileName(), 3).dati, atteso.left(3));
#endif

    if (letturaNegabile()) {
        file.setPermissions(QFileDevice::WriteOwner);
        EXPECT_EQ(ErroriFile::leggiFile(file.fileName(), 100).errore, 70);
    }
}

TEST(Memoria, UltimoByte)
{
    const struct {
        const char *testo;
        std::size_t n;
        int atteso; // position of the last '\n' in the first n bytes, -1 for none
    } casi[] = {
        {"a\nb\nc", 5, 3}, {"a\nb\nc", 3, 1}, {"abc", 3, -1}, {"\n", 1, 0}, {"", 0, -1}, {"\nab", 3, 0},
    };
    for (const auto &c : casi) {
        const void *trovato = Memoria::ultimo(c.testo, '\n', c.n);
        EXPECT_EQ(trovato ? static_cast<const char *>(trovato) - c.testo : -1, c.atteso) << c.testo << " " << c.n;
    }
}

TEST(Sostituzione, IlFileNuovoPrendeIlPostoDelVecchioOppureNullaCambia)
{
#ifdef Q_OS_WIN
    constexpr bool apertoSiSostituisce = false; // a file open without the right to delete it stays
#else
    constexpr bool apertoSiSostituisce = true;
#endif
    enum Destinazione { Nessuna, File, Cartella, FileAperto };
    const struct {
        const char *caso;
        const char *nome;
        Destinazione destinazione;
        bool temporaneo; // the new file is there
        bool riesce;
        const char *motivo; // part of the reason, when it fails
    } casi[] = {
        {"replaces a file", "dati.xlsx", File, true, true, ""},
        {"a new name", "dati.xlsx", Nessuna, true, true, ""},
        {"a name beyond ASCII", "città €.xlsx", File, true, true, ""},
        {"a folder in the place", "dati.xlsx", Cartella, true, false, "cartella"},
        {"the new file gone", "dati.xlsx", File, false, false, "non esiste"},
        {"the old file held open", "dati.xlsx", FileAperto, true, apertoSiSostituisce, "aperto"},
    };
    for (const auto &c : casi) {
        SCOPED_TRACE(c.caso);
        QTemporaryDir cartella;
        const QString destinazione = cartella.filePath(QString::fromUtf8(c.nome));
        const QString temporaneo = cartella.filePath(QStringLiteral(".nuovo"));
        auto scrivi = [](const QString &percorso, const QByteArray &byte) {
            QFile f(percorso);
            return f.open(QIODevice::WriteOnly) && f.write(byte) == byte.size();
        };
        if (c.temporaneo) {
            ASSERT_TRUE(scrivi(temporaneo, "nuovo"));
        }
        if (c.destinazione == Cartella) {
            ASSERT_TRUE(QDir().mkpath(destinazione));
        } else if (c.destinazione != Nessuna) {
            ASSERT_TRUE(scrivi(destinazione, "vecchio"));
        }
        QFile aperto(destinazione);
        if (c.destinazione == FileAperto) {
            ASSERT_TRUE(aperto.open(QIODevice::ReadOnly));
        }

        const QString motivo = Sostituzione::sostituisci(temporaneo, destinazione);
        aperto.close();
        EXPECT_EQ(motivo.isEmpty(), c.riesce) << motivo.toStdString();
        EXPECT_TRUE(c.riesce || motivo.contains(QString::fromUtf8(c.motivo))) << motivo.toStdString();
        QFile dopo(destinazione);
        const QByteArray atteso = c.riesce ? "nuovo" : c.destinazione == Cartella ? "" : "vecchio";
        EXPECT_EQ(dopo.open(QIODevice::ReadOnly) ? dopo.readAll() : QByteArray(), atteso);
        EXPECT_EQ(QFile::exists(temporaneo), c.temporaneo && !c.riesce); // nothing lost on a failure
    }
}

TEST(Browser, ArgomentiDellaRigaExec)
{
    const QString indirizzo = QStringLiteral("www.example.com/a b?c=1&d=\"$x\"");
    const struct {
        const char *exec;
        QStringList attesi;
    } casi[] = {
        {"firefox %u", {QStringLiteral("firefox"), indirizzo}},
        {"/usr/bin/browser --new-window %U",
         {QStringLiteral("/usr/bin/browser"), QStringLiteral("--new-window"), indirizzo}},
        {"browser", {QStringLiteral("browser"), indirizzo}},
        {"\"/opt/my browser/run\" %f %i", {QStringLiteral("/opt/my browser/run"), indirizzo}},
        {"sh -c \"echo \\\\$HOME\" %u",
         {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo $HOME"), indirizzo}},
        {"run --title=%c 100%% %u",
         {QStringLiteral("run"), QStringLiteral("--title=Nome"), QStringLiteral("100%"), indirizzo}},
    };
    for (const auto &c : casi) {
        EXPECT_EQ(Browser::argomentiExec(QString::fromLatin1(c.exec), indirizzo, QStringLiteral("Nome"),
                                         QStringLiteral("/x.desktop")),
                  c.attesi)
            << c.exec;
    }
}

TEST(Browser, ArgomentoDellaRigaDiComandoDiWindows)
{
    const struct {
        const char *argomento;
        const char *riga;
    } casi[] = {
        {"www.example.com", "\"www.example.com\""},
        {"www.example.com/a b?c=1&d=\"$x\"", "\"www.example.com/a b?c=1&d=\\\"$x\\\"\""},
        {"C:\\Kit\\", "\"C:\\Kit\\\\\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"a\\b c", "\"a\\b c\""},
        {"", "\"\""},
    };
    for (const auto &c : casi) {
        const QString argomento = QString::fromUtf8(c.argomento);
        const QString riga = Browser::argomentoWindows(argomento);
        EXPECT_EQ(riga, QString::fromUtf8(c.riga)) << c.argomento;
#ifdef _WIN32
        // Windows's own reading of a command line gives the argument back whole.
        int quanti = 0;
        const QString intera = QStringLiteral("browser.exe ") + riga;
        LPWSTR *argomenti = CommandLineToArgvW(reinterpret_cast<LPCWSTR>(intera.utf16()), &quanti);
        ASSERT_NE(argomenti, nullptr);
        EXPECT_EQ(quanti, 2) << c.argomento;
        if (quanti == 2) {
            EXPECT_EQ(QString::fromWCharArray(argomenti[1]), argomento);
        }
        LocalFree(argomenti);
#endif
    }
}
