#include "reference_host/persist/json_text_writer.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>

namespace reference_host {
namespace persist {
namespace {

// Room is added in steps: doubling while the text is small (a small text
// keeps little spare room), then at least this much, as each step zero-fills
// its bytes once and a step per few values would cost more than the writing.
constexpr size_t kGrowthStep = size_t{1} << 20;
constexpr size_t kSinkPiece = size_t{256} << 10;

struct EscapeTable {
  bool needed[256] = {};
  EscapeTable() {
    for (int c = 0; c < 0x20; ++c) needed[c] = true;
    needed[static_cast<unsigned char>('"')] = needed[static_cast<unsigned char>('\\')] = true;
  }
};
const EscapeTable kEscape;

}  // namespace

JsonTextWriter::JsonTextWriter(std::string& out, int depth, JsonLayout layout)
    : out_(out), depth_(depth), indented_(layout == JsonLayout::kIndented) {
  cursor_ = limit_ = out_.data() + out_.size();
  empty_.reserve(32);
}

JsonTextWriter::JsonTextWriter(std::string& buffer, Sink sink, JsonLayout layout)
    : out_(buffer), depth_(0), indented_(layout == JsonLayout::kIndented), sink_(std::move(sink)) {
  // Small enough to stay in the cache between hand-ons.
  out_.resize(kSinkPiece);
  cursor_ = out_.data();
  limit_ = cursor_ + out_.size();
  empty_.reserve(32);
}

void JsonTextWriter::HandOn() {
  const size_t held = static_cast<size_t>(cursor_ - out_.data());
  if (held > 0 && !sink_refused_) sink_refused_ = !sink_(out_.data(), held);
  handed_on_ += held;
  cursor_ = out_.data();
  if (progress_) progress_(handed_on_);
}

void JsonTextWriter::Grow(size_t size) {
  if (sink_) {
    HandOn();
    if (static_cast<size_t>(limit_ - cursor_) >= size) return;
    out_.resize(size);
    cursor_ = out_.data();
    limit_ = cursor_ + out_.size();
    return;
  }
  const size_t used = this->size();
  if (progress_) progress_(used);
  const size_t step =
      used < kGrowthStep ? std::max<size_t>(used, 256) : std::max(kGrowthStep, used / 16);
  out_.resize(used + std::max(size, step));
  cursor_ = out_.data() + used;
  limit_ = out_.data() + out_.size();
}

void JsonTextWriter::Finish() {
  if (sink_) {
    HandOn();
    return;
  }
  const size_t used = size();
  out_.resize(used);
  cursor_ = limit_ = out_.data() + used;
}

void JsonTextWriter::Key(std::string_view key) {
  NextItem();
  String(key);
  if (indented_)
    Raw(": ", 2);
  else
    Put(':');
}

void JsonTextWriter::Int(long long value) {
  if (static_cast<size_t>(limit_ - cursor_) < 24) Grow(24);
  cursor_ = std::to_chars(cursor_, limit_, value).ptr;
}

void JsonTextWriter::Double(double value) {
  // The routine the library's dump() formats doubles with, so the text stays
  // identical, without a JSON value and a serialiser per number.
  if (static_cast<size_t>(limit_ - cursor_) < 64) Grow(64);
  cursor_ = nlohmann::detail::to_chars(cursor_, cursor_ + 64, value);
}

void JsonTextWriter::String(std::string_view text) {
  // Most texts need no escaping; leave the rest to the library.
  for (char c : text) {
    if (kEscape.needed[static_cast<unsigned char>(c)]) {
      EscapedString(text);
      return;
    }
  }
  const size_t size = text.size() + 2;
  if (static_cast<size_t>(limit_ - cursor_) < size) Grow(size);
  *cursor_++ = '"';
  std::memcpy(cursor_, text.data(), text.size());
  cursor_ += text.size();
  *cursor_++ = '"';
}

void JsonTextWriter::EscapedString(std::string_view text) {
  const std::string spelled = nlohmann::json(std::string(text))
                                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
  Raw(spelled.data(), spelled.size());
}

void JsonTextWriter::Open(char bracket) {
  Put(bracket);
  empty_.push_back(true);
  ++depth_;
}

void JsonTextWriter::Close(char bracket) {
  --depth_;
  if (!empty_.back()) NewLine();
  empty_.pop_back();
  Put(bracket);
}

void JsonTextWriter::NewLine() {
  if (!indented_) return;
  size_t length = 1 + 2 * static_cast<size_t>(depth_);
  if (new_line_.size() < length) new_line_.resize(length, ' ');
  Raw(new_line_.data(), length);
}

void JsonTextWriter::NextItem() {
  if (!empty_.back()) Put(',');
  empty_.back() = false;
  NewLine();
}

}  // namespace persist
}  // namespace reference_host
