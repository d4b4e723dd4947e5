#include "CardemoInput.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <string>

namespace cardemo {
namespace {

bool IsIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double NumericValue(const QString& text)
{
    // Gather the characters of the leading number, blanks dropped, and let strtod value them.
    std::string number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && IsIgnoredBlank(text[i]))
            ++i;
    };
    auto takeDigits = [&] {
        qsizetype taken = 0;
        for (skipBlanks(); i < n && IsDigit(text[i]); skipBlanks()) {
            number += static_cast<char>(text[i].unicode());
            ++i;
            ++taken;
        }
        return taken;
    };

    skipBlanks();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        number += static_cast<char>(text[i].unicode());
        ++i;
    }
    qsizetype digits = takeDigits();
    if (i < n && text[i] == u'.') {
        number += '.';
        ++i;
        digits += takeDigits();
    }
    if (digits == 0)
        return 0.0;

    // An exponent counts only when digits follow it: "12e" is 12, "12e3" is 12000.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        const qsizetype mark = i;
        std::string exponent = "e";
        ++i;
        skipBlanks();
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            exponent += static_cast<char>(text[i].unicode());
            ++i;
        }
        const std::string mantissa = number;
        number += exponent;
        if (takeDigits() == 0) {
            number = mantissa;
            i = mark;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

std::optional<int32_t> NearestInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding: halves to even
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

QString DefaultCheckOutText(const QDate& today)
{
    return today.addDays(1).toString(u"yyyy/MM/dd") + QStringLiteral(" 14:00");
}

std::optional<CheckOutTime> ReadCheckOutTime(const QString& text)
{
    static const QRegularExpression pattern(
        uR"(^\s*(\d{4})[/.-](\d{1,2})[/.-](\d{1,2})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"_qs);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return CheckOutTime{date, time};
}

QByteArray CheckOutCode(const CheckOutTime& checkOut)
{
    return (checkOut.date.toString(u"yyMMdd") + checkOut.time.toString(u"HHmm")).toLatin1();
}

qsizetype CharacterCount(const QString& text)
{
    return text.toUcs4().size();
}

} // namespace cardemo
