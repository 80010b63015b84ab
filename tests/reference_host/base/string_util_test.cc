// Number text without trailing zeros, decimal rounding and ASCII lower-casing.
#include "host/base/string_util.h"

#include "tests/support/test_support.h"

namespace {

TEST(PlainNumberText, RoundsHalfAwayOnTheDecimalValueWithoutZerosOrExponent) {
  const struct {
    double value;
    int digits;
    const char* text;
  } cases[] = {
      {8.5, 4, "8.5"},
      {7, 4, "7"},
      {7.0000001, 4, "7"},
      {0.1 + 0.2, 4, "0.3"},
      {1.23456, 4, "1.2346"},
      {-1.23455, 4, "-1.2346"},
      {2.675, 2, "2.68"},
      {9.99995, 4, "10"},
      {0.5, 0, "1"},
      {-0.00001, 4, "0"},
      {-0.0, 4, "0"},  // never "-0"
      {1e20, 4, "100000000000000000000"},
      {-1.5e16, 4, "-15000000000000000"},
      {1e-7, 4, "0"},
      {1e-7, 8, "0.0000001"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(c.value, c.digits), c.text)
        << c.value << "/" << c.digits;
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(1.23456),
            "1.2346");  // four digits by default
}

RC_GTEST_PROP(PlainNumberText, ReadsBackWithinHalfAStep, (int units, int hundred_thousandths)) {
  const double value = units % 1000000 + (hundred_thousandths % 100000) / 100000.0;
  const std::string text = base::ToPlainStringWithStripTrailingZeros(value);
  RC_ASSERT(text.find_first_of("eE") == std::string::npos);
  RC_ASSERT(text.empty() || text.back() != '0' || text.find('.') == std::string::npos);
  RC_ASSERT(std::fabs(std::stod(text) - value) <= 0.00005 + 1e-9);
}

TEST(DoubleRound, RoundsHalfAwayFromZero) {
  EXPECT_DOUBLE_EQ(base::DoubleRound(2.5, 0), 3.0);
  EXPECT_DOUBLE_EQ(base::DoubleRound(-2.5, 0), -3.0);
  EXPECT_DOUBLE_EQ(base::DoubleRound(1.005, 2), 1.01);
  EXPECT_DOUBLE_EQ(base::DoubleRound(1234.5678, 2), 1234.57);
  EXPECT_DOUBLE_EQ(base::DoubleRound(1250, -2), 1300);
}

TEST(ToLower, FoldsAsciiOnly) { EXPECT_EQ(base::ToLower("Kg/M3 钢筋 ÄB"), "kg/m3 钢筋 Äb"); }

}  // namespace
