#include "reference_host/persist/json_text_writer.h"

#include <nlohmann/json.hpp>

namespace reference_host {
namespace persist {

void JsonTextWriter::Key(std::string_view key) {
  NextItem();
  String(key);
  out_ += ": ";
}

void JsonTextWriter::Double(double value) {
  // The routine the library's dump() formats doubles with, so the text stays
  // identical, without a JSON value and a serialiser per number.
  char buffer[64];
  char* end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, value);
  out_.append(buffer, end);
}

namespace {

struct EscapeTable {
  bool needed[256] = {};
  EscapeTable() {
    for (int c = 0; c < 0x20; ++c) needed[c] = true;
    needed[static_cast<unsigned char>('"')] = needed[static_cast<unsigned char>('\\')] = true;
  }
};
const EscapeTable kEscape;

}  // namespace

void JsonTextWriter::String(std::string_view text) {
  // Most texts need no escaping; leave the rest to the library.
  for (char c : text) {
    if (kEscape.needed[static_cast<unsigned char>(c)]) {
      out_ += nlohmann::json(std::string(text))
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
      return;
    }
  }
  out_ += '"';
  out_ += text;
  out_ += '"';
}

void JsonTextWriter::Open(char bracket) {
  out_ += bracket;
  empty_.push_back(true);
  ++depth_;
}

void JsonTextWriter::Close(char bracket) {
  --depth_;
  if (!empty_.back()) NewLine();
  empty_.pop_back();
  out_ += bracket;
}

void JsonTextWriter::NewLine() {
  size_t length = 1 + 2 * static_cast<size_t>(depth_);
  if (new_line_.size() < length) new_line_.resize(length, ' ');
  out_.append(new_line_, 0, length);
}

void JsonTextWriter::NextItem() {
  if (!empty_.back()) out_ += ',';
  empty_.back() = false;
  NewLine();
}

}  // namespace persist
}  // namespace reference_host
