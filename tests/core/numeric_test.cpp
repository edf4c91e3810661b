#include "core/numeric.h"

#include <gtest/gtest.h>
#include <clocale>
#include <string>

namespace talvec {
namespace {

TEST(NumericValue, LeadingNumberCorners) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"12,5", 12},
      {"  1 2 3", 123},
      {"\t-4.5\n", -4.5},
      {"+7", 7},
      {"1.2.3", 1.2},
      {"1E3", 1000},
      {"2D2", 200},
      {"1e-2", 0.01},
      {"3E", 3},
      {"3Ex", 3},
      {"&H10", 16},
      {"&HFFFF", -1},
      {"&hff", 255},
      {"&O17", 15},
      {"&Hxyz", 0},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {".5", 0.5},
      {"01", 1},
      {"1 0 0万元", 100},
      {"9"
       "9999999999999999999",
       1e20},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(NumericValue(QString::fromUtf8(c.text)), c.value) << c.text;
  }
  // Only blanks, tabs and line feeds are skipped; a carriage return ends
  // the number. Digits are ASCII digits only.
  EXPECT_EQ(NumericValue(QStringLiteral("5\r\n6")), 5);
  EXPECT_EQ(NumericValue(QStringLiteral("5\n6")), 56);
  EXPECT_EQ(NumericValue(QStringLiteral("１２")), 0);
  EXPECT_EQ(NumericValue(QStringLiteral("3１")), 3);
  EXPECT_EQ(NumericValue(QStringLiteral("&H1２")), 1);
  EXPECT_EQ(NumericValue(QStringLiteral("&O78")), 7);
  EXPECT_EQ(NumericValue(QStringLiteral("12.5万元")), 12.5);
  // A huge exponent gives no number rather than infinity.
  EXPECT_EQ(NumericValue(QStringLiteral("1E999")), 0);
}

TEST(DecimalText, FifteenDigitsNoTrailingZeros) {
  EXPECT_EQ(DecimalText(0.5), QStringLiteral(".5"));
  EXPECT_EQ(DecimalText(-0.5), QStringLiteral("-.5"));
  EXPECT_EQ(DecimalText(0), QStringLiteral("0"));
  EXPECT_EQ(DecimalText(500000), QStringLiteral("500000"));
  EXPECT_EQ(DecimalText(12.50), QStringLiteral("12.5"));
  EXPECT_EQ(DecimalText(1234.5678 * 10000), QStringLiteral("12345678"));
  EXPECT_EQ(DecimalText(123456789012345.0), QStringLiteral("123456789012345"));
  EXPECT_EQ(DecimalText(1e15), QStringLiteral("1E+15"));
  EXPECT_EQ(DecimalText(0.1 + 0.2), QStringLiteral(".3"));
}

// Qt hands the user's locale to the C library at start; a decimal comma there
// must change neither what a text is read as nor how a number is written.
TEST(NumericValue, SameReadingAndWritingUnderADecimalCommaLocale) {
  struct Read {
    const char* text;
    double value;
  } reads[] = {
      {"12.5万元", 12.5}, {"0.1", 0.1},  {"-3.75", -3.75}, {"1.5E3", 1500},
      {"12,5", 12},       {"& H10", 16}, {"&\tO17", 15},   {" & h ff", 255},
      {"&\nH1 0", 16},    {"& 5", 0},    {"1 2.5", 12.5},  {"- 2 . 5", -2.5},
  };
  struct Write {
    double value;
    const char* text;
  } writes[] = {
      {0.1, ".1"},       {-0.5, "-.5"},       {12.5, "12.5"},
      {1e15, "1E+15"},   {1.5e-7, "1.5E-07"}, {123456789012345.0, "123456789012345"},
      {0.1 + 0.2, ".3"},
  };
  struct Restore {
    std::string saved = std::setlocale(LC_ALL, nullptr);
    ~Restore() { std::setlocale(LC_ALL, saved.c_str()); }
  } restore;
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    // The set-up script generates the locale; a machine without it is a
    // broken set-up, not a reason to skip.
    ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "locale " << locale << " missing";
    ASSERT_NE(std::setlocale(LC_NUMERIC, locale), nullptr) << locale;
    for (const Read& r : reads) {
      EXPECT_DOUBLE_EQ(NumericValue(QString::fromUtf8(r.text)), r.value) << locale << " " << r.text;
    }
    for (const Write& w : writes) {
      EXPECT_EQ(DecimalText(w.value), QLatin1String(w.text)) << locale << " " << w.value;
    }
  }
}

TEST(RoundToInt16, HalvesToEvenAndRange) {
  EXPECT_EQ(RoundToInt16(2.5), 2);
  EXPECT_EQ(RoundToInt16(3.5), 4);
  EXPECT_EQ(RoundToInt16(-2.5), -2);
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_FALSE(RoundToInt16(32767.6).has_value());
  EXPECT_FALSE(RoundToInt16(std::nan("")).has_value());
}

}  // namespace
}  // namespace talvec
