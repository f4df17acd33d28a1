#pragma once

#include <memory>

#include <QAbstractListModel>
#include <QListView>
#include <QVector>

#include "elencocomuni.h"
#include "formsportello.h"
#include "ricercacomune.h"

// The list's rows as a model over one list of texts: thousands of rows cost one shared list, not an item
// object each.
class ModelloComuni final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void imposta(QStringList voci);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_voci;
};

// The list of municipalities. It tells the user's picks (a click, the arrow keys and the other moves of the
// keyboard, Space or Return on a row) from the moves of the current row that nobody asked for, such as the
// first row that the list makes current when it takes the focus.
class ListaComuni final : public QListView
{
    Q_OBJECT

public:
    explicit ListaComuni(QWidget *parent = nullptr);

    void impostaVoci(QStringList voci);
    void clear() { impostaVoci({}); }
    int count() const { return m_modello.rowCount(); }
    // The current row, -1 for none; setCurrentRow selects it alone.
    int currentRow() const;
    void setCurrentRow(int riga);
    QRect rettangoloRiga(int riga) const { return visualRect(m_modello.index(riga)); }

signals:
    void scelta();   // the user picked the current row
    void attivata(); // Return or Enter on it: picked and confirmed, as a double-click

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    ModelloComuni m_modello;
    bool m_utente = false;
};

// The municipality directory window: the list read from codes.dat, the search by name, the details of the
// municipality found and the map with its region marked.
class Comuni final : public FormSportello
{
    Q_OBJECT

public:
    Comuni();

    void Form_Load() override;
    void Form_Activate() override;
    void caricacomuni();
    void Command1_Click();
    void Command2_Click();
    void Localita_KeyPress(int &KeyAscii);
    void List1_Click();
    void List1_DblClick();

    OsenXPLabel *Label1;
    OsenXPTextBox *Localita;
    ListaComuni *List1;
    OsenXPButton *Command1;
    OsenXPButton *Command2;
    OsenXPLabel *Label2;
    OsenXPTextBox *Codice;
    OsenXPLabel *Label7;
    OsenXPTextBox *Text1;
    OsenXPLabel *Label3;
    OsenXPTextBox *Text4;
    OsenXPLabel *M;
    OsenXPTextBox *Text2;
    OsenXPLabel *Label4;
    OsenXPTextBox *Text3;
    // The map pictures, indexes 1 to 21 as the control array (element 0 is unused); objects named
    // "Italia1" to "Italia21", each with the property "Index".
    QVector<OsenXPPicture *> Italia;

private:
    void mostraSoloFigura(int figura);
    int cercaComune();
    int cercaTollerante();
    // The list's current row, scrolled into view.
    void mostraRiga(int posizione);
    void mostraInElenco(int posizione);

    ElencoComuni::Elenco m_elenco;
    // The row last picked in the list, while Localita still holds its name as the pick wrote it: the
    // search then shows that row, the second of two same-named municipalities too. -1 otherwise.
    int m_rigaScelta = -1;
    // The name with its namesakes, the provinces of any time and the former names.
    std::unique_ptr<ElencoComuni::RicercaComune> m_ricerca;
    // After the exact search: postal codes and names as people write them.
    ElencoComuni::RicercaTollerante m_tollerante;
    QString m_capCercato; // the postal code the last search found by, for the Cap box
};
