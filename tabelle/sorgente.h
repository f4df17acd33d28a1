#pragma once

#include <functional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>

#include "foglio.h"
#include "tabellacsv.h"

namespace Tabelle {

// A row of a table as the engine reads it: from a CSV file its record, from a sheet its typed cells, whose
// text is made when asked.
class Riga
{
public:
    // The record of a CSV file; for a sheet only numero and vuota are set.
    Csv::Riga csv;
    // The cells of a sheet's row (trailing empty ones left out); null for a CSV.
    const std::vector<Fogli::Cella> *celle = nullptr;

    void daFoglio(const Fogli::Riga &riga);
    qsizetype campi() const { return celle ? static_cast<qsizetype>(celle->size()) : qsizetype(csv.campi.size()); }
    bool vuoto(qsizetype campo) const;
    // A field as the user sees it, in the table's encoding (UTF-8 for a sheet); empty past the last.
    QByteArrayView testo(qsizetype campo) const
    {
        if (!celle)
            return campo >= 0 && campo < qsizetype(csv.campi.size()) ? csv.campi[size_t(campo)] : QByteArrayView();
        return testoCella(campo);
    }
    // The date of a date cell; null for anything else.
    QDate data(qsizetype campo) const;

private:
    QByteArrayView testoCella(qsizetype campo) const;

    mutable std::vector<QByteArray> m_testi; // of a sheet's cells, made when asked
    mutable std::vector<char> m_fatti;
};

// A row kept past the next read (the rows read while the header is looked for), with its own bytes.
class RigaTenuta
{
public:
    explicit RigaTenuta(const Riga &riga);
    // Into `riga`, valid while this lives.
    void in(Riga &riga) const;
    const Csv::Riga &csv() const { return m_csv; }
    // The row's text in `codifica` when it was read in the other one (before the table's was decided).
    void inCodifica(Csv::Codifica codifica);

private:
    Csv::Riga m_csv; // its views are made by in()
    std::vector<QByteArray> m_campi;
    QByteArray m_grezza;
    bool m_foglio = false;
    Fogli::Riga m_celle;
};

// Where the engine takes its rows from.
class Sorgente
{
public:
    virtual ~Sorgente() = default;
    // The next row; false at the end or when reading fails (errore()). The row's views stay valid until the
    // next call.
    virtual bool leggi(Riga &riga) = 0;
    virtual QString errore() const = 0;
    // How far reading has gone, 0 to 1 (0 when unknown).
    virtual double frazione() const = 0;
    // One look at the whole table, after the header and before the second row: each value of the fields
    // `colonne` (positions) to `valore` with its index in `colonne`, the header's left out. `annullato`,
    // asked as it goes, stops it.
    virtual void esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore,
                         const std::function<bool()> &annullato) = 0;
    // The header is the row `numero`: esamina leaves out the rows up to it.
    virtual void intestazioneA(qint64 numero) { (void)numero; }
};

// The rows of a CSV file, through Csv::Lettore.
class SorgenteCsv final : public Sorgente
{
public:
    SorgenteCsv(QIODevice &ingresso, char separatore, Csv::Codifica codifica, qsizetype massimoRiga)
        : m_lettore(ingresso, separatore, codifica, massimoRiga)
    {}
    Csv::Lettore &lettore() { return m_lettore; }

    bool leggi(Riga &riga) override { return m_lettore.leggi(riga.csv); }
    QString errore() const override { return m_lettore.errore(); }
    double frazione() const override { return m_lettore.frazione(); }
    void esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore,
                 const std::function<bool()> &annullato) override
    {
        m_lettore.esamina(colonne, valore, annullato);
    }

private:
    Csv::Lettore m_lettore;
};

} // namespace Tabelle
