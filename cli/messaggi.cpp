#include "messaggi.h"

#include <QLocale>

namespace Cli {

QString testoProblema(const Tabelle::Problema &p)
{
    using Tipo = Tabelle::Problema::Tipo;
    const QString intestazione = p.intestazione.join(QStringLiteral(", "));
    switch (p.tipo) {
    case Tipo::Nessuno: break;
    case Tipo::Lettura: return QStringLiteral("Impossibile leggere «%1»: %2").arg(p.file, p.motivo);
    case Tipo::NonTabella: return QStringLiteral("«%1» è %2, non un file CSV").arg(p.file, p.motivo);
    case Tipo::FoglioSenzaFogli:
        return QStringLiteral("--foglio vale solo per un file .xlsx o .ods, e «%1» non lo è").arg(p.file);
    case Tipo::Vuota: return QStringLiteral("Il file «%1» è vuoto: manca la riga d'intestazione").arg(p.file);
    case Tipo::IntestazioneLunga:
        return QStringLiteral("La riga d'intestazione di «%1» supera %2 MiB (inizia con «%3»): non sembra una tabella "
                              "CSV")
            .arg(p.file)
            .arg(p.mib)
            .arg(p.motivo);
    case Tipo::IntestazioneAssente:
        return QStringLiteral("--intestazione %1: il file «%2» non ha una riga %1 con dei valori")
            .arg(p.riga)
            .arg(p.file);
    case Tipo::ColonnaSconosciuta:
        return QStringLiteral("--colonna: «%1» non è una colonna di questo comando").arg(p.colonna);
    case Tipo::ColonnaAssente:
        return QStringLiteral("Nel file «%1» non c'è la colonna «%2» indicata con --colonna %3=%2 (intestazione: %4)")
            .arg(p.file, p.scelta, p.colonna, intestazione);
    case Tipo::ColonnaMancante:
        return QStringLiteral("Nel file «%1» manca la colonna «%2» (intestazione: %3); indicarla con --colonna "
                              "%2=INTESTAZIONE; nomi riconosciuti: %4")
            .arg(p.file, p.colonna, intestazione, p.riconosciuti.join(QStringLiteral(", ")));
    case Tipo::Scrittura: return QStringLiteral("Impossibile scrivere «%1»: %2").arg(p.file, p.motivo);
    }
    return QString();
}

QString testoAvviso(const Tabelle::Avviso &a)
{
    if (a.tipo == Tabelle::Avviso::Tipo::DateMesePrima)
        return QStringLiteral("La colonna «%1» ha le date con il mese prima del giorno (come «%2»): lette come "
                              "mese/giorno/anno")
            .arg(a.colonna, a.esempioMese);
    return QStringLiteral("La colonna «%1» ha date con il giorno prima del mese (come «%2») e date con il mese prima "
                          "(come «%3»): le date leggibili nei due modi hanno un esito; --data sceglie l'ordine")
        .arg(a.colonna, a.esempioGiorno, a.esempioMese);
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

} // namespace Cli
