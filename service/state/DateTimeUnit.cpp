#include "DateTimeUnit.h"

#include <cmath>
#include <ctime>

namespace {

constexpr int64_t MsPerDay = 86400000;
// Day numbers of 0001-01-01 and 9999-12-31 in the service's count, the range
// every conversion accepts.
constexpr int64_t FirstDay = -693593;
constexpr int64_t LastDay = 2958465;

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int &year, int &month, int &day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

// 1899-12-30 is day 0 of the service's count.
constexpr int64_t DaysBefore1970 = 25569;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

bool ValidParts(int year, int month, int day, int hour, int minute, int second,
                int millisecond) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 59 && millisecond >= 0 &&
           millisecond <= 999;
}

void AppendNumber(std::string &out, int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<size_t>(width) - digits.size(), '0');
    out += digits;
}

bool StartsWithLetters(std::string_view text, size_t at, std::string_view letters) {
    if (text.size() - at < letters.size())
        return false;
    for (size_t i = 0; i < letters.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != letters[i])
            return false;
    }
    return true;
}

// A small reader over the text being converted.
struct TTextReader {
    std::string_view Text;
    size_t At = 0;

    bool AtEnd() const { return At == Text.size(); }
    bool Take(char c) {
        if (!AtEnd() && Text[At] == c) {
            ++At;
            return true;
        }
        return false;
    }
    // Reads minDigits to maxDigits decimal digits.
    bool Number(size_t minDigits, size_t maxDigits, int &value) {
        size_t count = 0;
        value = 0;
        while (!AtEnd() && count < maxDigits && Text[At] >= '0' && Text[At] <= '9') {
            value = value * 10 + (Text[At] - '0');
            ++At;
            ++count;
        }
        return count >= minDigits;
    }
    size_t SkipBlanks() {
        size_t start = At;
        while (!AtEnd() && (Text[At] == ' ' || Text[At] == '\t'))
            ++At;
        return At - start;
    }
};

[[noreturn]] void NotADateTime(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
}

} // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
    if (!ValidParts(year, month, day, hour, minute, second, millisecond))
        throw EConvertError("Invalid argument to date encode");
    const int64_t days = DaysFromCivil(year, month, day) + DaysBefore1970;
    const int64_t ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL + millisecond;
    const double fraction = static_cast<double>(ms) / static_cast<double>(MsPerDay);
    // Before 1899-12-30 the count is negative and the time of day still
    // counts forward from midnight: 1899-12-29 06:00 is -1.25.
    return days >= 0 ? static_cast<double>(days) + fraction
                     : static_cast<double>(days) - fraction;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
    if (!std::isfinite(value) || value <= static_cast<double>(FirstDay - 1) ||
        value >= static_cast<double>(LastDay + 1))
        throw EConvertError("Invalid date-time value");
    int64_t days = static_cast<int64_t>(std::trunc(value));
    int64_t ms = std::llround(std::fabs(value - static_cast<double>(days)) *
                              static_cast<double>(MsPerDay));
    if (ms >= MsPerDay) {
        // Rounded up to the next midnight: the next day, whatever the sign
        // of the count (the time of day runs forward before day 0 too).
        ms -= MsPerDay;
        ++days;
        if (days > LastDay)
            throw EConvertError("Invalid date-time value");
    }
    TDateTimeParts parts{};
    CivilFromDays(days - DaysBefore1970, parts.Year, parts.Month, parts.Day);
    parts.Hour = static_cast<int>(ms / 3600000);
    parts.Minute = static_cast<int>(ms / 60000 % 60);
    parts.Second = static_cast<int>(ms / 1000 % 60);
    parts.Millisecond = static_cast<int>(ms % 1000);
    return parts;
}

TDateTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    // Whole milliseconds, so that a stored time reads back as the same value.
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                          static_cast<int>(now.tv_nsec / 1000000));
}

TDateTime IncMinute(TDateTime value, int64_t minutes) {
    return value + static_cast<double>(minutes) / 1440.0;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
    const TDateTimeParts parts = DecodeDateTime(value);
    std::string out;
    out.reserve(pattern.size() + 8);
    for (size_t at = 0; at < pattern.size();) {
        if (StartsWithLetters(pattern, at, "yyyy")) {
            AppendNumber(out, parts.Year, 4);
            at += 4;
        } else if (StartsWithLetters(pattern, at, "yy")) {
            AppendNumber(out, parts.Year % 100, 2);
            at += 2;
        } else if (StartsWithLetters(pattern, at, "zzz")) {
            AppendNumber(out, parts.Millisecond, 3);
            at += 3;
        } else if (StartsWithLetters(pattern, at, "mm")) {
            AppendNumber(out, parts.Month, 2);
            at += 2;
        } else if (StartsWithLetters(pattern, at, "dd")) {
            AppendNumber(out, parts.Day, 2);
            at += 2;
        } else if (StartsWithLetters(pattern, at, "hh")) {
            AppendNumber(out, parts.Hour, 2);
            at += 2;
        } else if (StartsWithLetters(pattern, at, "nn")) {
            AppendNumber(out, parts.Minute, 2);
            at += 2;
        } else if (StartsWithLetters(pattern, at, "ss")) {
            AppendNumber(out, parts.Second, 2);
            at += 2;
        } else {
            out += pattern[at];
            ++at;
        }
    }
    return out;
}

TDateTime StrToDateTime(std::string_view text) {
    TTextReader reader{text};
    reader.SkipBlanks();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    if (!reader.Number(4, 4, year) || !reader.Take('-') || !reader.Number(1, 2, month) ||
        !reader.Take('-') || !reader.Number(1, 2, day))
        NotADateTime(text);
    const bool blank = reader.SkipBlanks() > 0;
    if (!reader.AtEnd()) {
        if (!blank || !reader.Number(1, 2, hour) || !reader.Take(':') ||
            !reader.Number(1, 2, minute))
            NotADateTime(text);
        if (reader.Take(':')) {
            if (!reader.Number(1, 2, second))
                NotADateTime(text);
            if (reader.Take('.')) {
                int digits = 0;
                size_t start = reader.At;
                if (!reader.Number(1, 3, digits))
                    NotADateTime(text);
                // ".5" is half a second, as written.
                for (size_t n = reader.At - start; n < 3; ++n)
                    digits *= 10;
                millisecond = digits;
            }
        }
        reader.SkipBlanks();
        if (!reader.AtEnd())
            NotADateTime(text);
    }
    if (!ValidParts(year, month, day, hour, minute, second, millisecond))
        NotADateTime(text);
    return EncodeDateTime(year, month, day, hour, minute, second, millisecond);
}
