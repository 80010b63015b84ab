#include "cli/progress_line.h"

#include <unistd.h>

#include <iostream>
#include <utility>

namespace cli {
namespace {

// Work shorter than this shows nothing; redraws come at most this often.
constexpr std::chrono::milliseconds kQuietStart(1000);
constexpr std::chrono::milliseconds kRedrawEvery(100);

std::string Megabytes(size_t bytes) { return std::to_string((bytes + 500000) / 1000000); }

}  // namespace

ProgressLine::ProgressLine(std::string label)
    : ProgressLine(std::move(label), std::cerr, isatty(STDERR_FILENO) == 1, Clock::now) {}

ProgressLine::ProgressLine(std::string label, std::ostream& out, bool terminal,
                           std::function<Clock::time_point()> now)
    : label_(std::move(label)),
      out_(out),
      terminal_(terminal),
      now_(std::move(now)),
      start_(now_()),
      last_drawn_(start_) {}

ProgressLine::~ProgressLine() {
  if (drawn_width_ == 0) return;
  out_ << '\r' << std::string(drawn_width_, ' ') << '\r' << std::flush;
}

reference_host::ProgressCallback ProgressLine::Callback() {
  return [this](size_t done, size_t total) { Update(done, total); };
}

std::string ProgressLine::Amount(size_t done, size_t total) {
  if (total == 0) return Megabytes(done) + " MB";
  return Megabytes(done) + " of " + Megabytes(total) + " MB";
}

void ProgressLine::Update(size_t done, size_t total) {
  if (!terminal_) return;
  const Clock::time_point now = now_();
  if (now - start_ < kQuietStart) return;
  if (drawn_width_ > 0 && now - last_drawn_ < kRedrawEvery) return;
  last_drawn_ = now;
  const std::string line = label_ + ": " + Amount(done, total);
  // A shorter line than the last one leaves no tail of it behind.
  const size_t pad = drawn_width_ > line.size() ? drawn_width_ - line.size() : 0;
  out_ << '\r' << line << std::string(pad, ' ') << std::flush;
  drawn_width_ = line.size() + pad;
}

}  // namespace cli
