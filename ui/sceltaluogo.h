#pragma once

#include <QStringList>

class QWidget;

// The choice offered when what the user typed names several places: a small modal window with the
// question ("Forse cercavi:") above the list of places, picked with the arrow keys and Return or a double
// click (Esc or Annulla: none). The list is named after the question for screen readers.
namespace SceltaLuogo {

// The position chosen in `voci`, or -1 when the user chose none.
int scegli(QWidget *proprietario, const QString &domanda, const QStringList &voci);

} // namespace SceltaLuogo
