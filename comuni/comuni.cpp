#include "comuni.h"

#include <QApplication>
#include <QKeyEvent>

#include "errorifile.h"
#include "modulo1.h"
#include "percorsi.h"
#include "sceltaluogo.h"

namespace {

// The wait cursor for the time of the load, back to normal however the load ends.
class CursoreAttesa final
{
public:
    CursoreAttesa() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursoreAttesa() { QApplication::restoreOverrideCursor(); }
    CursoreAttesa(const CursoreAttesa &) = delete;
    CursoreAttesa &operator=(const CursoreAttesa &) = delete;
};

// The regions as the map pictures 2 to 21 show them, for the pictures' names.
constexpr const char *kNomiRegioni[ElencoComuni::kFigure - 1] = {
    "Abruzzo",
    "Calabria",
    "Campania",
    "Emilia-Romagna",
    "Friuli-Venezia Giulia",
    "Basilicata",
    "Lazio",
    "Liguria",
    "Lombardia",
    "Marche",
    "Molise",
    "Piemonte",
    "Puglia",
    "Sardegna",
    "Sicilia",
    "Toscana",
    "Trentino-Alto Adige",
    "Umbria",
    "Valle d'Aosta",
    "Veneto",
};

} // namespace

void ModelloComuni::imposta(QStringList voci)
{
    beginResetModel();
    m_voci = std::move(voci);
    endResetModel();
}

int ModelloComuni::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_voci.size());
}

QVariant ModelloComuni::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    return m_voci[index.row()];
}

ListaComuni::ListaComuni(QWidget *parent)
    : QListView(parent)
{
    setModel(&m_modello);
}

void ListaComuni::impostaVoci(QStringList voci)
{
    m_modello.imposta(std::move(voci));
}

int ListaComuni::currentRow() const
{
    const QModelIndex corrente = currentIndex();
    return corrente.isValid() ? corrente.row() : -1;
}

void ListaComuni::setCurrentRow(int riga)
{
    selectionModel()->setCurrentIndex(m_modello.index(riga), QItemSelectionModel::ClearAndSelect);
}

void ListaComuni::keyPressEvent(QKeyEvent *event)
{
    m_utente = true;
    const int tasto = event->key();
    const bool invio = tasto == Qt::Key_Return || tasto == Qt::Key_Enter;
    if ((invio || tasto == Qt::Key_Space) && currentIndex().isValid()) {
        selectionModel()->setCurrentIndex(currentIndex(), QItemSelectionModel::ClearAndSelect);
        m_utente = false;
        emit scelta();
        if (invio)
            emit attivata();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
    m_utente = false;
}

// Dragging with the button held moves the selection: a pick too. A plain click is itemClicked.
void ListaComuni::mouseMoveEvent(QMouseEvent *event)
{
    m_utente = true;
    QListView::mouseMoveEvent(event);
    m_utente = false;
}

void ListaComuni::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    if (m_utente && current.isValid())
        emit scelta();
}

Comuni::Comuni()
    : FormSportello(QStringLiteral("Comuni"), 7575, 5265)
{
    Label1 = crea<OsenXPLabel>("Label1", 120, 720, 735, 285);
    Label1->setCaption(QStringLiteral("Località:"));
    Localita = crea<OsenXPTextBox>("Localita", 960, 720, 3255, 285);
    Localita->setToolTip(QStringLiteral("Digitare il nome o il CAP del comune interessato"));

    List1 = crea<ListaComuni>("List1", 120, 1200, 4095, 1815);
    List1->setAccessibleName(QStringLiteral("Elenco dei comuni"));
    List1->setFont(Aspetto::tahoma());
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setUniformItemSizes(true);

    Command1 = crea<OsenXPButton>("Command1", 1080, 3240, 735, 495);
    Command1->setText(QStringLiteral("Ok"));
    Command1->setToolTip(QStringLiteral("Avvia la ricerca"));
    Command2 = crea<OsenXPButton>("Command2", 2400, 3240, 855, 495);
    Command2->setText(QStringLiteral("Reset"));
    Command2->setToolTip(QStringLiteral("Azzera tutte le caselle"));

    const auto etichetta = [this](const char *nome, const char *testo, int l, int t, int w) {
        auto *label = crea<OsenXPLabel>(nome, l, t, w, 285);
        label->setCaption(QString::fromUtf8(testo));
        return label;
    };
    const auto casella = [this](const char *nome, OsenXPLabel *didascalia, int l, int t, int w) {
        auto *box = crea<OsenXPTextBox>(nome, l, t, w, 285);
        box->setEnabled(false); // display only
        didascalia->setBuddy(box);
        return box;
    };
    Label1->setBuddy(Localita);
    Label2 = etichetta("Label2", "Cap:", 240, 3960, 465);
    Codice = casella("Codice", Label2, 720, 3960, 615);
    Label7 = etichetta("Label7", "Provincia:", 1440, 3960, 840);
    Text1 = casella("Text1", Label7, 2280, 3960, 495);
    Label3 = etichetta("Label3", "Prefisso:", 2760, 3960, 735);
    Text4 = casella("Text4", Label3, 3480, 3960, 495);
    M = etichetta("M", "Provincia di:", 240, 4440, 1005);
    Text2 = casella("Text2", M, 1320, 4440, 2655);
    Label4 = etichetta("Label4", "Regione:", 240, 4800, 780);
    Text3 = casella("Text3", Label4, 1320, 4800, 2655);

    Italia.resize(ElencoComuni::kFigure + 1);
    for (int i = 1; i <= ElencoComuni::kFigure; ++i) {
        auto *figura = new OsenXPPicture(this);
        figura->setObjectName(QStringLiteral("Italia%1").arg(i));
        figura->setProperty("Index", i);
        figura->setGeometry(Twips::rettangolo(4440, 720, 2940, 3345));
        figura->setPictureRisorsa(QStringLiteral(":/comuni/maps/italia%1.png").arg(i, 2, 10, QLatin1Char('0')));
        figura->setAccessibleName(i == 1 ? QStringLiteral("Mappa dell'Italia")
                                         : QStringLiteral("Mappa: ") + QString::fromUtf8(kNomiRegioni[i - 2]));
        Italia[i] = figura;
    }

    m_ricerca = std::make_unique<ElencoComuni::RicercaComune>(m_elenco);
    connect(Command1, &QPushButton::clicked, this, &Comuni::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Comuni::Command2_Click);
    Localita->setKeyPress([this](int &KeyAscii) { Localita_KeyPress(KeyAscii); });
    // Only the user's picks copy the name: a click (on the item already selected too), the keyboard.
    connect(List1, &ListaComuni::scelta, this, &Comuni::List1_Click);
    connect(List1, &QAbstractItemView::clicked, this, &Comuni::List1_Click);
    connect(List1, &ListaComuni::attivata, this, &Comuni::List1_DblClick);
    connect(List1, &QAbstractItemView::doubleClicked, this, &Comuni::List1_DblClick);
    // Typing in Localita ends the pick: the search goes by the name typed.
    connect(Localita, &QLineEdit::textEdited, this, [this] { m_rigaScelta = -1; });

    QList<QWidget *> ordine{Localita, List1, Command1, Command2, Codice, Label2, Label7,
                            Text1,    Text2, Text3,    Text4,    Label3, M,      Label4};
    for (int i = 1; i <= ElencoComuni::kFigure; ++i)
        ordine.append(Italia[i]);
    ordine.append(Label1);
    ordine.append(OsenXPForm1());
    for (int i = 1; i < ordine.size(); ++i)
        QWidget::setTabOrder(ordine[i - 1], ordine[i]);
}

void Comuni::mostraSoloFigura(int figura)
{
    for (int i = 1; i <= ElencoComuni::kFigure; ++i)
        Italia[i]->setVisible(false);
    if (figura >= 1 && figura <= ElencoComuni::kFigure)
        Italia[figura]->setVisible(true);
}

void Comuni::Form_Load()
{
    mostraSoloFigura(1);
    caricacomuni();
}

void Comuni::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

void Comuni::caricacomuni()
{
    int errore = 0;
    {
        CursoreAttesa attesa;
        List1->clear();
        ElencoComuni::Caricamento caricamento =
            ElencoComuni::caricacomuni(Percorsi::fileProgramma(QStringLiteral("codes.dat")));
        m_elenco = std::move(caricamento.elenco);
        m_ricerca = std::make_unique<ElencoComuni::RicercaComune>(m_elenco);
        m_tollerante = ElencoComuni::RicercaTollerante(Percorsi::fileProgramma(QStringLiteral("luoghi.dat")));
        errore = caricamento.errore;
        List1->impostaVoci(ElencoComuni::voci(m_elenco));
    }
    // The pointer is normal again before the message, so that the box does not show the wait cursor.
    if (errore == 0)
        return;
    Modulo1::MostraMessaggio(ErroriFile::messaggio(errore, QStringLiteral("codes.dat")), 48, QStringLiteral("Errore"));
    if (ErroriFile::chiudeFinestra(errore))
        Unload();
}

void Comuni::Command1_Click()
{
    int posizione = m_rigaScelta;
    if (posizione < 0) {
        const ElencoComuni::Ricerca ricerca = ElencoComuni::cerca(m_elenco, Localita->text());
        if (ricerca.esito == ElencoComuni::Esito::Niente)
            return;
        posizione = cercaComune();
        if (posizione < 0)
            return;
    }
    const ElencoComuni::Dettagli d = ElencoComuni::dettagli(m_elenco, posizione);
    // Found by one of its postal codes: that code, rather than the one the directory gives.
    Codice->setText(m_capCercato.isEmpty() ? d.cap : m_capCercato);
    m_capCercato.clear();
    Text1->setText(d.sigla);
    Text2->setText(m_ricerca->provincia(posizione));
    Text3->setText(d.regione);
    Text4->setText(d.prefisso);
    mostraSoloFigura(ElencoComuni::figuraRegione(Text3->text()));
}

// The name as written: one municipality; namesakes (or the name in another province than the one typed)
// offered to choose from; a former name shown as today's municipality, with what became of the name. Else
// the search as people write it. -1 when none is found or chosen.
int Comuni::cercaComune()
{
    using Esito = ElencoComuni::RicercaComune::Risposta::Esito;
    const ElencoComuni::RicercaComune::Risposta r = m_ricerca->cerca(Localita->text());
    if (r.esito == Esito::NonTrovato)
        return cercaTollerante();
    int posizione = r.posizione;
    if (r.esito != Esito::Trovato) {
        QStringList voci;
        for (int p : r.scelte)
            voci.append(m_elenco.nomi[p] + QStringLiteral(" (") + m_elenco.elencosigle[p] + u')');
        const int n = SceltaLuogo::scegli(this, r.domanda, voci);
        if (n < 0)
            return -1;
        posizione = r.scelte[static_cast<size_t>(n)];
        mostraInElenco(posizione);
    } else if (!r.avviso.isEmpty()) {
        mostraInElenco(posizione);
        Modulo1::MostraMessaggio(r.avviso, 64, QStringLiteral("Comuni"));
    } else {
        mostraRiga(posizione);
    }
    return posizione;
}

// The municipality found by another text than its name: its name in Localita, its row shown.
void Comuni::mostraInElenco(int posizione)
{
    Localita->setText(ElencoComuni::togliSpazi(m_elenco.nomi[posizione]));
    mostraRiga(posizione);
}

void Comuni::mostraRiga(int posizione)
{
    List1->setCurrentRow(posizione);
    List1->scrollTo(List1->currentIndex());
}

// After the exact search: a postal code, or the name as people or clerks write it. One municipality is shown
// with its name in Localita; several are offered to choose from, and so are the names one or two letters
// off, even one alone. -1 when none is found or chosen.
int Comuni::cercaTollerante()
{
    const QString testo = Localita->text();
    std::vector<int> trovati = m_tollerante.cerca(m_elenco, testo);
    const bool proposte = trovati.empty();
    if (proposte)
        trovati = m_tollerante.proposte(m_elenco, testo);
    if (trovati.empty()) {
        Modulo1::MostraMessaggio(QStringLiteral("Comune non trovato"), 48, QStringLiteral("Errore"));
        return -1;
    }
    size_t scelta = 0;
    if (trovati.size() > 1 || proposte) {
        QStringList voci;
        for (int p : trovati)
            voci.append(m_elenco.nomi[p] + QStringLiteral(" (") + m_elenco.elencosigle[p] + u')');
        const int n = SceltaLuogo::scegli(this,
                                          Luoghi::eCap(testo.trimmed()) ? QStringLiteral("Comuni con questo CAP:")
                                                                        : QStringLiteral("Forse cercavi:"),
                                          voci);
        if (n < 0)
            return -1;
        scelta = static_cast<size_t>(n);
    }
    const int posizione = trovati[scelta];
    if (Luoghi::eCap(testo.trimmed()))
        m_capCercato = testo.trimmed();
    mostraInElenco(posizione);
    return posizione;
}

void Comuni::Command2_Click()
{
    for (OsenXPTextBox *box : {Codice, Text1, Text2, Text3, Text4})
        box->clear();
    if (List1->count() > 0) {
        List1->setCurrentRow(0);
        List1->scrollToTop();
    }
    Localita->clear();
    m_rigaScelta = -1;
    mostraSoloFigura(1);
}

// cppcheck-suppress constParameter ; the key-press handlers share one signature, which may change the key
void Comuni::Localita_KeyPress(int &KeyAscii)
{
    if (KeyAscii == 13)
        Command1_Click();
}

// The name of the row picked, without the province that tells same-named municipalities apart.
void Comuni::List1_Click()
{
    const int riga = List1->currentRow();
    if (riga < 0 || riga >= m_elenco.nomi.size())
        return;
    Localita->setText(ElencoComuni::togliSpazi(m_elenco.nomi[riga]));
    m_rigaScelta = riga;
}

void Comuni::List1_DblClick()
{
    Command1_Click();
}
