// One line on standard error that tells how far a long load or save has
// come: "loading big.json: 312 of 606 MB". It appears only once the work has
// taken a second, only when standard error is a terminal (a pipe or a log
// file gets nothing), is redrawn in place and is wiped when the work ends.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "reference_host/persist/document_json.h"

namespace cli {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  // Reports on std::cerr when standard error is a terminal.
  explicit ProgressLine(std::string label);
  // |out| stands for the terminal when |terminal|; |now| tells the time.
  ProgressLine(std::string label, std::ostream& out, bool terminal,
               std::function<Clock::time_point()> now);
  ~ProgressLine();  // wipes the line if one was shown
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // To hand to the load or save; valid while this object lives.
  reference_host::ProgressCallback Callback();
  // |total| 0: not known yet.
  void Update(size_t done, size_t total);

  // "312 of 606 MB", or "312 MB" without a total.
  static std::string Amount(size_t done, size_t total);

 private:
  const std::string label_;
  std::ostream& out_;
  const bool terminal_;
  const std::function<Clock::time_point()> now_;
  const Clock::time_point start_;
  Clock::time_point last_drawn_;
  size_t drawn_width_ = 0;  // of the line on screen, 0 when none is
};

}  // namespace cli
