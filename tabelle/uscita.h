#pragma once

#include <memory>
#include <vector>

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include "comando.h"
#include "foglio.h"
#include "sorgente.h"
#include "tabella.h"

// The two outputs of a run, each writing a row of the input with the command's result in its own way.
namespace Tabelle {

// Where the fields of a row go: the columns before the command's, the command's, then the columns after them
// (the command's own columns of an earlier run replaced in place, or the extra fields of a long row). One
// place for both outputs.
struct Disposizione {
    qsizetype intestazione = 0; // the fields of the header
    NuoveColonne nuove;

    qsizetype prima() const { return nuove.posto >= 0 ? nuove.posto : intestazione; }
    qsizetype dopoDa() const { return nuove.posto >= 0 ? nuove.posto + nuove.nomi.size() : intestazione; }
    // The header of an .xlsx output: the input's names around the command's.
    QStringList intestazioneCompleta(const QStringList &nomi) const;

    struct Forma {
        qsizetype campi = 0;    // the row's fields
        qsizetype scritti = 0;  // of them, those written: empty ones past the header's are not
        qsizetype fineDopo = 0; // where the fields after the command's end
        bool lunga = false;     // more fields than the header, some with a value
    };
    Forma forma(const Riga &riga) const;
};

// The esito of a row with more fields than the header: where they went.
QString esitoRigaLunga(qsizetype campi, qsizetype intestazione);

class Uscita
{
public:
    virtual ~Uscita() = default;
    // One row of the input and the command's columns for it; false when writing failed (motivo()).
    virtual bool riga(const Riga &riga, const Disposizione::Forma &forma, const Risultato &risultato) = 0;
    // An empty row of the input, kept in its place.
    virtual bool vuota() = 0;
    virtual bool fallita() const = 0;
    // The whole output under its name; false with motivo() set, and nothing left.
    virtual bool chiudi(const Resoconto &resoconto) = 0;
    // Nothing left of the output; what was under its name before stays as it was.
    virtual void annulla() = 0;
    // Why writing failed, in Italian, beginning in lower case.
    virtual QString motivo() const = 0;
};

// A CSV output: to a file under a temporary name (QSaveFile), or to standard output.
class UscitaCsv final : public Uscita
{
public:
    // How the table is written.
    struct Formato {
        char separatore = ';';
        QByteArray fineRiga = "\n";
        bool bom = false;
        Csv::Codifica codifica = Csv::Codifica::Utf8;
        QByteArray rigaSeparatore; // Excel's "sep=;" line of the input, written first as it was
    };
    // A sheet written as CSV: as spreadsheet programs write it under Italian settings, UTF-8 with a byte order
    // mark (so Excel reads the accents), ';' between the values, CRLF.
    static Formato comeExcel();

    UscitaCsv(const Disposizione &disposizione, Formato formato);
    ~UscitaCsv() override;
    // `percorso` empty: standard output. False with motivo() set. The byte order mark and the separator's
    // line are written here; the rows above the header go next, as rows.
    bool apri(const QString &percorso);
    // The header: its fields, or its bytes as read (`grezza`) when they can be copied, with the command's
    // names.
    void intestazione(const std::vector<QByteArray> &campi, const QByteArray *grezza);

    bool riga(const Riga &riga, const Disposizione::Forma &forma, const Risultato &risultato) override;
    bool vuota() override;
    bool fallita() const override { return m_scrittore && m_scrittore->errore(); }
    bool chiudi(const Resoconto &resoconto) override;
    void annulla() override;
    QString motivo() const override;

private:
    void campi(const Riga &riga, qsizetype presenti, qsizetype da, qsizetype a);
    // A value of the command's, in the table's encoding.
    void valore(QByteArrayView utf8, bool semplice)
    {
        if (semplice)
            m_scrittore->grezzo(utf8);
        else if (m_formato.codifica == Csv::Codifica::Windows1252 && !ascii(utf8))
            valoreCp1252(utf8);
        else
            m_scrittore->campo(utf8);
    }
    void valoreCp1252(QByteArrayView utf8);

    Disposizione m_disposizione;
    Formato m_formato;
    QSaveFile m_salvato;
    QFile m_standard; // the standard output, or a device or pipe written into directly
    QFileDevice *m_dispositivo = nullptr;
    std::unique_ptr<Csv::Scrittore> m_scrittore;
    QString m_motivo;
};

// An .xlsx output through the sheet writer of Fogli::libreria(): the input's cells with their types (from a
// CSV as text), the command's columns as text, the rows with an esito filled, and a "Riepilogo" sheet.
class UscitaXlsx final : public Uscita
{
public:
    // `codifica`: of a CSV input's text.
    UscitaXlsx(const Disposizione &disposizione, Csv::Codifica codifica);
    ~UscitaXlsx() override;
    // A row above the header, with empty results, before apri().
    void sopra(const Riga &riga, const Disposizione::Forma &forma);
    // `foglio`: the name of the first sheet (that of the sheet read); empty for the writer's own.
    bool apri(const QString &percorso, const QStringList &intestazione, const QString &foglio);

    bool riga(const Riga &riga, const Disposizione::Forma &forma, const Risultato &risultato) override;
    bool vuota() override;
    bool fallita() const override { return m_fallita; }
    bool chiudi(const Resoconto &resoconto) override;
    void annulla() override;
    QString motivo() const override { return m_motivo; }

private:
    Fogli::Cella cella(const Riga &riga, qsizetype campo, qsizetype presenti) const;
    // The cells of a row into m_celle: the input's around the command's (none: empty).
    void celle(const Riga &riga, const Disposizione::Forma &forma, const Risultato *risultato);
    bool scritta(bool ok);

    Disposizione m_disposizione;
    Csv::Codifica m_codifica;
    std::unique_ptr<Fogli::Scrittore> m_libro;
    std::vector<Fogli::Cella> m_celle;
    std::vector<std::vector<Fogli::Cella>> m_sopra;
    bool m_fallita = false;
    QString m_motivo;
};

} // namespace Tabelle
