// Text-to-number and number-to-text conversions as the settings use them.
#include "settings/conversions.h"

#include <gtest/gtest.h>

namespace orvanta::settings {
namespace {

TEST(Conversions, TextToLongRoundsAndReadsHexAndOctal) {
  const struct {
    const char* text;
    std::optional<qint32> expected;
  } cases[] = {
      {"7", 7},         {" 7", 7},           {"7 ", 7},          {"  330  ", 330},
      {"-3", -3},       {"+4", 4},           {"12.5", 12},       {"13.5", 14},
      {"-12.5", -12},   {"0.5", 0},          {"1.5", 2},         {"2.4999", 2},
      {"1234.5", 1234}, {".5", 0},           {"5.", 5},          {"1e3", 1000},
      {"&h1E", 30},     {"&H1e", 30},        {"&hFFFF", -1},     {"&h10000", 65536},
      {"&hFFFFFFFF", -1}, {"&o17", 15},      {"0", 0},           {"00", 0},
      {"2147483647", 2147483647},            {"-2147483648", std::numeric_limits<qint32>::min()},
      {"2147483647.5", std::nullopt},        {"2147483648", std::nullopt},
      {"", std::nullopt}, {"   ", std::nullopt}, {"abc", std::nullopt}, {"7a", std::nullopt},
      {"1,5", std::nullopt}, {"&h", std::nullopt}, {"&hG", std::nullopt}, {"&h123456789", std::nullopt},
      {"- 3", std::nullopt}, {"1e", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(textToLong(QString::fromLatin1(c.text)), c.expected) << '"' << c.text << '"';
  }
}

TEST(Conversions, TextToDoubleKeepsTheFraction) {
  EXPECT_EQ(textToDouble(QStringLiteral(" 1234.5 ")), 1234.5);
  EXPECT_EQ(textToDouble(QStringLiteral("-0.25")), -0.25);
  EXPECT_EQ(textToDouble(QStringLiteral("&h1E")), 30.0);
  EXPECT_EQ(textToDouble(QStringLiteral("x")), std::nullopt);
}

TEST(Conversions, NumberToTextLeadsNonNegativeNumbersWithABlank) {
  EXPECT_EQ(numberToText(7), QStringLiteral(" 7"));
  EXPECT_EQ(numberToText(330), QStringLiteral(" 330"));
  EXPECT_EQ(numberToText(0), QStringLiteral(" 0"));
  EXPECT_EQ(numberToText(-3), QStringLiteral("-3"));
  EXPECT_EQ(numberToText(-2147483648LL), QStringLiteral("-2147483648"));
}

TEST(Conversions, FormatFixedGivesTwoDecimals) {
  EXPECT_EQ(formatFixed(45), QStringLiteral("45.00"));
  EXPECT_EQ(formatFixed(-3), QStringLiteral("-3.00"));
  EXPECT_EQ(formatFixed(0.5), QStringLiteral("0.50"));
  EXPECT_EQ(formatFixed(30.004), QStringLiteral("30.00"));
  EXPECT_EQ(formatFixed(123456), QStringLiteral("123456.00"));
}

}  // namespace
}  // namespace orvanta::settings
