#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include <QString>
#include <QTemporaryDir>

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

// Readable QStrings in test failures.
void PrintTo(const QString &testo, std::ostream *os);
