#include "codicefiscale.h"

#include <QApplication>
#include <QButtonGroup>

#include "calcolo.h"
#include "luogonascita.h"
#include "cp1252.h"
#include "errorifile.h"
#include "form2.h"
#include "modulo1.h"
#include "percorsi.h"
#include "riconoscidata.h"
#include "sceltaluogo.h"

namespace {

// The wait cursor for as long as it lives, so that every way out of the load gives the arrow back.
struct CursoreAttesa {
    CursoreAttesa() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursoreAttesa() { QApplication::restoreOverrideCursor(); }
    CursoreAttesa(const CursoreAttesa &) = delete;
    CursoreAttesa &operator=(const CursoreAttesa &) = delete;
};

const QString kFileCodici = QStringLiteral("codes.cf");

} // namespace

CodiceFiscale::CodiceFiscale()
    : FormSportello(QStringLiteral("Codice Fiscale"), 3960, 3690)
{
    Label1 = etichetta("Label1", "Cognome:", 120, 720, 855);
    Cognome = casella("Cognome", "il cognome", 960, 720, 2895);
    Label2 = etichetta("Label2", "Nome:", 120, 1200, 600);
    Nome = casella("Nome", "il nome", 720, 1200, 3135);
    Label3 = etichetta("Label3", "Luogo di nascita:", 120, 1680, 1350);
    Citta = casella("Citta", "il luogo di nascita", 1560, 1680, 2295);
    Label4 = etichetta("Label4", "Provincia:", 120, 2160, 840);
    Prov = casella("Prov", "la provincia di nascita", 960, 2160, 495);
    Label5 = etichetta("Label5", "Data di nascita:", 1440, 2160, 1245);
    Datanasc = casella("Datanasc", "la data di nascita", 2640, 2160, 1215);
    Label6 = etichetta("Label6", "Sesso:", 480, 2640, 615);
    Label1->setBuddy(Cognome);
    Label2->setBuddy(Nome);
    Label3->setBuddy(Citta);
    Label4->setBuddy(Prov);
    Label5->setBuddy(Datanasc);

    Maschio = crea<OsenXPOptionButton>("Maschio", 1080, 2640, 975, 255);
    Maschio->setText(QStringLiteral("Maschio"));
    Femmina = crea<OsenXPOptionButton>("Femmina", 2280, 2640, 1215, 255);
    Femmina->setText(QStringLiteral("Femmina"));
    m_sesso = new QButtonGroup(this);
    m_sesso->addButton(Maschio);
    m_sesso->addButton(Femmina);

    Command1 = crea<OsenXPButton>("Command1", 1560, 3120, 855, 375);
    Command1->setText(QStringLiteral("Calcola"));
    Command1->setToolTip(QStringLiteral("Cliccare qui per avviare il calcolo del codice fiscale"));
    connect(Command1, &QPushButton::clicked, this, &CodiceFiscale::Command1_Click);

    ordineTab({Cognome, Nome, Citta, Prov, Datanasc, Maschio, Femmina, Command1, Label1, Label2, Label3, Label4, Label5,
               Label6, OsenXPForm1()});
}

OsenXPLabel *CodiceFiscale::etichetta(const char *nome, const char *testo, int sinistra, int alto, int larghezza)
{
    auto *e = crea<OsenXPLabel>(nome, sinistra, alto, larghezza, 285);
    e->setCaption(QString::fromUtf8(testo));
    return e;
}

OsenXPTextBox *CodiceFiscale::casella(const char *nome, const char *suggerimento, int sinistra, int alto, int larghezza)
{
    auto *t = crea<OsenXPTextBox>(nome, sinistra, alto, larghezza, 285);
    t->setToolTip(QStringLiteral("Digitare qui %1 della persona di cui si vuole calcolare il codice fiscale")
                      .arg(QString::fromUtf8(suggerimento)));
    return t;
}

void CodiceFiscale::Form_Load()
{
    int errore;
    {
        CursoreAttesa attesa;
        errore = m_tabella.carica(Percorsi::fileProgramma(kFileCodici));
        m_ricerca = Fiscale::RicercaLuoghi(Percorsi::fileProgramma(QStringLiteral("luoghi.dat")));
    }
    if (errore == 0) {
        Maschio->setChecked(true);
        return;
    }
    Modulo1::MostraMessaggio(ErroriFile::messaggio(errore, kFileCodici), 48, QStringLiteral("Errore"));
    if (ErroriFile::chiudeFinestra(errore))
        Unload();
}

void CodiceFiscale::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

QString CodiceFiscale::trovacod(const QString &Comune, const QString &Provincia) const
{
    return m_tabella.trovacod(Comune, Provincia);
}

QString CodiceFiscale::trovacod(const QString &Comune, const QString &Provincia, const QDate &DataNascita) const
{
    return m_tabella.trovacod(Comune, Provincia, DataNascita);
}

QString CodiceFiscale::compattastringa(const QString &Stringa)
{
    return Fiscale::compattastringa(Stringa);
}

bool CodiceFiscale::ControllaCodiceFiscale(const QString &CodFis)
{
    return Fiscale::ControllaCodiceFiscale(CodFis);
}

void CodiceFiscale::ControllaData()
{
    const std::optional<QDate> data = Fiscale::riconosciData(Datanasc->text());
    if (data && *data <= QDate::currentDate()) {
        m_data = *data;
        m_erroreData = false;
        return;
    }
    Modulo1::MostraMessaggio(data ? QStringLiteral("Data di nascita nel futuro") : QStringLiteral("Data non valida"), 0,
                             QStringLiteral("Errore!"));
    m_erroreData = true;
}

QString CodiceFiscale::calcolaCodiceFiscale(const QString &cognome, const QString &nome, const QString &sesso,
                                            const QDate &dataNascita, const QString &comune, const QString &provincia)
{
    const Fiscale::Esito esito =
        Fiscale::CodiceFiscale(cognome, nome, sesso, dataNascita, comune, provincia, m_tabella);
    if (esito.errore != 0)
        m_codiceErrore = esito.errore;
    if (!esito.messaggio.isEmpty())
        Modulo1::MostraMessaggio(esito.messaggio, 0, QStringLiteral("Errore"));
    return esito.codice;
}

// The place of birth as the documents write it, resolved for the date of birth: one found in another form
// (as people or clerks write it, "Forli", "Bozen", "00184", "S. Giovanni Rotondo", with its province by name
// or none) goes into the boxes as the table has it, for the card to show it; several are offered to choose
// from, and so are names one or two letters off, even one alone. False when the user chose none; anything
// else goes on to the computation, which gives the message.
bool CodiceFiscale::luogoNascita()
{
    if (Citta->text().trimmed().isEmpty())
        return true;
    const Fiscale::LuogoNascita luogo =
        Fiscale::risolviLuogo(m_tabella, Citta->text(), Prov->text(), m_data, &m_ricerca);
    QString nome = luogo.nome, sigla = luogo.sigla;
    if (!luogo.trovato()) {
        if (luogo.scelte.empty())
            return true;
        const int n = SceltaLuogo::scegli(this, luogo.domanda, Fiscale::etichette(m_tabella, luogo.scelte));
        if (n < 0)
            return false;
        nome = luogo.scelte[static_cast<size_t>(n)].nome;
        sigla = luogo.scelte[static_cast<size_t>(n)].sigla;
    }
    if (Cp1252::maiuscole(Citta->text()) != nome)
        Citta->setText(nome);
    if (Cp1252::maiuscole(Prov->text()) != sigla)
        Prov->setText(sigla);
    return true;
}

void CodiceFiscale::Command1_Click()
{
    ControllaData();
    if (m_erroreData)
        return;
    if (!luogoNascita())
        return;
    const QString sesso = Maschio->isChecked() ? QStringLiteral("M") : QStringLiteral("F");
    // The date that the check has just recognised in the same text.
    const QString codice =
        calcolaCodiceFiscale(Cognome->text(), Nome->text(), sesso, m_data, Citta->text(), Prov->text());
    if (codice == Fiscale::kAsterischi)
        return;
    if (!ControllaCodiceFiscale(codice)) {
        Modulo1::MostraMessaggio(
            QStringLiteral("Il controllo del codice fiscale dà responso negativo. Provare a installare nuovamente "
                           "l'applicazione. Se l'errore persiste, contattare l'autore"),
            0, QStringLiteral("Errore"));
        return;
    }

    Form2 carta;
    carta.setWindowTitle(QStringLiteral("Codice Fiscale di ") + Cp1252::maiuscole(Nome->text()) + u' ' +
                         Cp1252::maiuscole(Cognome->text()));
    carta.cf->setCaption(codice);
    carta.CopiaBut->setTag(codice);
    carta.Cognome->setCaption(Cp1252::maiuscole(Cognome->text()));
    carta.Nome->setCaption(Cp1252::maiuscole(Nome->text()));
    carta.DataN->setCaption(Cp1252::maiuscole(Datanasc->text()));
    carta.Sex->setCaption(sesso);
    carta.Luogo->setCaption(Cp1252::maiuscole(Citta->text()));
    carta.Provinc->setCaption(Cp1252::maiuscole(Prov->text()));
    carta.apriModale();
}
