#pragma once

#include "formsportello.h"
#include "tabellacodici.h"
#include "verificacf.h"

// The window "Verifica Codice Fiscale": a code that someone hands in, checked and read back (sex, date
// and place of birth, the base code of an omocodic code), and compared with a surname and name if given.
class VerificaCF final : public FormSportello
{
    Q_OBJECT

public:
    VerificaCF();

    void Form_Load() override;
    void Form_Activate() override;
    void Command1_Click();
    void CopiaBut_Click();
    void Text_KeyPress(int &KeyAscii);

    // The day against which the century of a two-digit year is chosen; today unless a test sets it.
    void impostaOggi(const QDate &oggi) { m_oggi = oggi; }
    const Fiscale::TabellaCodici &tabella() const { return m_tabella; }

    OsenXPLabel *Label1 = nullptr;
    OsenXPTextBox *CodFis = nullptr;
    OsenXPLabel *Label2 = nullptr;
    OsenXPTextBox *Cognome = nullptr;
    OsenXPLabel *Label3 = nullptr;
    OsenXPTextBox *Nome = nullptr;
    OsenXPButton *Command1 = nullptr;
    OsenXPButton *CopiaBut = nullptr;
    OsenXPLabel *Label4 = nullptr;
    OsenXPTextBox *Esito = nullptr;
    OsenXPLabel *Label5 = nullptr;
    OsenXPTextBox *Sesso = nullptr;
    OsenXPLabel *Label6 = nullptr;
    OsenXPTextBox *DataN = nullptr;
    OsenXPLabel *Label7 = nullptr;
    OsenXPTextBox *Luogo = nullptr;
    OsenXPLabel *Label8 = nullptr;
    OsenXPTextBox *CodBase = nullptr;
    OsenXPLabel *Label9 = nullptr;
    OsenXPTextBox *Confronto = nullptr;
    OsenXPLabel *Label10 = nullptr;
    OsenXPTextBox *Avviso = nullptr;

private:
    OsenXPLabel *etichetta(const char *nome, const char *testo, int sinistra, int alto, int larghezza);
    OsenXPTextBox *casella(const char *nome, const char *nomeAccessibile, int sinistra, int alto, int larghezza,
                           bool risultato);
    void mostraRiga(OsenXPLabel *etichetta, OsenXPTextBox *casella, const QString &testo);

    Fiscale::TabellaCodici m_tabella;
    Fiscale::IndiceCatastale m_indice;
    QDate m_oggi;
};
