#include "reference_host/persist/document_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "reference_host/persist/document_stream_reader.h"
#include "reference_host/persist/json_values.h"

namespace reference_host {
namespace persist {
namespace {

using nlohmann::json;

// Builds the JSON value from the parser's events, as the library's own
// builder does, but refuses a member named twice and remembers where the
// text went wrong.
class StrictBuilder : public nlohmann::json_sax<json> {
 public:
  StrictBuilder(const std::string& text, json& root) : text_(text), root_(root) {}

  bool null() override { return Put(nullptr); }
  bool boolean(bool value) override { return Put(value); }
  bool number_integer(number_integer_t value) override { return Put(value); }
  bool number_unsigned(number_unsigned_t value) override { return Put(value); }
  bool number_float(number_float_t value, const string_t&) override { return Put(value); }
  bool string(string_t& value) override { return Put(std::move(value)); }
  bool binary(binary_t& value) override { return Put(json::binary(std::move(value))); }
  bool start_object(std::size_t) override {
    frames_.push_back({Place(json::object())});
    return true;
  }
  bool key(string_t& name) override {
    Frame& top = frames_.back();
    auto [member, fresh] = top.value->get_ref<json::object_t&>().try_emplace(std::move(name));
    if (!fresh) {
      error_ = Pointer();
      AppendPointerToken(error_, member->first);
      error_ +=
          ": duplicate member " + QuotedText(member->first) + " (an object names each member once)";
      return false;
    }
    top.member = &member->first;
    top.slot = &member->second;
    top.pending = true;
    return true;
  }
  bool end_object() override {
    frames_.pop_back();
    return true;
  }
  bool start_array(std::size_t) override {
    frames_.push_back({Place(json::array())});
    return true;
  }
  bool end_array() override {
    frames_.pop_back();
    return true;
  }
  bool parse_error(std::size_t position, const std::string& last_token,
                   const nlohmann::detail::exception& fault) override {
    // |position| counts the bytes read, the fault's last one included. A
    // number out of range is shown where it starts.
    size_t offset = position > 0 ? position - 1 : 0;
    std::string what = std::string("malformed JSON (") + fault.what() + ")";
    if (fault.id == 406) {
      offset = position >= last_token.size() ? position - last_token.size() : 0;
      what = "number out of range: " + last_token;
    }
    error_ = TextPlace(text_, offset);
    const std::string pointer = Pointer();
    if (!pointer.empty()) error_ += " at " + pointer;
    error_ += ": " + what;
    return false;
  }

  const std::string& error() const { return error_; }

 private:
  struct Frame {
    json* value;
    // Of an object: the member last named, its value, and whether that
    // value is still to come.
    const std::string* member = nullptr;
    json* slot = nullptr;
    bool pending = false;
  };

  template <class Value>
  bool Put(Value&& value) {
    Place(json(std::forward<Value>(value)));
    return true;
  }

  // Puts |value| where the text has it and answers where it now lives. A
  // container's address holds while it is open: its parent grows only
  // after it closes.
  json* Place(json&& value) {
    if (frames_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Frame& top = frames_.back();
    if (top.value->is_array()) {
      auto& array = top.value->get_ref<json::array_t&>();
      array.push_back(std::move(value));
      return &array.back();
    }
    *top.slot = std::move(value);
    top.pending = false;
    return top.slot;
  }

  // The pointer of the value being read: in an open container, its member
  // still waiting for a value or the element after the last.
  std::string Pointer() const {
    std::string pointer;
    for (size_t i = 0; i < frames_.size(); ++i) {
      const Frame& frame = frames_[i];
      const bool innermost = i + 1 == frames_.size();
      if (frame.value->is_array()) {
        size_t size = frame.value->size();
        AppendPointerToken(pointer, std::to_string(innermost ? size : size - 1));
      } else if (frame.member && (!innermost || frame.pending)) {
        AppendPointerToken(pointer, *frame.member);
      }
    }
    return pointer;
  }

  const std::string& text_;
  json& root_;
  std::vector<Frame> frames_;
  std::string error_;
};

std::string SystemError(int error) { return std::strerror(error); }

}  // namespace

std::string TextPlace(const std::string& text, size_t offset) {
  offset = std::min(offset, text.size());
  size_t line_start = offset == 0 ? std::string::npos : text.rfind('\n', offset - 1);
  line_start = line_start == std::string::npos ? 0 : line_start + 1;
  const long line = 1 + std::count(text.begin(), text.begin() + offset, '\n');
  return "byte " + std::to_string(offset) + " (line " + std::to_string(line) + ", column " +
         std::to_string(offset - line_start + 1) + ")";
}

bool ReadTextFile(const std::string& path, std::string& text, std::string& error,
                  const std::function<void(size_t, size_t)>& progress) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open: " + SystemError(errno);
    return false;
  }
  auto fail = [&](const std::string& why) {
    error = path + ": " + why;
    close(fd);
    return false;
  };
  struct stat status;
  if (fstat(fd, &status) != 0) return fail("cannot read: " + SystemError(errno));
  if (S_ISDIR(status.st_mode)) return fail("is a folder, not a document file");
  if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) return fail("is not a regular file");
  text.clear();
  // Room past the end lets the stream reader walk the text in place.
  if (S_ISREG(status.st_mode)) text.reserve(static_cast<size_t>(status.st_size) + kTextPadding);
  const size_t total = S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0;
  char buffer[1 << 16];
  size_t told = 0;
  for (;;) {
    if (progress && text.size() - told >= (size_t{8} << 20)) {
      told = text.size();
      progress(told, total);
    }
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail("cannot read: " + SystemError(errno));
    }
    text.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return true;
}

bool ParseStrictJson(const std::string& text, json& value, std::string& error) {
  StrictBuilder builder(text, value);
  if (json::sax_parse(text, &builder)) {
    // The JSON library takes a NUL byte for the end of the input, so text
    // after one would pass unseen; JSON has no place for the byte itself.
    const size_t nul = text.find('\0');
    if (nul == std::string::npos) return true;
    error = TextPlace(text, nul) + ": malformed JSON (a NUL byte after the document)";
    value = json();
    return false;
  }
  error = builder.error();
  if (error.empty()) error = TextPlace(text, 0) + ": malformed JSON";
  return false;
}

}  // namespace persist
}  // namespace reference_host
