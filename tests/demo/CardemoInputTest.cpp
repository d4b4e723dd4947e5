// How Cardemo reads the hotel id, card number, guest generation and check-out time typed
// into its window.

#include "CardemoInput.h"

#include <QTest>

#include <limits>

using namespace cardemo;

Q_DECLARE_METATYPE(std::optional<int32_t>)

class CardemoInputTest : public QObject {
    Q_OBJECT
private slots:
    void NumericValueOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "1343" << 1343.0;
        QTest::newRow("trailing letters") << "12abc" << 12.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters first") << "abc12" << 0.0;
        QTest::newRow("leading blanks, tab and line feed") << " \t\n42" << 42.0;
        QTest::newRow("blanks inside the number") << "1 343" << 1343.0;
        QTest::newRow("carriage return ends it") << "12\r3" << 12.0;
        QTest::newRow("negative") << "-5" << -5.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("fraction") << "12.75x" << 12.75;
        QTest::newRow("fraction only") << ".5" << 0.5;
        QTest::newRow("exponent") << "12e3" << 12000.0;
        QTest::newRow("exponent without digits") << "12e" << 12.0;
        QTest::newRow("exponent sign without digits") << "12e-x" << 12.0;
        QTest::newRow("leading zeros") << "00123456" << 123456.0;
        QTest::newRow("full-width digits are no number") << "１２" << 0.0;
    }
    void NumericValueOfText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumericValue(text), value);
    }

    void NearestInt32Rounds_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<std::optional<int32_t>>("expected");
        QTest::newRow("whole") << 1343.0 << std::optional<int32_t>(1343);
        QTest::newRow("down") << 12.4 << std::optional<int32_t>(12);
        QTest::newRow("up") << 12.6 << std::optional<int32_t>(13);
        QTest::newRow("half to even, down") << 12.5 << std::optional<int32_t>(12);
        QTest::newRow("half to even, up") << 13.5 << std::optional<int32_t>(14);
        QTest::newRow("largest") << 2147483647.0 << std::optional<int32_t>(2147483647);
        QTest::newRow("smallest") << -2147483648.0 << std::optional<int32_t>(std::numeric_limits<int32_t>::min());
        QTest::newRow("one past the largest") << 2147483648.0 << std::optional<int32_t>();
        QTest::newRow("one below the smallest") << -2147483649.0 << std::optional<int32_t>();
        QTest::newRow("rounds past the largest") << 2147483647.5 << std::optional<int32_t>();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << std::optional<int32_t>();
    }
    void NearestInt32Rounds()
    {
        QFETCH(double, value);
        QFETCH(std::optional<int32_t>, expected);
        QCOMPARE(NearestInt32(value), expected);
    }

    void DefaultCheckOutIsTomorrowAtTwo_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("text");
        QTest::newRow("mid-month") << QDate(2015, 6, 10) << "2015/06/11 14:00";
        QTest::newRow("end of a month") << QDate(2015, 2, 28) << "2015/03/01 14:00";
        QTest::newRow("leap day") << QDate(2012, 2, 28) << "2012/02/29 14:00";
        QTest::newRow("end of the year") << QDate(2014, 12, 31) << "2015/01/01 14:00";
    }
    void DefaultCheckOutIsTomorrowAtTwo()
    {
        QFETCH(QDate, today);
        QFETCH(QString, text);
        QCOMPARE(DefaultCheckOutText(today), text);
        // The default reads back as a date and becomes tomorrow's code at 14:00.
        const auto read = ReadCheckOutTime(text);
        QVERIFY(read);
        QCOMPARE(CheckOutCode(*read), today.addDays(1).toString(u"yyMMdd").toLatin1() + "1400");
    }

    void CheckOutTextToCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("code"); // empty: not a date and time
        QTest::newRow("default form") << "2015/06/11 14:00" << QByteArray("1506111400");
        QTest::newRow("dashes, one-digit fields") << "2008-1-2 9:05" << QByteArray("0801020905");
        QTest::newRow("dots, seconds dropped") << "2012.12.31 23:59:59" << QByteArray("1212312359");
        QTest::newRow("date alone is midnight") << "2015/06/11" << QByteArray("1506110000");
        QTest::newRow("blanks around") << "  2015/06/11 14:00 " << QByteArray("1506111400");
        QTest::newRow("31 February") << "2015/02/31 14:00" << QByteArray();
        QTest::newRow("month 13") << "2015/13/01 14:00" << QByteArray();
        QTest::newRow("hour 24") << "2015/06/11 24:00" << QByteArray();
        QTest::newRow("minute 60") << "2015/06/11 14:60" << QByteArray();
        QTest::newRow("two-digit year") << "15/06/11 14:00" << QByteArray();
        QTest::newRow("already a code") << "1506111400" << QByteArray();
        QTest::newRow("words") << "tomorrow" << QByteArray();
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("trailing text") << "2015/06/11 14:00x" << QByteArray();
    }
    void CheckOutTextToCode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, code);
        const auto read = ReadCheckOutTime(text);
        QCOMPARE(read.has_value(), !code.isEmpty());
        if (read)
            QCOMPARE(CheckOutCode(*read), code);
    }

    void LockNumberLengthCountsCharacters()
    {
        QCOMPARE(CharacterCount(QStringLiteral("105001")), 6);
        QCOMPARE(CharacterCount(QStringLiteral("10500")), 5);
        QCOMPARE(CharacterCount(QStringLiteral("一〇五〇〇一")), 6);
        // A character beyond the 16-bit plane is one character, two UTF-16 units.
        QCOMPARE(CharacterCount(QString::fromUtf8("10500\xF0\x9F\x94\x91")), 6);
    }
};

QTEST_APPLESS_MAIN(CardemoInputTest)
#include "CardemoInputTest.moc"
