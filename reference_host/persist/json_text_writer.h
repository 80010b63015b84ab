// Writes JSON text straight into a string, spelled exactly as nlohmann's
// dump(2) spells the same value: one member or element per line, indented by
// 2, empty containers as {} and [], "key": value. Saving a large document
// this way skips building the whole tree first. The caller writes members
// in key order, as the library's objects keep them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace reference_host {
namespace persist {

class JsonTextWriter {
 public:
  // |depth|: nesting level of the first value written (for a value that
  // will be placed inside a larger text).
  explicit JsonTextWriter(std::string& out, int depth = 0) : out_(out), depth_(depth) {}
  JsonTextWriter(const JsonTextWriter&) = delete;
  JsonTextWriter& operator=(const JsonTextWriter&) = delete;

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // Starts a member of the open object; its value follows.
  void Key(std::string_view key);
  // Starts an element of the open array; its value follows.
  void Element() { NextItem(); }

  void Null() { out_ += "null"; }
  void Bool(bool value) { out_ += value ? "true" : "false"; }
  void Int(long long value) { out_ += std::to_string(value); }
  // A finite double, in the library's shortest exact form.
  void Double(double value);
  // |text| must be valid UTF-8.
  void String(std::string_view text);

 private:
  void Open(char bracket);
  void Close(char bracket);
  void NextItem();
  void NewLine();

  std::string& out_;
  int depth_;
  // A newline and enough spaces for the deepest indent so far.
  std::string new_line_ = "\n";
  // Per open container: whether nothing has been written into it yet.
  std::vector<bool> empty_;
};

}  // namespace persist
}  // namespace reference_host
