#pragma once

#include <QDate>

#include "formsportello.h"
#include "ricercaluoghi.h"
#include "tabellacodici.h"

class QButtonGroup;

// The window "Codice Fiscale": the person's data in, the code out on the result card.
class CodiceFiscale final : public FormSportello
{
    Q_OBJECT

public:
    CodiceFiscale();

    void Form_Load() override;
    void Form_Activate() override;
    void Command1_Click();

    // The window's procedures, over its cadastral table.
    QString trovacod(const QString &Comune, const QString &Provincia) const;
    QString trovacod(const QString &Comune, const QString &Provincia, const QDate &DataNascita) const;
    static QString compattastringa(const QString &Stringa);
    static bool ControllaCodiceFiscale(const QString &CodFis);
    // Checks the text of Datanasc: "Data non valida" and the date-error flag when it is no date, "Data di
    // nascita nel futuro" when it is after today.
    void ControllaData();
    // The computation is Fiscale::CodiceFiscale; a member named CodiceFiscale would be this class's
    // constructor, so the window's wrapper, which keeps the failure code and shows the message, has this name.
    QString calcolaCodiceFiscale(const QString &cognome, const QString &nome, const QString &sesso,
                                 const QDate &dataNascita, const QString &comune, const QString &provincia);

    // The window's state: the failure code of the last failed computation (0 before any) and the flag.
    int codiceErrore() const { return m_codiceErrore; }
    bool erroreData() const { return m_erroreData; }
    const Fiscale::TabellaCodici &tabella() const { return m_tabella; }

    OsenXPLabel *Label1 = nullptr;
    OsenXPTextBox *Cognome = nullptr;
    OsenXPLabel *Label2 = nullptr;
    OsenXPTextBox *Nome = nullptr;
    OsenXPLabel *Label3 = nullptr;
    OsenXPTextBox *Citta = nullptr;
    OsenXPLabel *Label4 = nullptr;
    OsenXPTextBox *Prov = nullptr;
    OsenXPLabel *Label5 = nullptr;
    OsenXPTextBox *Datanasc = nullptr;
    OsenXPLabel *Label6 = nullptr;
    OsenXPOptionButton *Maschio = nullptr;
    OsenXPOptionButton *Femmina = nullptr;
    OsenXPButton *Command1 = nullptr;

private:
    OsenXPLabel *etichetta(const char *nome, const char *testo, int sinistra, int alto, int larghezza);
    OsenXPTextBox *casella(const char *nome, const char *suggerimento, int sinistra, int alto, int larghezza);
    bool luogoNascita();

    Fiscale::TabellaCodici m_tabella;
    // After the exact lookup: the place as people write it.
    Fiscale::RicercaLuoghi m_ricerca;
    int m_codiceErrore = 0;
    bool m_erroreData = false;
    QDate m_data; // the date that the last check recognised
    QButtonGroup *m_sesso = nullptr;
};
