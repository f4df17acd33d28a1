#include "verificacfform.h"

#include <QApplication>
#include <QClipboard>
#include <QValidator>

#include "errorifile.h"
#include "modulo1.h"
#include "percorsi.h"

namespace {

const QString kFileCodici = QStringLiteral("codes.cf");

constexpr int kLarghezza = 9240; // the whole name of a place, with its end, in the Luogo box
constexpr int kColonna = 1560; // where the boxes start, right of their captions
constexpr int kRiga = 285;

// At most 16 characters once the white space is dropped, so that a pasted "rss mra 80a01 h501u" goes in
// whole; a longer text is refused as a whole rather than cut.
class ValidatoreCodice final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &testo, int &) const override
    {
        return Fiscale::normalizza(testo).lunghezza <= 16 ? Acceptable : Invalid;
    }
};

} // namespace

VerificaCF::VerificaCF()
    : FormSportello(QStringLiteral("Verifica Codice Fiscale"), kLarghezza, 4860)
{
    const int destra = kLarghezza - 120;

    Label1 = etichetta("Label1", "Codice &fiscale:", 120, 720, 1380);
    CodFis = casella("CodFis", "Codice fiscale", kColonna, 720, 2400, false);
    CodFis->setToolTip(QStringLiteral("Digitare o incollare qui il codice fiscale da verificare"));
    CodFis->setValidator(new ValidatoreCodice(CodFis));
    connect(CodFis, &QLineEdit::inputRejected, this, [this]() {
        Modulo1::Beep();
        mostraRiga(Label4, Esito, QStringLiteral("Testo troppo lungo: il codice fiscale ha 16 caratteri"));
    });
    Label2 = etichetta("Label2", "C&ognome:", 120, 1140, 1380);
    Cognome = casella("Cognome", "Cognome", kColonna, 1140, 2400, false);
    Cognome->setToolTip(QStringLiteral("Facoltativo: il cognome della persona, da confrontare con il codice"));
    Label3 = etichetta("Label3", "&Nome:", 120, 1560, 1380);
    Nome = casella("Nome", "Nome", kColonna, 1560, 2400, false);
    Nome->setToolTip(QStringLiteral("Facoltativo: il nome della persona, da confrontare con il codice"));
    for (OsenXPTextBox *t : {CodFis, Cognome, Nome})
        t->setKeyPress([this](int &KeyAscii) { Text_KeyPress(KeyAscii); });

    Command1 = crea<OsenXPButton>("Command1", destra - 1215, 675, 1215, 375);
    Command1->setText(QStringLiteral("&Verifica"));
    Command1->setAccessibleName(QStringLiteral("Verifica"));
    Command1->setToolTip(QStringLiteral("Cliccare qui per verificare il codice fiscale"));
    connect(Command1, &QPushButton::clicked, this, &VerificaCF::Command1_Click);
    CopiaBut = crea<OsenXPButton>("CopiaBut", destra - 1215, 1140, 1215, 375);
    CopiaBut->setText(QStringLiteral("&Copia"));
    CopiaBut->setAccessibleName(QStringLiteral("Copia"));
    CopiaBut->setToolTip(QStringLiteral("Copia negli appunti il codice fiscale, senza spazi"));
    connect(CopiaBut, &QPushButton::clicked, this, &VerificaCF::CopiaBut_Click);

    const int larga = destra - kColonna;
    Label4 = etichetta("Label4", "Esito:", 120, 2160, 1380);
    Esito = casella("Esito", "Esito", kColonna, 2160, larga, true);
    Label5 = etichetta("Label5", "Sesso:", 120, 2580, 1380);
    Sesso = casella("Sesso", "Sesso", kColonna, 2580, 480, true);
    Label6 = etichetta("Label6", "Data di nascita:", 2400, 2580, 1320);
    DataN = casella("DataN", "Data di nascita", 3720, 2580, 1200, true);
    Label7 = etichetta("Label7", "Luogo di nascita:", 120, 3000, 1380);
    Luogo = casella("Luogo", "Luogo di nascita", kColonna, 3000, larga, true);
    Label8 = etichetta("Label8", "Codice di base:", 120, 3420, 1380);
    CodBase = casella("CodBase", "Codice di base", kColonna, 3420, 2400, true);
    Label9 = etichetta("Label9", "Confronto:", 120, 3840, 1380);
    Confronto = casella("Confronto", "Confronto con cognome e nome", kColonna, 3840, larga, true);
    Label10 = etichetta("Label10", "Avviso:", 120, 4260, 1380);
    Avviso = casella("Avviso", "Avviso", kColonna, 4260, larga, true);

    Label1->setBuddy(CodFis);
    Label2->setBuddy(Cognome);
    Label3->setBuddy(Nome);
    for (OsenXPLabel *e : {Label8, Label9, Label10})
        e->hide();
    CodBase->hide();
    Confronto->hide();
    Avviso->hide();

    ordineTab({CodFis, Cognome, Nome,      Command1, CopiaBut, Esito,   Sesso,        DataN,
               Luogo,  CodBase, Confronto, Avviso,   Label1,   Label2,  Label3,       Label4,
               Label5, Label6,  Label7,    Label8,   Label9,   Label10, OsenXPForm1()});
}

OsenXPLabel *VerificaCF::etichetta(const char *nome, const char *testo, int sinistra, int alto, int larghezza)
{
    auto *e = crea<OsenXPLabel>(nome, sinistra, alto, larghezza, kRiga);
    e->setCaption(QString::fromUtf8(testo));
    e->setAccessibleName(QString::fromUtf8(testo).remove(u'&'));
    return e;
}

OsenXPTextBox *VerificaCF::casella(const char *nome, const char *nomeAccessibile, int sinistra, int alto, int larghezza,
                                   bool risultato)
{
    auto *t = crea<OsenXPTextBox>(nome, sinistra, alto, larghezza, kRiga);
    t->setAccessibleName(QString::fromUtf8(nomeAccessibile));
    t->setReadOnly(risultato);
    return t;
}

void VerificaCF::Form_Load()
{
    m_oggi = QDate::currentDate();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int errore = m_tabella.carica(Percorsi::fileProgramma(kFileCodici));
    m_indice.costruisci(m_tabella);
    QApplication::restoreOverrideCursor();
    if (errore == 0)
        return;
    Modulo1::MostraMessaggio(ErroriFile::messaggio(errore, kFileCodici), 48, QStringLiteral("Errore"));
    if (ErroriFile::chiudeFinestra(errore))
        Unload();
}

void VerificaCF::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

void VerificaCF::mostraRiga(OsenXPLabel *etichetta, OsenXPTextBox *casella, const QString &testo)
{
    casella->setText(testo);
    casella->setCursorPosition(0);
    if (etichetta == Label8 || etichetta == Label9 || etichetta == Label10) {
        etichetta->setVisible(!testo.isEmpty());
        casella->setVisible(!testo.isEmpty());
    }
}

void VerificaCF::Command1_Click()
{
    const Fiscale::Verifica v = Fiscale::verifica(CodFis->text(), &m_indice, m_oggi);
    mostraRiga(Label4, Esito, Fiscale::esito(v));
    mostraRiga(Label5, Sesso, Fiscale::testoSesso(v));
    mostraRiga(Label6, DataN, Fiscale::testoData(v));
    mostraRiga(Label7, Luogo, Fiscale::testoLuogo(v, m_tabella));
    mostraRiga(Label8, CodBase, v.omocodico() ? v.codiceBase() : QString());
    mostraRiga(Label9, Confronto, Fiscale::testoConfronto(Fiscale::confronta(v, Cognome->text(), Nome->text())));
    mostraRiga(Label10, Avviso, Fiscale::avvisoLuogo(v, m_tabella));
}

void VerificaCF::CopiaBut_Click()
{
    // The code without spaces, as one line with no line end; an empty box leaves the clipboard alone.
    const QString codice = Fiscale::testoNormalizzato(CodFis->text());
    if (codice.isEmpty()) {
        Modulo1::Beep();
        return;
    }
    QGuiApplication::clipboard()->setText(codice);
}

void VerificaCF::Text_KeyPress(int &KeyAscii)
{
    if (KeyAscii == 13) {
        Command1_Click();
        KeyAscii = 0;
    }
}
