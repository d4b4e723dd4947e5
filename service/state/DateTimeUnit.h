// Date-times as the service keeps them: local time as days since 1899-12-30,
// the time of day as the fraction; 0 means "no time stored".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

using TDateTime = double;

// A text that does not read as a date and time.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TDateTimeParts {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};

TDateTime Now();
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0, int millisecond = 0);
TDateTimeParts DecodeDateTime(TDateTime value);
// value + minutes / 1440 days.
TDateTime IncMinute(TDateTime value, int64_t minutes);

// Pattern letters, in either case: yyyy, yy, mm (month), dd, hh (00-23),
// nn (minute), ss, zzz (milliseconds); everything else is copied.
// "yyyy-mm-dd hh:nn:ss", "yymmdd", "hhnn", "yyyymmdd".
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Reads a date and time with the service's fixed settings: "yyyy-MM-dd",
// optionally a blank and "hh:mm" or "hh:mm:ss" (then ".zzz" allowed);
// one-digit month, day, hour, minute and second too; blanks around the text
// are ignored. A date is required. Throws EConvertError.
TDateTime StrToDateTime(std::string_view text);
