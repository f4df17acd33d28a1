#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <QComboBox>
#include <QProgressBar>
#include <QScrollArea>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>

#include "formsportello.h"
#include "tabella.h"

// The window "Elabora Tabella": runs one of the table commands over a whole file (CSV, .xlsx, .ods) and
// saves the result as an .xlsx beside it. The engine reads the preview and does the work in threads of their
// own; the window chooses the file, the command and the columns, shows the progress and the summary, and
// puts the engine's problems into words.
class frmTabella final : public FormSportello
{
    Q_OBJECT

public:
    // At most this many input columns (calcola has six).
    static constexpr int kColonne = 6;

    frmTabella();
    ~frmTabella() override;

    // The file to show when the window loads (a file dropped on the main menu).
    void impostaFile(const QString &file) { m_fileIniziale = file; }

    void Form_Load() override;
    void Form_Activate() override;
    void txtFile_KeyPress(int &KeyAscii);
    void cmdSfoglia_Click();
    void cboOperazione_Click();
    void cboFoglio_Click();
    void spnIntestazione_Change();
    void cmdSalvaCome_Click();
    void cmdElabora_Click();
    void cmdAnnulla_Click();
    void cmdApri_Click();

    // Reads the file of txtFile, in a thread of its own: its sheets, the preview, the columns, the result's
    // name.
    void caricaFile();
    bool inCorso() const { return m_esecuzione != nullptr; }
    // A preview is being read.
    bool inLettura() const { return m_lettura != nullptr; }
    // "<name> - risultati.xlsx" beside the input.
    static QString nomeRisultato(const QString &ingresso);

    // Test seam: while set, "Apri il risultato" hands the file to the function instead of the desktop.
    static void impostaApertura(std::function<void(const QString &)> funzione);

    OsenXPLabel *lblFile;
    OsenXPTextBox *txtFile;
    OsenXPButton *cmdSfoglia;
    OsenXPLabel *lblOperazione;
    QComboBox *cboOperazione;
    OsenXPLabel *lblFoglio;
    QComboBox *cboFoglio;
    OsenXPLabel *lblAnteprima;
    QTableWidget *tblAnteprima;
    OsenXPLabel *lblIntestazione;
    QSpinBox *spnIntestazione; // the line of the header: the row the preview's column names come from
    OsenXPLabel *lblColonne;
    std::array<OsenXPLabel *, kColonne> lblColonna{};
    std::array<QComboBox *, kColonne> cboColonna{};
    OsenXPLabel *lblUscita;
    OsenXPTextBox *txtUscita;
    OsenXPButton *cmdSalvaCome;
    QProgressBar *barAvanzamento;
    QScrollArea *scrRiepilogo; // holds lblRiepilogo: every kind of esito, scrolled when they are many
    OsenXPLabel *lblRiepilogo;
    OsenXPButton *cmdElabora;
    OsenXPButton *cmdAnnulla;
    OsenXPButton *cmdApri;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Esecuzione;
    struct Lettura;

    void creaColonneERisultato();
    void creaFondo();
    bool creaComando();
    void leggi(const QString &file, const QString &foglio);
    void letta(const Lettura &lettura, const Tabelle::Anteprima &anteprima);
    void dimentica(const QString &fallito);
    bool elaborabile() const;
    void scegliIntestazione();
    void mostraAnteprima();
    void aggiornaColonne();
    void assegnaTastiColonne();
    void abilita(bool libero);
    void avanzamento(quint64 numero, qint64 righe, double frazione);
    void fine(quint64 numero);
    void mostraResoconto(const Tabelle::Resoconto &resoconto);
    // Stops a run in progress and waits for its thread.
    void interrompi();

    Tabelle::DatiComandi m_dati;
    std::unique_ptr<Tabelle::Comando> m_comando;
    Tabelle::Anteprima m_anteprima;
    QStringList m_intestazione;
    QString m_fileIniziale;
    QString m_caricato; // the file the preview and the columns are from
    QString m_fallito;  // the file that could not be read last
    QString m_risultato;
    std::unique_ptr<Esecuzione> m_esecuzione;
    quint64 m_esecuzioni = 0;
    std::shared_ptr<Lettura> m_lettura; // the preview being read, shared with its thread
    bool m_elaboraLetto = false;        // Elabora waits for the file being read
};
