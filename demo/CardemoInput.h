#pragma once
// How Cardemo reads the values typed into its window. Pure functions, tested on their own.

#include <QByteArray>
#include <QDate>
#include <QTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace cardemo {

// The number that the text's leading characters spell: an optional sign, digits, an optional
// fraction and exponent, with blanks, tabs and line feeds ignored wherever they stand.
// A text that does not begin with a number gives 0 ("12abc" gives 12, "" and "abc" give 0).
double NumericValue(const QString& text);

// The value rounded to the nearest integer (halves to the even one); nothing when the result
// does not fit a 32-bit signed integer.
std::optional<int32_t> NearestInt32(double value);

// The check-out time shown at start and by "恢复到默认值": the day after `today` at 14:00,
// as "yyyy/MM/dd 14:00".
QString DefaultCheckOutText(const QDate& today);

// A date and a time of day as typed, kept apart so that no time zone can shift them.
struct CheckOutTime {
    QDate date;
    QTime time;
};

// The check-out text read as a date and time: year/month/day with '/', '-' or '.' between,
// optionally followed by hours:minutes[:seconds]; a date alone means midnight. Nothing when
// the text is no valid date and time.
std::optional<CheckOutTime> ReadCheckOutTime(const QString& text);

// The years whose two-digit form names them unambiguously on the card.
inline constexpr int kFirstCheckOutYear = 2000;
inline constexpr int kLastCheckOutYear = 2099;

// The check-out time as the library takes it: "YYMMDDHHMM", ten characters.
QByteArray CheckOutCode(const CheckOutTime& checkOut);

// Characters, not UTF-16 code units: a lock number must be exactly six of them.
qsizetype CharacterCount(const QString& text);

} // namespace cardemo
