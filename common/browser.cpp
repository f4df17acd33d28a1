#include "browser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

QStringList cartelleDaVariabile(const char *variabile, const QString &predefinito)
{
    const QString valore = qEnvironmentVariable(variabile);
    const QString elenco = valore.isEmpty() ? predefinito : valore;
    QStringList cartelle;
    for (const QString &c : elenco.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(c))
            cartelle << c;
    }
    return cartelle;
}

QString cartellaSingola(const char *variabile, const QString &sottoHome)
{
    QString valore = qEnvironmentVariable(variabile);
    if (!valore.isEmpty() && QDir::isAbsolutePath(valore))
        return valore;
    return QDir::homePath() + sottoHome;
}

QStringList cartelleDati()
{
    QStringList cartelle{cartellaSingola("XDG_DATA_HOME", QStringLiteral("/.local/share"))};
    cartelle += cartelleDaVariabile("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    return cartelle;
}

// Reads the `chiave` of `gruppo` in an ini-like desktop file; the values as written, in file order.
QString valoreIni(const QString &percorso, const QString &gruppo, const QString &chiave)
{
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool nelGruppo = false;
    while (!in.atEnd()) {
        const QString riga = in.readLine().trimmed();
        if (riga.startsWith(QLatin1Char('['))) {
            nelGruppo = (riga == QLatin1Char('[') + gruppo + QLatin1Char(']'));
            continue;
        }
        if (!nelGruppo || riga.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype uguale = riga.indexOf(QLatin1Char('='));
        if (uguale > 0 && riga.left(uguale).trimmed() == chiave)
            return riga.mid(uguale + 1).trimmed();
    }
    return {};
}

// The mimeapps.list files in the order of precedence, desktop-specific ones first in each directory.
QStringList fileMimeapps()
{
    QStringList cartelle{cartellaSingola("XDG_CONFIG_HOME", QStringLiteral("/.config"))};
    cartelle += cartelleDaVariabile("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString &d : cartelleDati())
        cartelle << d + QStringLiteral("/applications");

    QStringList desktop;
    for (const QString &d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktop << d.toLower();

    QStringList file;
    for (const QString &c : cartelle) {
        for (const QString &d : desktop)
            file << c + QLatin1Char('/') + d + QStringLiteral("-mimeapps.list");
        file << c + QStringLiteral("/mimeapps.list");
    }
    return file;
}

// The path of a desktop entry id; "vendor-app.desktop" may also live as vendor/app.desktop.
QString fileDesktop(const QString &id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || !id.endsWith(QStringLiteral(".desktop")))
        return {};
    for (const QString &d : cartelleDati()) {
        const QString base = d + QStringLiteral("/applications/");
        QString candidato = base + id;
        if (QFileInfo(candidato).isFile())
            return candidato;
        QString relativo = id;
        for (int i = 0; i < relativo.size(); ++i) {
            if (relativo[i] == QLatin1Char('-')) {
                relativo[i] = QLatin1Char('/');
                candidato = base + relativo;
                if (QFileInfo(candidato).isFile())
                    return candidato;
            }
        }
    }
    return {};
}

bool utilizzabile(const QString &id)
{
    const QString percorso = fileDesktop(id);
    if (percorso.isEmpty())
        return false;
    if (valoreIni(percorso, QStringLiteral("Desktop Entry"), QStringLiteral("Hidden")) == QStringLiteral("true"))
        return false;
    return !valoreIni(percorso, QStringLiteral("Desktop Entry"), QStringLiteral("Exec")).isEmpty();
}

QString primoUtilizzabile(const QString &elenco)
{
    for (const QString &id : elenco.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (utilizzabile(id.trimmed()))
            return id.trimmed();
    }
    return {};
}

// Removes the escapes of a desktop entry string value (\s \n \t \r \\).
QString togliEscapeValore(const QString &valore)
{
    QString out;
    for (int i = 0; i < valore.size(); ++i) {
        if (valore[i] == QLatin1Char('\\') && i + 1 < valore.size()) {
            const QChar c = valore[++i];
            if (c == QLatin1Char('s'))
                out += QLatin1Char(' ');
            else if (c == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (c == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else if (c == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else
                out += c;
        } else {
            out += valore[i];
        }
    }
    return out;
}

} // namespace

namespace Browser {

QString applicazionePredefinita(const QString &tipoMime)
{
    const QStringList file = fileMimeapps();
    for (const QString &f : file) {
        QString id = primoUtilizzabile(valoreIni(f, QStringLiteral("Default Applications"), tipoMime));
        if (!id.isEmpty())
            return id;
    }
    for (const QString &f : file) {
        QString id = primoUtilizzabile(valoreIni(f, QStringLiteral("Added Associations"), tipoMime));
        if (!id.isEmpty())
            return id;
    }
    for (const QString &d : cartelleDati()) {
        const QString cache = d + QStringLiteral("/applications/mimeinfo.cache");
        QString id = primoUtilizzabile(valoreIni(cache, QStringLiteral("MIME Cache"), tipoMime));
        if (!id.isEmpty())
            return id;
    }
    return {};
}

QStringList argomentiExec(const QString &exec, const QString &indirizzo, const QString &nome,
                          const QString &fileDesktop)
{
    // First split by the quoting rules, then expand the field codes of each argument.
    const QString riga = togliEscapeValore(exec);
    QStringList grezzi;
    QString corrente;
    bool inArgomento = false;
    bool traVirgolette = false;
    for (int i = 0; i < riga.size(); ++i) {
        const QChar c = riga[i];
        if (traVirgolette) {
            if (c == QLatin1Char('\\') && i + 1 < riga.size()) {
                corrente += riga[++i];
            } else if (c == QLatin1Char('"')) {
                traVirgolette = false;
            } else {
                corrente += c;
            }
        } else if (c == QLatin1Char('"')) {
            traVirgolette = true;
            inArgomento = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgomento)
                grezzi << corrente;
            corrente.clear();
            inArgomento = false;
        } else {
            corrente += c;
            inArgomento = true;
        }
    }
    if (inArgomento)
        grezzi << corrente;

    QStringList argomenti;
    bool indirizzoPosto = false;
    for (const QString &a : grezzi) {
        if (a == QStringLiteral("%u") || a == QStringLiteral("%U") || a == QStringLiteral("%f") ||
            a == QStringLiteral("%F")) {
            if (!indirizzoPosto)
                argomenti << indirizzo;
            indirizzoPosto = true;
            continue;
        }
        if (a == QStringLiteral("%i") || a == QStringLiteral("%d") || a == QStringLiteral("%D") ||
            a == QStringLiteral("%n") || a == QStringLiteral("%N") || a == QStringLiteral("%v") ||
            a == QStringLiteral("%m"))
            continue;
        QString espanso;
        for (int i = 0; i < a.size(); ++i) {
            if (a[i] == QLatin1Char('%') && i + 1 < a.size()) {
                const QChar codice = a[++i];
                if (codice == QLatin1Char('%'))
                    espanso += QLatin1Char('%');
                else if (codice == QLatin1Char('c'))
                    espanso += nome;
                else if (codice == QLatin1Char('k'))
                    espanso += fileDesktop;
                // other field codes inside an argument are dropped
            } else {
                espanso += a[i];
            }
        }
        argomenti << espanso;
    }
    if (!indirizzoPosto)
        argomenti << indirizzo;
    return argomenti;
}

Comando comandoPer(const QString &tipoMime, const QString &indirizzo)
{
    Comando comando;
    const QString id = applicazionePredefinita(tipoMime);
    if (id.isEmpty())
        return comando;
    const QString percorso = fileDesktop(id);
    const QString exec = valoreIni(percorso, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    const QString nome = valoreIni(percorso, QStringLiteral("Desktop Entry"), QStringLiteral("Name"));
    QStringList argomenti = argomentiExec(exec, indirizzo, nome, percorso);
    if (argomenti.size() < 2) // the address alone: the Exec line names no program
        return comando;
    comando.programma = argomenti.takeFirst();
    comando.argomenti = argomenti;
    return comando;
}

QString argomentoWindows(const QString &argomento)
{
    QString riga(QLatin1Char('"'));
    qsizetype barre = 0; // backslashes waiting: doubled before a quote, as they are before anything else
    for (const QChar c : argomento) {
        if (c == QLatin1Char('\\')) {
            ++barre;
            continue;
        }
        if (c == QLatin1Char('"'))
            riga += QString(barre * 2 + 1, QLatin1Char('\\'));
        else
            riga += QString(barre, QLatin1Char('\\'));
        riga += c;
        barre = 0;
    }
    riga += QString(barre * 2, QLatin1Char('\\'));
    riga += QLatin1Char('"');
    return riga;
}

} // namespace Browser
