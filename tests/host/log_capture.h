// Captures glog lines for exact-text assertions in host tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <glog/logging.h>

namespace host_test {

class LogCapture : public google::LogSink {
 public:
  LogCapture() { google::AddLogSink(this); }
  ~LogCapture() override { google::RemoveLogSink(this); }

  using google::LogSink::send;
  void send(google::LogSeverity severity, const char*, const char*, int,
            const google::LogMessageTime&, const char* message, size_t length) override {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.push_back({severity, std::string(message, length)});
  }

  std::vector<std::string> Messages(google::LogSeverity severity) const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string> out;
    for (const auto& line : lines_)
      if (line.severity == severity) out.push_back(line.text);
    return out;
  }

 private:
  struct Line {
    google::LogSeverity severity;
    std::string text;
  };
  mutable std::mutex lock_;
  std::vector<Line> lines_;
};

}  // namespace host_test
