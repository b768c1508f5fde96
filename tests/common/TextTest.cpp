#include <gtest/gtest.h>

#include "common/Text.h"

using namespace kv;

TEST(Text, TrimRemovesEverythingUpToBlank) {
    EXPECT_EQ(trimmed(QStringLiteral("\t\r\n x y \x01")), QStringLiteral("x y"));
    EXPECT_EQ(trimmed(QByteArray("\x1f\x20z\r\n")), QByteArray("z"));
    EXPECT_EQ(trimmed(QStringLiteral("   ")), QString());
}

TEST(Text, IsAllDigits) {
    EXPECT_FALSE(IsAllDigits(""));
    EXPECT_FALSE(IsAllDigits("   "));
    EXPECT_TRUE(IsAllDigits(" 12 "));
    EXPECT_FALSE(IsAllDigits("1a"));
    EXPECT_FALSE(IsAllDigits("-1"));
    EXPECT_FALSE(IsAllDigits("+1"));
    EXPECT_FALSE(IsAllDigits(QStringLiteral("１２")));  // full-width digits do not count
    EXPECT_FALSE(IsAllDigits(QStringLiteral("٣")));    // nor other scripts' digits
    EXPECT_TRUE(IsAllDigits("99999999999999999999"));   // a digit run, however long
}

TEST(Text, IsValidIPv4Table) {
    struct Case {
        const char *text;
        bool ok;
    } cases[] = {
        {"1.2.3", false},         {"1.2.3.4.5", false}, {" 10.0.0.1 ", true},
        {"010.000.000.001", true}, {"1.2.3.256", false}, {"1.2.300.4", false},
        {"1. 2.3.4", true},        {"1..2.3", false},    {"1.2.3.", false},
        {"", false},               {"192.168.1.256", false}, {"192.168.1.300", false},
        {"255.255.255.255", true}, {"0.0.0.0", true},    {"1 .2.3.4", false},
        {"1.2.3.4294967296", false}, {"4294967297.1.1.1", false},
        {"99999999999999999999.1.1.1", false}, {"a.b.c.d", false}, {"127.0.0.1", true},
    };
    for (const auto &c : cases) EXPECT_EQ(IsValidIPv4(QString::fromUtf8(c.text)), c.ok) << c.text;
    EXPECT_FALSE(IsValidIPv4(QStringLiteral("１.2.3.4")));
}

TEST(Text, ParseDecimalBounds) {
    EXPECT_EQ(parseDecimal("010"), 10u);
    EXPECT_EQ(parseDecimal("4294967295"), 4294967295u);
    EXPECT_FALSE(parseDecimal("4294967296"));
    EXPECT_EQ(parseDecimal("65532", 65532), 65532u);
    EXPECT_FALSE(parseDecimal("65533", 65532));
}

TEST(Text, TimeAndDateForms) {
    EXPECT_EQ(timeOfDayText(QTime(9, 5, 7)), QStringLiteral("9:05:07"));
    EXPECT_EQ(timeOfDayText(QTime(23, 59, 0)), QStringLiteral("23:59:00"));
    EXPECT_EQ(shortDateText(QDate(2026, 3, 4)), QStringLiteral("2026/3/4"));
    EXPECT_EQ(shortDateText(QDate(2026, 12, 18)), QStringLiteral("2026/12/18"));
}
