// Date-times: days since 1899-12-30, formatting and reading.
#include <cmath>
#include <ctime>
#include <iomanip>
#include <random>

#include <gtest/gtest.h>

#include "DateTimeUnit.h"

namespace {

struct TEncodeCase {
    TDateTimeParts Parts;
    double Value;
};

const TEncodeCase EncodeCases[] = {
    {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
    {{1899, 12, 31, 0, 0, 0, 0}, 1.0},
    {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
    {{1899, 12, 30, 12, 0, 0, 0}, 0.5},
    {{1899, 12, 30, 6, 0, 0, 0}, 0.25},
    {{1899, 12, 29, 6, 0, 0, 0}, -1.25}, // before day 0 the time still counts forward
    {{2008, 6, 20, 18, 0, 0, 0}, 39619.75},
    {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},
    {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
    {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
};

TEST(DateTime, EncodeAndDecode) {
    for (const TEncodeCase &c : EncodeCases) {
        const TDateTimeParts &p = c.Parts;
        SCOPED_TRACE(testing::Message() << p.Year << "-" << p.Month << "-" << p.Day << " "
                                        << p.Hour << ":" << p.Minute);
        EXPECT_EQ(EncodeDateTime(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second,
                                 p.Millisecond),
                  c.Value);
        const TDateTimeParts back = DecodeDateTime(c.Value);
        EXPECT_EQ(back.Year, p.Year);
        EXPECT_EQ(back.Month, p.Month);
        EXPECT_EQ(back.Day, p.Day);
        EXPECT_EQ(back.Hour, p.Hour);
        EXPECT_EQ(back.Minute, p.Minute);
    }
}

TEST(DateTime, RoundTripsToTheMillisecond) {
    std::mt19937 random(20081105);
    std::uniform_int_distribution<int> year(1, 9999), month(1, 12), day(1, 28), hour(0, 23),
        minute(0, 59), second(0, 59), ms(0, 999);
    for (int i = 0; i < 20000; ++i) {
        const TDateTimeParts p{year(random), month(random), day(random), hour(random),
                               minute(random), second(random), ms(random)};
        const TDateTime value =
            EncodeDateTime(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond);
        const TDateTimeParts back = DecodeDateTime(value);
        ASSERT_TRUE(back.Year == p.Year && back.Month == p.Month && back.Day == p.Day &&
                    back.Hour == p.Hour && back.Minute == p.Minute && back.Second == p.Second &&
                    back.Millisecond == p.Millisecond)
            << FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value) << " from " << p.Year << "-"
            << p.Month << "-" << p.Day << " " << p.Hour << ":" << p.Minute << ":" << p.Second
            << "." << p.Millisecond;
        const std::string text = FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value);
        ASSERT_EQ(StrToDateTime(text), value) << text;
    }
}

TEST(DateTime, DecodeRoundsToTheNearestMillisecond) {
    // A time of day that rounds up to midnight moves on to the next day, also
    // before 1899-12-30, where the count is negative but the time of day
    // still runs forward.
    const struct {
        TDateTime Value;
        const char *Expected;
    } cases[] = {
        {EncodeDateTime(2008, 6, 20) + 1.0 - 1e-10, "2008-06-21 00:00:00.000"},
        {EncodeDateTime(2008, 6, 20, 12) + 0.4 / 86400000, "2008-06-20 12:00:00.000"},
        {EncodeDateTime(2008, 6, 20, 12) + 0.6 / 86400000, "2008-06-20 12:00:00.001"},
        {1.0 - 1e-10, "1899-12-31 00:00:00.000"},
        {-(1.0 - 1e-10), "1899-12-31 00:00:00.000"},   // day 0, 23:59:59.99999
        {-(2.0 - 1e-10), "1899-12-30 00:00:00.000"},   // day -1, 23:59:59.99999
        {-(1001.0 - 1e-10), "1897-04-05 00:00:00.000"}, // day -1000
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.Value);
        EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", c.Value), c.Expected);
    }
}

TEST(DateTime, InvalidPartsAndValuesRefused) {
    EXPECT_THROW(EncodeDateTime(2008, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDateTime(2007, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDateTime(2008, 1, 1, 24), EConvertError);
    EXPECT_THROW(EncodeDateTime(0, 1, 1), EConvertError);
    EXPECT_THROW(DecodeDateTime(NAN), EConvertError);
    EXPECT_THROW(DecodeDateTime(1e300), EConvertError);
    EXPECT_THROW(DecodeDateTime(2958466.0), EConvertError);
    // The last millisecond of 9999-12-31 rounded up would be year 10000.
    EXPECT_THROW(DecodeDateTime(2958466.0 - 2e-9), EConvertError);
}

struct TFormatCase {
    const char *Pattern;
    const char *Expected;
};

TEST(DateTime, FormatPatterns) {
    const TDateTime value = EncodeDateTime(2008, 6, 2, 9, 5, 7, 45);
    const TFormatCase cases[] = {
        {"yyyy-mm-dd hh:nn:ss", "2008-06-02 09:05:07"},
        {"yyyy-mm-dd hh:nn:ss ", "2008-06-02 09:05:07 "},
        {"YYYY-MM-DD HH:NN:SS", "2008-06-02 09:05:07"},
        {"yymmdd", "080602"},
        {"hhnn", "0905"},
        {"yyyymmdd", "20080602"},
        {"yyyy-mm-dd hh:nn:ss.zzz", "2008-06-02 09:05:07.045"},
        {"[yy] at hh", "[08] at 09"},
        {"", ""},
    };
    for (const TFormatCase &c : cases) {
        SCOPED_TRACE(c.Pattern);
        EXPECT_EQ(FormatDateTime(c.Pattern, value), c.Expected);
    }
    EXPECT_EQ(FormatDateTime("yymmddhhnn", EncodeDateTime(2015, 12, 31, 23, 59)), "1512312359");
}

struct TParseCase {
    const char *Text;
    const char *Expected; // formatted "yyyy-mm-dd hh:nn:ss.zzz"
};

const TParseCase ParseCases[] = {
    {"2008-06-20", "2008-06-20 00:00:00.000"},
    {"2008-06-20 14:30", "2008-06-20 14:30:00.000"},
    {"2008-06-20 14:30:05", "2008-06-20 14:30:05.000"},
    {"2008-6-2 9:05:07", "2008-06-02 09:05:07.000"},
    {"  2008-06-20   14:30:00  ", "2008-06-20 14:30:00.000"},
    {"2008-06-20 14:30:00.123", "2008-06-20 14:30:00.123"},
    {"2008-06-20 14:30:00.5", "2008-06-20 14:30:00.500"},
    {"2000-02-29 23:59:59", "2000-02-29 23:59:59.000"},
    {"1899-12-30 00:00:00", "1899-12-30 00:00:00.000"},
    {"0001-01-01", "0001-01-01 00:00:00.000"},
};

TEST(DateTime, ReadsDatesAndTimes) {
    for (const TParseCase &c : ParseCases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", StrToDateTime(c.Text)), c.Expected);
    }
}

const char *const NotDateTimes[] = {
    "",
    "   ",
    "abc",
    "2008-13-01",
    "2008-00-10",
    "2008-02-30",
    "2007-02-29",
    "2008-06-00",
    "2008-06-20 24:00:00",
    "2008-06-20 12:60",
    "2008-06-20 12:00:60",
    "2008/06/20",
    "20080620",
    "2008-06-20T14:30:00",
    "14:30:00",
    "2008-06-20 14",
    "2008-06-20 14:",
    "2008-06-20 14:30:",
    "2008-06-20 14:30:00 x",
    "2008-06-20 14:30:00.1234",
    "08-06-20",
    "0000-01-01",
    "2008-06-20 -1:00",
    "2008-006-20",
    "2008-06-20 14:30:00\n",
};

TEST(DateTime, RefusesTextThatIsNoDateTime) {
    for (const char *text : NotDateTimes) {
        SCOPED_TRACE(std::string("\"") + text + "\"");
        try {
            StrToDateTime(text);
            ADD_FAILURE() << "read as a date";
        } catch (const EConvertError &error) {
            EXPECT_EQ(std::string(error.what()),
                      "'" + std::string(text) + "' is not a valid date and time");
        }
    }
}

TEST(DateTime, IncMinute) {
    const TDateTime start = EncodeDateTime(2008, 6, 20, 14, 30);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", IncMinute(start, -30)), "2008-06-20 14:00:00");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", IncMinute(start, 600)), "2008-06-21 00:30:00");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", IncMinute(start, -2 * 1440)),
              "2008-06-18 14:30:00");
    EXPECT_EQ(IncMinute(start, 0), start);
}

TEST(DateTime, NowIsLocalTimeInWholeMilliseconds) {
    const std::time_t before = std::time(nullptr);
    const TDateTime now = Now();
    const std::time_t after = std::time(nullptr);
    std::tm local{};
    char text[32];
    localtime_r(&before, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    const std::string low = text;
    localtime_r(&after, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    const std::string high = text;
    const std::string formatted = FormatDateTime("yyyy-mm-dd hh:nn:ss", now);
    EXPECT_GE(formatted, low);
    EXPECT_LE(formatted, high);
    EXPECT_EQ(StrToDateTime(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", now)), now);
}

} // namespace
