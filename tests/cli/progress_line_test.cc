// The progress line of long loads and saves: quiet for the first second and
// off a terminal, redrawn in place at most ten times a second, wiped at the end.
#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using cli::ProgressLine;
using std::chrono::milliseconds;

class ProgressLineTest : public testing::Test {
 protected:
  ProgressLine::Clock::time_point now_;
  std::ostringstream out_;
  std::function<ProgressLine::Clock::time_point()> Clock() {
    return [this] { return now_; };
  }
};

TEST_F(ProgressLineTest, ShowsNothingDuringTheFirstSecondOrOffATerminal) {
  {
    ProgressLine early("saving out.json", out_, true, Clock());
    ProgressLine off("saving out.json", out_, false, Clock());
    now_ += milliseconds(999);
    early.Update(5000000, 10000000);
    now_ += milliseconds(4000);
    off.Update(5000000, 10000000);
  }
  EXPECT_EQ(out_.str(), "");
}

TEST_F(ProgressLineTest, RedrawsInPlaceAndWipesTheLineAtTheEnd) {
  {
    ProgressLine line("loading big.json", out_, true, Clock());
    now_ += milliseconds(1000);
    line.Update(312000000, 606000000);
    now_ += milliseconds(50);
    line.Update(400000000, 606000000);  // too soon: not drawn
    now_ += milliseconds(100);
    line.Update(7000000, 0);  // a shorter line covers the longer one
  }
  EXPECT_EQ(out_.str(),
            "\rloading big.json: 312 of 606 MB"
            "\rloading big.json: 7 MB         "
            "\r                               \r");
}

TEST(ProgressLine, SaysMegabytesRounded) {
  EXPECT_EQ(ProgressLine::Amount(0, 0), "0 MB");
  EXPECT_EQ(ProgressLine::Amount(499999, 1500000), "0 of 2 MB");
  EXPECT_EQ(ProgressLine::Amount(606047000, 606047000), "606 of 606 MB");
}

}  // namespace
