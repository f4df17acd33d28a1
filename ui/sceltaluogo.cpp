#include "sceltaluogo.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "modulo1.h"

namespace SceltaLuogo {

int scegli(QWidget *proprietario, const QString &domanda, const QStringList &voci)
{
    if (voci.isEmpty())
        return -1;
    QDialog finestra(proprietario);
    finestra.setObjectName(QStringLiteral("SceltaLuogo"));
    finestra.setWindowTitle(proprietario ? proprietario->windowTitle() : domanda);
    // A border of its own, where no window manager draws one around it.
    finestra.setStyleSheet(QStringLiteral("QDialog#SceltaLuogo { border: 1px solid #0a246a; }"));
    auto *strato = new QVBoxLayout(&finestra);
    auto *etichetta = new QLabel(domanda, &finestra);
    etichetta->setObjectName(QStringLiteral("Domanda"));
    auto *lista = new QListWidget(&finestra);
    lista->setObjectName(QStringLiteral("Luoghi"));
    lista->addItems(voci);
    lista->setCurrentRow(0);
    QString nome = domanda;
    while (nome.endsWith(u':') || nome.endsWith(u' '))
        nome.chop(1);
    lista->setAccessibleName(nome);
    etichetta->setBuddy(lista);
    // As many rows as there are places, up to eight (a longer list scrolls), the widest one whole, and room
    // around each row for the accents of capitals (PATERNÒ).
    lista->setSpacing(1);
    const int righe = static_cast<int>(qMin<qsizetype>(voci.size(), 8));
    lista->setFixedHeight((lista->sizeHintForRow(0) + 2) * righe + 2 * lista->frameWidth() + 2);
    lista->setMinimumWidth(qMax(lista->sizeHintForColumn(0) + 2 * lista->frameWidth() + 24, 260));
    auto *pulsanti = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &finestra);
    pulsanti->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Ok"));
    pulsanti->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QObject::connect(pulsanti, &QDialogButtonBox::accepted, &finestra, &QDialog::accept);
    QObject::connect(pulsanti, &QDialogButtonBox::rejected, &finestra, &QDialog::reject);
    QObject::connect(lista, &QListWidget::itemActivated, &finestra, &QDialog::accept);
    strato->addWidget(etichetta);
    strato->addWidget(lista);
    strato->addWidget(pulsanti);
    lista->setFocus();
    const Modulo1::RitornoTastiera ritorno;
    if (finestra.exec() != QDialog::Accepted)
        return -1;
    return lista->currentRow();
}

} // namespace SceltaLuogo
