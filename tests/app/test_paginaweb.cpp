#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "modulo1.h"
#include "percorsi.h"
#include "supporto.h"

namespace {

// A desktop of its own: XDG directories in a temporary folder, with a "browser" that writes its
// arguments, one a line, into a file.
class DesktopFinto
{
public:
    DesktopFinto()
    {
        for (const char *v :
             {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"})
            m_salvate.append({v, qgetenv(v), qEnvironmentVariableIsSet(v)});
        QDir(m_base.path()).mkpath(QStringLiteral("config"));
        QDir(m_base.path()).mkpath(QStringLiteral("data/applications"));
        qputenv("XDG_CONFIG_HOME", m_base.filePath("config").toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", m_base.filePath("nessuna-config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_base.filePath("data").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", m_base.filePath("nessun-dato").toLocal8Bit());
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    ~DesktopFinto()
    {
        for (const auto &s : m_salvate) {
            if (s.impostata)
                qputenv(s.nome, s.valore);
            else
                qunsetenv(s.nome);
        }
    }

    // Registers a browser for HTML pages whose Exec line is `exec` (%p stands for the recorder script).
    void registraBrowser(const QString &exec)
    {
        const QString script = m_base.filePath("browser.sh");
        QFile s(script);
        s.open(QIODevice::WriteOnly);
        s.write(
            QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1.tmp'\nmv '%1.tmp' '%1'\n")
                .arg(argomentiRegistrati())
                .toLocal8Bit());
        s.close();
        s.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        QFile desktop(m_base.filePath("data/applications/prova-browser.desktop"));
        desktop.open(QIODevice::WriteOnly);
        desktop.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Prova\nExec=%1\n")
                          .arg(QString(exec).replace(QStringLiteral("%p"), script))
                          .toUtf8());
        desktop.close();

        QFile mimeapps(m_base.filePath("config/mimeapps.list"));
        mimeapps.open(QIODevice::WriteOnly);
        mimeapps.write("[Default Applications]\ntext/html=manca.desktop;prova-browser.desktop;\n");
        mimeapps.close();
    }

    QString argomentiRegistrati() const { return m_base.filePath("argomenti.txt"); }

private:
    struct Salvata {
        const char *nome;
        QByteArray valore;
        bool impostata;
    };
    QTemporaryDir m_base;
    QList<Salvata> m_salvate;
};

QStringList leggiRighe(const QString &percorso)
{
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList righe = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!righe.isEmpty() && righe.last().isEmpty())
        righe.removeLast();
    return righe;
}

} // namespace

TEST(ApriPaginaWeb, IlBrowserRiceveLIndirizzoComeUnSoloArgomento)
{
    DesktopFinto desktop;
    desktop.registraBrowser(QStringLiteral("%p --nuova %u"));
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("test.htm"), "vecchio contenuto");
    RegistroMessaggi registro;

    const QString indirizzo = QStringLiteral("www.example.com/a b; echo $(rm -rf x) \"q\" 'z' *");
    Modulo1::ApriPaginaWeb(indirizzo, nullptr);

    EXPECT_EQ(registro.conta(), 0);
    EXPECT_FALSE(QFile::exists(programma.file(QStringLiteral("test.htm"))));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(desktop.argomentiRegistrati()), 10000);
    EXPECT_EQ(leggiRighe(desktop.argomentiRegistrati()), (QStringList{QStringLiteral("--nuova"), indirizzo}));
}

TEST(ApriPaginaWeb, SenzaBrowserAssociatoUnSoloMessaggio)
{
    DesktopFinto desktop;
    CartellaProgrammaFinta programma;
    RegistroMessaggi registro;

    Modulo1::ApriPaginaWeb(QStringLiteral("www.example.com"), nullptr);

    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo, QStringLiteral("Could not find associated Browser"));
    EXPECT_EQ(registro.messaggi()[0].stile, 48);
    EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Browser Not Found"));
    EXPECT_FALSE(QFile::exists(programma.file(QStringLiteral("test.htm"))));
}

TEST(ApriPaginaWeb, BrowserCheNonParte)
{
    DesktopFinto desktop;
    desktop.registraBrowser(QStringLiteral("/percorso/che/non/esiste/browser %u"));
    CartellaProgrammaFinta programma;
    RegistroMessaggi registro;

    Modulo1::ApriPaginaWeb(QStringLiteral("www.example.com"), nullptr);

    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo, QStringLiteral("Unable to open Web Page."));
    EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Quietanza"));
    EXPECT_FALSE(QFile::exists(programma.file(QStringLiteral("test.htm"))));
}

TEST(ApriPaginaWeb, IndirizzoVuotoNonFaNulla)
{
    DesktopFinto desktop;
    desktop.registraBrowser(QStringLiteral("%p %u"));
    CartellaProgrammaFinta programma;
    RegistroMessaggi registro;

    Modulo1::ApriPaginaWeb(QString(), nullptr);

    EXPECT_EQ(registro.conta(), 0);
    EXPECT_TRUE(QDir(programma.percorso()).entryList(QDir::Files).isEmpty());
    QTest::qWait(200);
    EXPECT_FALSE(QFile::exists(desktop.argomentiRegistrati()));
}

TEST(ApriPaginaWeb, CartellaDelProgrammaNonScrivibile)
{
    DesktopFinto desktop;
    desktop.registraBrowser(QStringLiteral("%p %u"));
    RegistroMessaggi registro;
    // A directory that cannot hold files: the scratch page goes to the temporary directory.
    Percorsi::impostaCartellaProgramma(QStringLiteral("/proc/non-esiste"));
    Modulo1::ApriPaginaWeb(QStringLiteral("www.example.com"), nullptr);
    Percorsi::impostaCartellaProgramma(QString());

    EXPECT_EQ(registro.conta(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(desktop.argomentiRegistrati()), 10000);
    EXPECT_EQ(leggiRighe(desktop.argomentiRegistrati()), QStringList{QStringLiteral("www.example.com")});
    EXPECT_TRUE(QDir::temp().entryList({QStringLiteral("sportello-*.htm")}).isEmpty());
}
