#pragma once

#include <optional>

#include <QDate>
#include <QLocale>
#include <QString>

namespace Fiscale {

// The one recognition of a typed date, used both to check the date of birth and to convert it. Under the
// regional settings `locale` it accepts:
// - two or three parts, separated by "/", "-", "." or spaces (spaces may also surround the other three);
// - the parts in the order of the locale's short date format: day, month, year under Italian settings
//   ("25/12/1970", "25-12-70", "25.12.1970", "25 12 1970");
// - day and month as numbers of one or two digits; the month may instead be a month name of the locale,
//   full or abbreviated, in any case ("1 gennaio 1980", "1-GEN-80"), and the other parts keep their order;
// - the year with one or two digits (0-29 give 2000-2029, 30-99 give 1930-1999) or three or four
//   (100 to 9999);
// - without the year (two parts, day and month) the year of `oggi`;
// - only days that exist: 31/04/1990 and 29/02/1981 are not dates.
// Spaces before and after are ignored; nothing else is a date (no time of day, no other characters).
std::optional<QDate> riconosciData(const QString &testo, const QLocale &locale = QLocale(),
                                   const QDate &oggi = QDate::currentDate());

} // namespace Fiscale
