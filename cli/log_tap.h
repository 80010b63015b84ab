// Captures the library's warning and error lines while an operation runs, so
// that the program can report a refusal in the library's own words.
#pragma once

#include <glog/logging.h>

#include <mutex>
#include <string>
#include <vector>

namespace cli {

class LogTap : public google::LogSink {
 public:
  LogTap() { google::AddLogSink(this); }
  ~LogTap() override { google::RemoveLogSink(this); }
  LogTap(const LogTap&) = delete;
  LogTap& operator=(const LogTap&) = delete;

  using google::LogSink::send;
  void send(google::LogSeverity severity, const char*, const char*, int,
            const google::LogMessageTime&, const char* message, size_t length) override {
    if (severity < google::GLOG_WARNING) return;
    std::lock_guard<std::mutex> hold(lock_);
    lines_.emplace_back(message, length);
  }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
  }

 private:
  mutable std::mutex lock_;
  std::vector<std::string> lines_;
};

}  // namespace cli
