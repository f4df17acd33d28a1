#include "tabella.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include "comandi.h"

namespace {

// The usual ways of heading a column, already normalised.
QStringList varianti(const QString &nome)
{
    if (nome == u"datanascita")
        return {QStringLiteral("datadinascita"), QStringLiteral("nascita"), QStringLiteral("datanasc"),
                QStringLiteral("natoil"), QStringLiteral("nata/oil")};
    if (nome == u"comune")
        return {QStringLiteral("luogodinascita"), QStringLiteral("luogonascita"), QStringLiteral("comunedinascita"),
                QStringLiteral("comunenascita"),  QStringLiteral("luogo"),        QStringLiteral("città"),
                QStringLiteral("citta")};
    if (nome == u"provincia")
        return {QStringLiteral("prov"), QStringLiteral("provinciadinascita"), QStringLiteral("provincianascita"),
                QStringLiteral("sigla"), QStringLiteral("siglaprovincia")};
    if (nome == u"sesso")
        return {QStringLiteral("genere"), QStringLiteral("sex")};
    if (nome == u"codicefiscale")
        return {QStringLiteral("cf"), QStringLiteral("codfisc"), QStringLiteral("codfiscale"),
                QStringLiteral("codicefisc")};
    if (nome == u"partitaiva")
        return {QStringLiteral("piva"), QStringLiteral("partiva"), QStringLiteral("partitaiva")};
    return {};
}

QString perUtente(const QString &percorso)
{
    return percorso == u"-" ? QStringLiteral("standard input") : percorso;
}

// Why a file cannot be opened, in Italian.
QString motivo(const QFileDevice &file)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        if (!QFile::exists(file.fileName()))
            return QStringLiteral("il file non esiste");
        return QStringLiteral("accesso negato o non è un file");
    case QFileDevice::ReadError: return QStringLiteral("errore di lettura");
    case QFileDevice::WriteError: return QStringLiteral("errore di scrittura (disco pieno?)");
    case QFileDevice::PermissionsError: return QStringLiteral("permesso negato");
    default: return file.errorString();
    }
}

} // namespace

namespace Cli {

QString normalizza(const QString &nome)
{
    QString n;
    for (QChar c : nome.toLower()) {
        if (c != u' ' && c != u'_' && c != u'.' && c != u'-' && c != u'\t')
            n.append(c);
    }
    return n;
}

int trovaColonna(const QStringList &intestazione, const QString &nome, const QString &mappata)
{
    QStringList normali;
    for (const QString &h : intestazione)
        normali.append(normalizza(h));
    if (!mappata.isEmpty())
        return static_cast<int>(normali.indexOf(normalizza(mappata)));
    const QString n = normalizza(nome);
    const qsizetype i = normali.indexOf(n);
    if (i >= 0)
        return static_cast<int>(i);
    for (const QString &v : varianti(n)) {
        const qsizetype j = normali.indexOf(v);
        if (j >= 0)
            return static_cast<int>(j);
    }
    return -1;
}

QString rigaAvanzamento(qint64 righe, double secondi, double frazione)
{
    const QLocale it(QLocale::Italian, QLocale::Italy);
    QString riga =
        QStringLiteral("%1 righe, %2 righe/s")
            .arg(it.toString(righe), it.toString(secondi > 0 ? qRound64(static_cast<double>(righe) / secondi) : 0));
    if (frazione > 0 && frazione < 1)
        riga += QStringLiteral(", ancora circa %1 s").arg(qRound64(secondi * (1 - frazione) / frazione));
    return riga;
}

int eseguiTabella(const Comando &comando, const OpzioniTabella &opzioni,
                  const std::function<void(const QString &)> &messaggio,
                  const std::function<void(const QString &)> &avanzamento)
{
    const QString nomeIngresso = perUtente(opzioni.ingresso);
    QFile ingresso;
    bool aperto;
    if (opzioni.ingresso == u"-") {
        aperto = ingresso.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    } else {
        ingresso.setFileName(opzioni.ingresso);
        aperto = ingresso.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    if (!aperto) {
        messaggio(QStringLiteral("Impossibile leggere «%1»: %2").arg(nomeIngresso, motivo(ingresso)));
        return kErroreUso;
    }
    const qint64 dimensione = ingresso.isSequential() ? 0 : ingresso.size();

    Csv::Lettore lettore(ingresso, opzioni.separatore, opzioni.codifica);
    Csv::Riga riga;
    if (!lettore.leggi(riga)) {
        messaggio(lettore.errore().isEmpty()
                      ? QStringLiteral("Il file «%1» è vuoto: manca la riga d'intestazione").arg(nomeIngresso)
                      : QStringLiteral("Impossibile leggere «%1»: %2").arg(nomeIngresso, lettore.errore()));
        return kErroreUso;
    }

    // The header, and where the command's columns stand in it.
    QStringList intestazione;
    for (QByteArrayView campo : riga.campi)
        intestazione.append(taglia(Csv::decodifica(campo, lettore.codifica())));
    const std::vector<Colonna> colonne = comando.ingresso();
    for (const auto &[nome, _] : opzioni.colonne) {
        bool nota = false;
        for (const Colonna &c : colonne)
            nota = nota || normalizza(c.nome) == normalizza(nome);
        if (!nota) {
            messaggio(QStringLiteral("--colonna: «%1» non è una colonna di questo comando").arg(nome));
            return kErroreUso;
        }
    }
    std::vector<int> posti;
    for (const Colonna &c : colonne) {
        QString mappata;
        for (const auto &[nome, testa] : opzioni.colonne) {
            if (normalizza(nome) == normalizza(c.nome))
                mappata = testa;
        }
        const int posto = trovaColonna(intestazione, c.nome, mappata);
        if (posto < 0 && (c.obbligatoria || !mappata.isEmpty())) {
            messaggio(
                QStringLiteral("Nel file «%1» manca la colonna «%2» (intestazione: %3); indicarla con "
                               "--colonna %2=INTESTAZIONE")
                    .arg(nomeIngresso, mappata.isEmpty() ? c.nome : mappata, intestazione.join(QStringLiteral(", "))));
            return kErroreUso;
        }
        posti.push_back(posto);
    }
    const qsizetype nIntestazione = static_cast<qsizetype>(riga.campi.size());

    QSaveFile salvato;
    QFile standard;
    QFileDevice *uscita = &standard;
    if (opzioni.uscita.isEmpty()) {
        standard.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        salvato.setFileName(opzioni.uscita);
        uscita = &salvato;
        if (!salvato.open(QIODevice::WriteOnly)) {
            messaggio(QStringLiteral("Impossibile scrivere «%1»: %2").arg(opzioni.uscita, motivo(salvato)));
            return kErroreUso;
        }
    }

    Csv::Scrittore scrittore(*uscita, lettore.separatore(), lettore.fineRiga());
    if (lettore.bom())
        scrittore.grezzo("\xEF\xBB\xBF");
    scrittore.grezzo(riga.grezza);
    const QStringList nuove = comando.uscita();
    for (const QString &n : nuove) {
        scrittore.separatore();
        scrittore.campo(n.toLatin1());
    }
    scrittore.fineRiga();

    const int posEsito = comando.colonnaEsito();
    auto soloEsito = [&](const QString &esito) {
        for (int i = 0; i < nuove.size(); ++i) {
            scrittore.separatore();
            if (i == posEsito)
                scrittore.campo(Csv::codifica(esito, lettore.codifica()));
        }
    };

    std::vector<QByteArrayView> valori(colonne.size());
    QStringList testi;
    qint64 righe = 0, conEsito = 0;
    QElapsedTimer orologio;
    orologio.start();
    qint64 ultimoAvanzamento = 0;
    while (lettore.leggi(riga)) {
        ++righe;
        const qsizetype n = static_cast<qsizetype>(riga.campi.size());
        bool campiVuotiInPiu = n > nIntestazione;
        for (qsizetype i = nIntestazione; i < n && campiVuotiInPiu; ++i)
            campiVuotiInPiu = riga.campi[size_t(i)].isEmpty();

        // The input columns as read; a record that must be set right is written again value by value.
        if (!riga.valida) {
            for (qsizetype i = 0; i < qMax(n, nIntestazione); ++i) {
                if (i > 0)
                    scrittore.separatore();
                if (i < n)
                    scrittore.campo(riga.campi[size_t(i)]);
            }
        } else if (campiVuotiInPiu) {
            for (qsizetype i = 0; i < nIntestazione; ++i) {
                if (i > 0)
                    scrittore.separatore();
                scrittore.campo(riga.campi[size_t(i)]);
            }
        } else {
            scrittore.grezzo(riga.grezza);
            for (qsizetype i = n; i < nIntestazione; ++i)
                scrittore.separatore();
        }

        if (!riga.valida) {
            soloEsito(QStringLiteral("Riga non valida: virgolette non chiuse"));
            ++conEsito;
        } else if (n > nIntestazione && !campiVuotiInPiu) {
            soloEsito(QStringLiteral("Riga non valida: %1 campi, l'intestazione ne ha %2").arg(n).arg(nIntestazione));
            ++conEsito;
        } else {
            for (size_t c = 0; c < colonne.size(); ++c) {
                const int p = posti[c];
                valori[c] = p >= 0 && p < n ? taglia(riga.campi[size_t(p)]) : QByteArrayView();
            }
            Rapido r = comando.elaboraByte(valori, lettore.codifica(), scrittore);
            if (r == Rapido::NonGestito) {
                testi.clear();
                for (QByteArrayView v : valori)
                    testi.append(Csv::decodifica(v, lettore.codifica()));
                const QStringList risultato = comando.elabora(testi);
                for (const QString &t : risultato) {
                    scrittore.separatore();
                    if (lettore.codifica() == Csv::Codifica::Automatica) {
                        for (QChar ch : t) {
                            if (ch.unicode() >= 0x80) {
                                lettore.fissaCodifica(Csv::Codifica::Utf8);
                                break;
                            }
                        }
                    }
                    scrittore.campo(Csv::codifica(t, lettore.codifica()));
                }
                r = risultato.value(posEsito).isEmpty() ? Rapido::Fatto : Rapido::ConEsito;
            }
            if (r == Rapido::ConEsito)
                ++conEsito;
        }
        scrittore.fineRiga();

        if (avanzamento && (righe & 0x3FFF) == 0) {
            const qint64 ms = orologio.elapsed();
            if (ms >= 1000 && ms - ultimoAvanzamento >= 500) {
                ultimoAvanzamento = ms;
                avanzamento(rigaAvanzamento(righe, static_cast<double>(ms) / 1000.0,
                                            dimensione > 0 ? double(lettore.byteLetti()) / double(dimensione) : 0));
            }
        }
    }
    if (avanzamento && ultimoAvanzamento > 0)
        avanzamento(QString());

    if (!lettore.errore().isEmpty()) {
        messaggio(QStringLiteral("Impossibile leggere «%1»: %2").arg(nomeIngresso, lettore.errore()));
        return kErroreUso;
    }
    if (!scrittore.scarica() || (uscita == &salvato && !salvato.commit())) {
        messaggio(
            QStringLiteral("Impossibile scrivere «%1»: %2")
                .arg(opzioni.uscita.isEmpty() ? QStringLiteral("standard output") : opzioni.uscita, motivo(*uscita)));
        return kErroreUso;
    }
    return conEsito > 0 ? kRigheConEsito : kTuttoBene;
}

} // namespace Cli
