#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include "formsportello.h"
#include "modulo1.h"

class QWidget;

// Records the messages of MostraMessaggio while it lives, answering each with the queued answers
// (1, OK, when the queue is empty); the real message box is back when it goes.
class RegistroMessaggi final
{
public:
    RegistroMessaggi();
    ~RegistroMessaggi();
    RegistroMessaggi(const RegistroMessaggi &) = delete;
    RegistroMessaggi &operator=(const RegistroMessaggi &) = delete;

    void accoda(int risposta) { m_risposte.push_back(risposta); }
    const std::vector<Modulo1::Messaggio> &messaggi() const { return m_messaggi; }
    int conta() const { return static_cast<int>(m_messaggi.size()); }
    void svuota() { m_messaggi.clear(); }

private:
    std::vector<Modulo1::Messaggio> m_messaggi;
    std::vector<int> m_risposte;
};

// A temporary directory that stands in for the program's directory while it lives.
class CartellaProgrammaFinta final
{
public:
    CartellaProgrammaFinta();
    ~CartellaProgrammaFinta();
    QString percorso() const { return m_cartella.path(); }
    QString file(const QString &nome) const { return m_cartella.filePath(nome); }
    // Writes the bytes into a file of the directory.
    void scrivi(const QString &nome, const QByteArray &byte) const;

private:
    QTemporaryDir m_cartella;
};

// Runs `azione` on the next modal window as soon as it is shown (polling the event loop), for tests that
// go through a real exec(). Gives up after `millisecondi`.
void quandoModale(std::function<void(QWidget *)> azione, int millisecondi = 5000);

// The place-choice window ("Forse cercavi:"): the rows of its list, after checking that the list has the
// keyboard, and the keys on it: Down `riga` times and Return, or Escape when `riga` is -2.
QStringList scegliLuogo(QWidget *scelta, int riga);

// Whether taking away a file's read permission keeps this process from reading it: not for root, nor on
// Windows, whose permissions Qt maps onto the read-only attribute alone.
bool letturaNegabile();

// Readable QStrings in test failures.
void PrintTo(const QString &testo, std::ostream *os);

// Loads a window, shows it and waits until it is active, as the user meets it.
::testing::AssertionResult apriPerProva(FormSportello &finestra);

// A test of one window, loaded, shown and active.
template <class Finestra>
class ProvaFinestra : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(apriPerProva(f)); }
    Finestra f;
};

// The top window that takes the keyboard: an open popup, else the modal window, else the active one.
QWidget *finestraInPrimoPiano();

// Replays the user's steps through the window system, each to the window in front when its turn comes:
// "t:text" types the text; "c:x,y" and "d:x,y" click and double-click at that point of the window; any
// "p:ms" waits that long before the next step; any
// other step is a key with its modifiers as QKeySequence writes it ("Tab", "Shift+Tab", "Alt+O",
// "Num+Enter", "Ctrl+W"). `passo(i)` gives step i when it is due, so it may look at the window in front.
// A step that opens a modal window goes on inside it. `allaFine` runs after the last step, where the steps
// left the user (inside a modal window still open too). `attesa` milliseconds pass after an Alt step, so
// that an access key's click (which comes a little after the key) lands before the next step.
// Returns false when the steps did not end within `limite` milliseconds.
bool eseguiPassi(int quanti, const std::function<QString(int)> &passo, const std::function<void()> &allaFine,
                 int attesa = 0, int limite = 60000);

// What a control shows, for key tests: a text box's or label's text, a combo box's text, a list's current
// row's text, "1" or "0" for a check or option button. "@finestra" is the front window's title, "@fuoco"
// the name of the control with the keyboard focus. Controls are looked up by name in the front window.
QString mostra(const char *nome);

// Closes the modal windows open above `sotto`, from the top down.
void chiudiModali(const QWidget *sotto);
