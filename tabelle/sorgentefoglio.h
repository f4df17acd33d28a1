#pragma once

#include <deque>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "foglio.h"
#include "tabellacsv.h"

namespace Tabelle {

// One sheet of an .xlsx or .ods file as the engine's source of records: each cell as the user sees it
// (Fogli::testoVisibile) in UTF-8, the typed cells of the row at hand kept beside for an .xlsx output.
// Blank rows and merged title rows above the header are left out; empty rows below it stay in place.
// Written back as CSV, a sheet gives what spreadsheet programs write under Italian settings: UTF-8 with a
// byte order mark (so Excel reads the accents), ';' between the values, CRLF.
class SorgenteFoglio final : public Csv::Sorgente
{
public:
    // `foglio`: a name, or a number from 1; empty for the first sheet. False with errore() set.
    bool apri(const QString &percorso, const QString &foglio);

    bool leggi(Csv::Riga &riga) override;
    QString errore() const override { return m_errore; }
    Csv::Codifica codifica() const override { return Csv::Codifica::Utf8; }
    double frazione() const override { return m_lettore ? m_lettore->frazione() : 0; }
    char separatore() const override { return ';'; }
    QByteArray fineRiga() const override { return "\r\n"; }
    bool bom() const override { return true; }
    // Reads the sheet once more from the row after the header. Date cells are not handed over: their day
    // and month are known, not guessed. A column whose first kCampione rows hold date cells and no text is
    // a column of dates and is not read further.
    static constexpr qint64 kCampione = 1000;
    void esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore) override;

    // The cells of the record last read (trailing empty cells left out).
    const std::vector<Fogli::Cella> &celle() const { return m_riga.celle; }
    QStringList fogli() const { return m_lettore ? m_lettore->fogli() : QStringList(); }
    QString nomeFoglio() const { return m_lettore ? m_lettore->nomeFoglio() : QString(); }
    Fogli::FormatoFoglio formato() const { return m_lettore ? m_lettore->formato() : Fogli::FormatoFoglio::Sconosciuto; }

    // A sheet reader from Fogli::libreria(); null with `errore` set when the sheet libraries cannot be had.
    static std::unique_ptr<Fogli::Lettore> nuovoLettore(QString *errore);

private:
    bool intestazione();
    bool prossima(Fogli::Riga &riga);
    void riempi(Csv::Riga &riga);

    std::unique_ptr<Fogli::Lettore> m_lettore;
    QString m_percorso, m_foglio;
    QString m_errore;
    Fogli::Riga m_riga;
    std::deque<Fogli::Riga> m_tenute; // rows read while looking for the header, to give after it
    qint64 m_rigaIntestazione = 0; // the sheet's number of the header row
    std::vector<QByteArray> m_testi;
};

} // namespace Tabelle
