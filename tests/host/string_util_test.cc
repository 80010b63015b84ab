#include "host/base/string_util.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

namespace {

TEST(PlainNumberText, StripsTrailingZerosAndPoint) {
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(8.5), "8.5");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(7), "7");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(7.0000001), "7");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(0.1 + 0.2), "0.3");
}

TEST(PlainNumberText, RoundsHalfAwayFromZeroOnTheDecimalValue) {
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(1.23456), "1.2346");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(-1.23455), "-1.2346");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(2.675, 2), "2.68");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(9.99995), "10");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(0.5, 0), "1");
}

TEST(PlainNumberText, NegativeZeroBecomesZero) {
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(-0.00001), "0");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(-0.0), "0");
}

TEST(PlainNumberText, NeverUsesExponentForm) {
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(1e20), "100000000000000000000");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(-1.5e16), "-15000000000000000");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(1e-7), "0");
  EXPECT_EQ(base::ToPlainStringWithStripTrailingZeros(1e-7, 8), "0.0000001");
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

TEST(ToLower, FoldsAsciiOnly) {
  EXPECT_EQ(base::ToLower("Kg/M3 钢筋 ÄB"), "kg/m3 钢筋 Äb");
}

}  // namespace
