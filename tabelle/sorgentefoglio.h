#pragma once

#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "foglio.h"
#include "sorgente.h"

namespace Tabelle {

class CodaRighe;
struct BloccoRighe;

// One sheet of an .xlsx or .ods file as the engine's source of rows: each row's typed cells, their text as the
// user sees it (Fogli::testoVisibile) in UTF-8. Blank rows and merged title rows above the header are left
// out; empty rows below it stay in place. For a run the rows after the header are read in a thread of their
// own and handed on through a bounded queue, so that reading the sheet takes a core of its own.
class SorgenteFoglio final : public Sorgente
{
public:
    // `filo`: the rows after the header are read in a thread of their own; false: as they are asked for
    // (a first look at a few rows).
    explicit SorgenteFoglio(bool filo = true);
    ~SorgenteFoglio() override;
    SorgenteFoglio(const SorgenteFoglio &) = delete;
    SorgenteFoglio &operator=(const SorgenteFoglio &) = delete;

    // `foglio`: a name, or a number from 1; empty for the first sheet. False with errore() set.
    bool apri(const QString &percorso, const QString &foglio);

    bool leggi(Riga &riga) override;
    QString errore() const override { return m_errore; }
    double frazione() const override;
    // Reads the sheet once more from the row after the header. Date cells are not handed over: their day
    // and month are known, not guessed. A column whose first kCampione rows hold date cells and no text is
    // a column of dates and is not read further.
    static constexpr qint64 kCampione = 1000;
    void esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore,
                 const std::function<bool()> &annullato) override;
    void intestazioneA(qint64 numero) override { m_rigaIntestazione = numero; }

    // Before the rows after the header are read: the cells of the header, the names of the sheets, the
    // sheet's name and the file's format.
    const std::vector<Fogli::Cella> &celleIntestazione() const { return m_intestazione.celle; }
    QStringList fogli() const { return m_lettore ? m_lettore->fogli() : QStringList(); }
    // Every sheet of the file; after it, no more rows of an .ods.
    QStringList tuttiIFogli() { return m_lettore ? m_lettore->tuttiIFogli() : QStringList(); }
    QString nomeFoglio() const { return m_lettore ? m_lettore->nomeFoglio() : QString(); }
    Fogli::FormatoFoglio formato() const
    {
        return m_lettore ? m_lettore->formato() : Fogli::FormatoFoglio::Sconosciuto;
    }

    // A sheet reader from Fogli::libreria(); null with `errore` set when the sheet libraries cannot be had.
    static std::unique_ptr<Fogli::Lettore> nuovoLettore(QString *errore);
    // Whether a file's first bytes are those of a sheet file for the sheet reader to tell: a zip, or an OLE2
    // container (an old .xls, or a file protected by a password).
    static bool foglio(QByteArrayView inizio);

private:
    bool prossima(Fogli::Riga &riga);
    bool cercaIntestazione();
    void avvia();
    void produci();
    bool dallaCoda(Riga &riga);

    std::unique_ptr<Fogli::Lettore> m_lettore;
    QString m_percorso, m_foglio;
    QString m_errore;
    Fogli::Riga m_intestazione;
    Fogli::Riga m_riga;
    bool m_trovata = false;
    qint64 m_rigaIntestazione = 0; // the sheet's number of the header row
    // Rows read while looking for the header that belong below it: handed on before the others.
    std::deque<Fogli::Riga> m_rilette;
    Fogli::Riga m_ripresa;
    // The reading in a thread of its own.
    bool m_filo;
    std::unique_ptr<CodaRighe> m_coda;
    std::thread m_lettura;
    std::unique_ptr<BloccoRighe> m_blocco; // the rows being handed on
    size_t m_posto = 0;
};

} // namespace Tabelle
