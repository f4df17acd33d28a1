#pragma once

#include <vector>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

// Every window of the program, as the user reaches it from the main menu with the keyboard: the steps
// (as eseguiPassi takes them) that open it and bring it to a state worth looking at. A new window is one
// row here; the accessibility walk and the random-input test go through them all.
struct FinestraDaProvare {
    const char *nome;
    std::vector<const char *> passi;
};

// The step that types the path of a table for "Elabora Tabella": a copy in a folder of its own, so that the
// results written beside it go nowhere else.
inline const char *passoFileTabella()
{
    static QTemporaryDir cartella;
    static const QByteArray passo = [] {
        const QString file = cartella.filePath(QStringLiteral("dipendenti.csv"));
        QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/dipendenti-utf8.csv"), file);
        return "t:" + file.toUtf8();
    }();
    return passo.constData();
}

inline const std::vector<FinestraDaProvare> &finestreDaProvare()
{
    static const std::vector<FinestraDaProvare> finestre{
        {"frmMain", {}},
        {"Comuni", {"Alt+C", "t:Roma", "Return"}},
        {"CodiceFiscale", {"Alt+F", "t:Rossi", "Tab", "t:Mario", "Tab", "t:Roma", "Tab", "t:RM", "Tab", "t:1/1/1980"}},
        {"Form2",
         {"Alt+F", "t:Rossi", "Tab", "t:Mario", "Tab", "t:Roma", "Tab", "t:RM", "Tab", "t:1/1/1980", "Tab", "Tab",
          "Return"}},
        {"PartIva", {"Alt+P", "t:12345670017", "Return"}},
        {"Euroconv", {"Alt+E", "Shift+Tab", "Down", "Tab", "t:10000", "Tab", "Tab", "Tab", "Return"}},
        {"Prefix", {"Alt+R", "Down"}},
        {"frmAbout", {"Alt+I"}},
        {"VerificaCF", {"Alt+V"}},
        {"frmTabella", {"Alt+T", passoFileTabella(), "Return"}},
    };
    return finestre;
}
