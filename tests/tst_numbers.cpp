// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/numbers.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <bit>
#include <clocale>
#include <cmath>
#include <limits>

using numbers::localeToInt32;
using numbers::readNumber;
using numbers::roundToInt32;
using numbers::signedText;

class TestNumbers : public QObject
{
    Q_OBJECT
private slots:
    void readNumber_data();
    void readNumber();
    void signedText_data();
    void signedText();
    void roundTripTable_data();
    void roundTripTable();
    void roundTripRandom();
    void roundToInt32_data();
    void roundToInt32();
    void localeToInt32_data();
    void localeToInt32();
    void readingAndWritingIgnoreLocale();
};

void TestNumbers::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain") << "9600" << 9600.0;
    QTest::newRow("as written") << " 9600" << 9600.0;
    QTest::newRow("inner blank") << "96 00" << 9600.0;
    QTest::newRow("blank as grouping") << "1 000" << 1000.0;
    QTest::newRow("tabs and line feeds") << "\t9\n6 \t00\n" << 9600.0;
    QTest::newRow("comma ends the number") << "1,5" << 1.0;
    QTest::newRow("point") << "1.5" << 1.5;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("minus") << "-5" << -5.0;
    QTest::newRow("plus") << "+5" << 5.0;
    QTest::newRow("blank after sign") << "- 5" << -5.0;
    QTest::newRow("two signs") << "--5" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "-." << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("text") << "abc" << 0.0;
    QTest::newRow("number then text") << "12abc" << 12.0;
    QTest::newRow("leading zeros") << "000000000000000000009600" << 9600.0;
    QTest::newRow("other digits are text") << QStringLiteral(u"\u0663") << 0.0;
    QTest::newRow("other digits end") << QStringLiteral(u"5\u0663") << 5.0;
    QTest::newRow("NUL ends") << QString::fromLatin1("7\0"
                                                     "8",
                                                     3)
                              << 7.0;

    QTest::newRow("exponent E") << "1E3" << 1000.0;
    QTest::newRow("exponent e") << "2.5e+2" << 250.0;
    QTest::newRow("exponent D") << "1D3" << 1000.0;
    QTest::newRow("exponent d minus") << "1d-2" << 0.01;
    QTest::newRow("exponent with blanks") << "1 E - 2" << 0.01;
    QTest::newRow("E without digits") << "1E" << 1.0;
    QTest::newRow("E sign without digits") << "1E+" << 1.0;
    QTest::newRow("E then text") << "7Ex" << 7.0;
    QTest::newRow("long exponent") << "1E0000000000000000003" << 1000.0;
    QTest::newRow("largest") << "1.7976931348623157E308" << std::numeric_limits<double>::max();
    QTest::newRow("smallest subnormal") << "4.9E-324" << std::numeric_limits<double>::denorm_min();
    QTest::newRow("overflow") << "1E400" << 0.0;
    QTest::newRow("negative overflow") << "-1E400" << 0.0;
    QTest::newRow("underflow") << "1E-400" << 0.0;
    QTest::newRow("huge exponent") << "1E99999999999999999999" << 0.0;
    QTest::newRow("400 nines") << QString(400, QLatin1Char('9')) << 0.0;
    QTest::newRow("many digits scaled back")
        << QString(300, QLatin1Char('1')) + QStringLiteral("E-299") << 1.1111111111111111;

    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex lower case") << "&hff" << 255.0;
    QTest::newRow("hex with blanks") << " & H 1 0" << 16.0;
    QTest::newRow("hex then text") << "&H1FG" << 31.0;
    QTest::newRow("hex four bytes") << "&HFFFFFFFF" << 4294967295.0;
    QTest::newRow("hex above four bytes") << "&H100000000" << 0.0;
    QTest::newRow("hex leading zeros") << "&H0000000000001" << 1.0;
    QTest::newRow("hex without digits") << "&H" << 0.0;
    QTest::newRow("hex has no point") << "&H1.5" << 1.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal lower case") << "&o777" << 511.0;
    QTest::newRow("octal stops at 8") << "&O78" << 7.0;
    QTest::newRow("octal four bytes") << "&O37777777777" << 4294967295.0;
    QTest::newRow("octal above four bytes") << "&O40000000000" << 0.0;
    QTest::newRow("unknown base") << "&X1" << 0.0;
    QTest::newRow("sign before ampersand") << "-&H10" << 0.0;
}

void TestNumbers::readNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double value = numbers::readNumber(text);
    QCOMPARE(value, expected);
    QVERIFY(!std::signbit(value) || value != 0.0);
}

void TestNumbers::signedText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("default memory top") << 32768.0 << " 32768";
    QTest::newRow("negative") << -5.0 << "-5";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("half") << 0.5 << " 0.5";
    QTest::newRow("negative fraction") << -1000.25 << "-1000.25";
    QTest::newRow("shortest digits") << 0.1 << " 0.1";
    QTest::newRow("third") << 1.0 / 3.0 << " 0.3333333333333333";
    QTest::newRow("whole, shorter as exponent") << 100000.0 << " 100000";
    QTest::newRow("largest plain whole") << 999999999999999.0 << " 999999999999999";
    QTest::newRow("int32 max") << 2147483647.0 << " 2147483647";
    QTest::newRow("int32 min") << -2147483648.0 << "-2147483648";
    QTest::newRow("large whole") << 1e15 << " 1E+15";
    QTest::newRow("very large") << 1e20 << " 1E+20";
    QTest::newRow("small plain") << 0.00001 << " 0.00001";
    QTest::newRow("small exponent") << -2.5e-7 << "-2.5E-07";
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << " 0";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << " 0";
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << " 0";
}

void TestNumbers::signedText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(numbers::signedText(value), expected);
}

void TestNumbers::roundTripTable_data()
{
    QTest::addColumn<double>("value");
    using L = std::numeric_limits<double>;
    QTest::newRow("max") << L::max();
    QTest::newRow("lowest") << L::lowest();
    QTest::newRow("min normal") << L::min();
    QTest::newRow("denorm min") << L::denorm_min();
    QTest::newRow("negative denorm") << -L::denorm_min() * 12345;
    QTest::newRow("epsilon") << L::epsilon();
    QTest::newRow("1 + epsilon") << 1.0 + L::epsilon();
    QTest::newRow("2^53 + 2") << 9007199254740994.0;
    QTest::newRow("just below 1E15") << 999999999999999.9;
    QTest::newRow("just below 1E-5") << 0.0000099999999999999;
    QTest::newRow("fraction") << 123456.789;
    QTest::newRow("mtop fraction") << -32767.75;
}

void TestNumbers::roundTripTable()
{
    QFETCH(double, value);
    const QString text = numbers::signedText(value);
    QCOMPARE(numbers::readNumber(text), value);
    QVERIFY2(text.startsWith(QLatin1Char(value < 0 ? '-' : ' ')), qPrintable(text));
}

void TestNumbers::roundTripRandom()
{
    // Fixed seed so that a failure can be repeated; random bit patterns cover every exponent,
    // scaled random values cover the ordinary magnitudes a memory top has.
    QRandomGenerator random(20240531);
    for (int i = 0; i < 200000; ++i) {
        double value = std::bit_cast<double>(random.generate64());
        if (i % 2) value = (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(-8, 18));
        if (!std::isfinite(value)) continue;
        const QString text = numbers::signedText(value);
        if (numbers::readNumber(text) != value)
            QFAIL(
                qPrintable(QStringLiteral("%1 reads back as %2").arg(text).arg(numbers::readNumber(text), 0, 'g', 17)));
    }
}

void TestNumbers::roundToInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("9600.5") << 9600.5 << 9600;
    QTest::newRow("9601.5") << 9601.5 << 9602;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("1.4") << 1.4 << 1;
    QTest::newRow("1.6") << 1.6 << 2;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("-2.6") << -2.6 << -3;
    QTest::newRow("just below a half") << 0.49999999999999994 << 0;
    QTest::newRow("max") << 2147483647.0 << 2147483647;
    QTest::newRow("rounds down to max") << 2147483647.4 << 2147483647;
    QTest::newRow("rounds up past max") << 2147483647.5 << 0;
    QTest::newRow("above max") << 2147483648.0 << 0;
    QTest::newRow("min") << -2147483648.0 << int(-2147483647 - 1);
    QTest::newRow("half below min rounds to even min") << -2147483648.5 << int(-2147483647 - 1);
    QTest::newRow("below min") << -2147483648.6 << 0;
    QTest::newRow("2^52 + 1") << 4503599627370497.0 << 0;
    QTest::newRow("huge") << 1e300 << 0;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 0;
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << 0;
}

void TestNumbers::roundToInt32()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(numbers::roundToInt32(value), expected);
}

void TestNumbers::localeToInt32_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("expected");

    const QLocale c = QLocale::c();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C 9600") << c << "9600" << true << 9600;
    QTest::newRow("C blanks around") << c << "  9600 \t" << true << 9600;
    QTest::newRow("C 1.5") << c << "1.5" << true << 2;
    QTest::newRow("C 2.5") << c << "2.5" << true << 2;
    QTest::newRow("C 3.5") << c << "3.5" << true << 4;
    QTest::newRow("C negative") << c << "-5" << true << -5;
    QTest::newRow("C max") << c << "2147483647" << true << 2147483647;
    QTest::newRow("C min") << c << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("C above max") << c << "2147483648" << false << 0;
    QTest::newRow("C rounds past max") << c << "2147483647.5" << false << 0;
    QTest::newRow("C empty") << c << "" << false << 0;
    QTest::newRow("C blanks") << c << "   " << false << 0;
    QTest::newRow("C text") << c << "fast" << false << 0;
    QTest::newRow("C number then text") << c << "12abc" << false << 0;
    QTest::newRow("C infinity") << c << "inf" << false << 0;
    QTest::newRow("C NaN") << c << "nan" << false << 0;
    QTest::newRow("English 1.5") << english << "1.5" << true << 2;
    QTest::newRow("English group") << english << "19,200" << true << 19200;
    QTest::newRow("German 1,5") << german << "1,5" << true << 2;
    QTest::newRow("German 2,5") << german << " 2,5 " << true << 2;
    QTest::newRow("German 3,5") << german << "3,5" << true << 4;
    QTest::newRow("German group") << german << "115.200" << true << 115200;
    QTest::newRow("German point is no decimal") << german << "1.5" << false << 0;
}

void TestNumbers::localeToInt32()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, expected);
    const std::optional<qint32> result = numbers::localeToInt32(text, locale);
    QCOMPARE(result.has_value(), valid);
    if (valid) QCOMPARE(*result, expected);
}

void TestNumbers::readingAndWritingIgnoreLocale()
{
    // A settings file written under one locale must read the same under any other; the C runtime
    // locale and Qt's default locale both switched to a comma locale must change nothing.
    const QLocale previousDefault;
    const char* const previousC = std::setlocale(LC_ALL, nullptr);
    const QByteArray savedC = previousC ? QByteArray(previousC) : QByteArray("C");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The test's CMake generates this locale (LOCPATH); without it the test would prove nothing.
    QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr, "de_DE.UTF-8 is missing: see tests/CMakeLists.txt");

    const double readPoint = numbers::readNumber(u"1.5");
    const double readComma = numbers::readNumber(u"1,5");
    const QString written = numbers::signedText(-1000.25);
    const QString big = numbers::signedText(1234567.5);

    std::setlocale(LC_ALL, savedC.constData());
    QLocale::setDefault(previousDefault);

    QCOMPARE(readPoint, 1.5);
    QCOMPARE(readComma, 1.0);
    QCOMPARE(written, QStringLiteral("-1000.25"));
    QCOMPARE(big, QStringLiteral(" 1234567.5"));
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
