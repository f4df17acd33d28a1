#include "supporto.h"

#include <utility>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include "percorsi.h"

RegistroMessaggi::RegistroMessaggi()
{
    Modulo1::impostaIntercettatoreMessaggi([this](const Modulo1::Messaggio &m) {
        m_messaggi.push_back(m);
        if (m_risposte.empty())
            return 1;
        const int risposta = m_risposte.front();
        m_risposte.erase(m_risposte.begin());
        return risposta;
    });
}

RegistroMessaggi::~RegistroMessaggi()
{
    Modulo1::impostaIntercettatoreMessaggi({});
}

CartellaProgrammaFinta::CartellaProgrammaFinta()
{
    Percorsi::impostaCartellaProgramma(m_cartella.path());
}

CartellaProgrammaFinta::~CartellaProgrammaFinta()
{
    Percorsi::impostaCartellaProgramma(QString());
}

void CartellaProgrammaFinta::scrivi(const QString &nome, const QByteArray &byte) const
{
    QFile f(m_cartella.filePath(nome));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(byte);
}

void quandoModale(std::function<void(QWidget *)> azione, int millisecondi)
{
    auto *timer = new QTimer;
    const QDeadlineTimer scadenza(millisecondi);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, azione = std::move(azione), scadenza]() {
        QWidget *modale = QApplication::activeModalWidget();
        if (modale && modale->isVisible()) {
            timer->stop();
            timer->deleteLater();
            azione(modale);
        } else if (scadenza.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

void PrintTo(const QString &testo, std::ostream *os)
{
    *os << '"' << testo.toStdString() << '"';
}
