#pragma once

#include <QString>
#include <QStringList>

// The international dialling prefixes, as dialled from Italy, of 222 countries and territories.
namespace Prefissi {

// Every entry is the country's name padded with spaces to this width, then its prefix.
constexpr int kLarghezzaNome = 21;

// The entries in the order of the list: "Albania              00355", ..., "Zimbabwe             00263".
QStringList voci();

// The prefix of an entry: everything after the name's column.
QString prefisso(const QString &voce);

// The sentence that shows a prefix.
QString frase(const QString &prefisso);

} // namespace Prefissi
