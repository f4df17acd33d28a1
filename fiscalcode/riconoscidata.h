#pragma once

#include <optional>

#include <QByteArrayView>
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

// How the numbers of a date in a table column are read: day first, month first (sheets exported under
// English settings), or, in a column that has dates fitting only one order and dates fitting only the
// other, each date in the only order it fits (a date that fits both is not read).
enum class OrdineData { GiornoMese, MeseGiorno, Contraddittorio };

// The orders in which a date of numbers ("07/04/1968", "15-03-75", with a time after it) reads as a date,
// when they give different days: kGiornoPrima, kMesePrima or both; 0 for any other text.
constexpr unsigned kGiornoPrima = 1, kMesePrima = 2;
unsigned ordiniPossibili(QByteArrayView testo);

// Where the text of a date comes from: a text file or the command line, where a number alone may be a
// spreadsheet's day number, or a sheet's cell that is not a date cell, where it never is (the sheet would
// have shown it as a date).
enum class OrigineData { Testo, Foglio };

// A date of a table cell: what riconosciData accepts (in `ordine`), and the forms spreadsheets write: a
// time after the date ("1980-01-01 00:00:00", "01/01/1980 0.00"), year first ("1980-01-31"), month names in
// Italian or English ("15 marzo 1975", "March 15, 1975", "15-Mar-1975"); from a text, the day number of
// spreadsheets when it gives a day from 1900 to `oggi` (29221 is 1 January 1980, with or without a fraction
// of a day; but not four digits alone from 1800 to 2200, a year typed without day and month). Digits alone
// that are no such day number are the date without separators, its leading zero perhaps lost by a sheet:
// 6 or 8 digits ("150375", "01011980"), 5 or 7 with the zero put back ("10180", "1011980" is 01/01/1980).
std::optional<QDate> leggiDataTabella(const QString &testo, OrdineData ordine = OrdineData::GiornoMese,
                                      const QDate &oggi = QDate::currentDate(),
                                      OrigineData origine = OrigineData::Testo);

// The common case of leggiDataTabella on a table's bytes, for tables of many rows: "d/m/yyyy" with one or two
// digits for day and month, a four-digit year from 100, and "/", "-" or "." between the parts, read in
// `ordine`. False for any other text, for a day that does not exist (leggiDataTabella says why), and, in a
// column of both orders, for a date that fits both.
bool dataSemplice(QByteArrayView testo, OrdineData ordine, int &giorno, int &mese, int &anno);

} // namespace Fiscale
