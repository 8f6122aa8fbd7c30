// SPDX-License-Identifier: MIT
// Run-time helpers the game's arithmetic and dates rely on: floor, rounding
// half to even with an overflow check, checked 16- and 32-bit integers, and
// the date texts of the high-score table.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

namespace Runtime {

// The largest whole number not greater than x.
double Int(double x);

// x rounded to the nearest whole number, a tie going to the even neighbour.
// Throws RuntimeError(Overflow) when the result is outside the 32-bit range
// or x is not a number.
qint32 CLng(double x);

// Narrowing with the overflow check of 16- and 32-bit integer arithmetic:
// throws RuntimeError(Overflow) when `value` does not fit.
qint16 checked16(qint64 value);
qint32 checked32(qint64 value);

// The stored form of a date-time, "YYYY/MM/DD HH:MM" (seconds dropped).
QString storedDate(const QDateTime &when);

// Reads a stored date-time: "Y/M/D" optionally followed by "H:MM" or
// "H:MM:SS", with or without zero padding. Empty when the text is not a valid
// date-time.
std::optional<QDateTime> parseStoredDate(const QString &text);

// The general date-time rendering for `locale`: the short date, a blank and
// the time with seconds; only the date when the time is exactly midnight.
QString generalDate(const QDateTime &when, const QLocale &locale = QLocale());

} // namespace Runtime
