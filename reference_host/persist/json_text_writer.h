// Writes JSON text straight into a string, spelled exactly as nlohmann's
// dump() spells the same value: indented (dump(2): one member or element per
// line, empty containers as {} and [], "key": value) or compact (dump():
// no whitespace at all). Saving a large document this way skips building the
// whole tree first. The caller writes members in key order, as the library's
// objects keep them.
//
// The text is written through a cursor into room the writer adds to the
// string in growing steps; the string holds exactly the text written once
// Finish() is called or the writer is destroyed, and not before. In sink
// mode the string is only a buffer of a few hundred kilobytes: each time it
// fills, its text goes to the sink and the buffer is written again, so a
// text of any size is made without ever being held whole.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace reference_host {
namespace persist {

enum class JsonLayout { kIndented, kCompact };

class JsonTextWriter {
 public:
  // |depth|: nesting level of the first value written (for a value that
  // will be placed inside a larger text). Text already in |out| stays.
  explicit JsonTextWriter(std::string& out, int depth = 0,
                          JsonLayout layout = JsonLayout::kIndented);
  // Sink mode: hands the text to |sink| piece by piece through |buffer|
  // (its content is replaced). Once the sink answers false, later text is
  // dropped and ok() is false.
  using Sink = std::function<bool(const char* bytes, size_t size)>;
  JsonTextWriter(std::string& buffer, Sink sink, JsonLayout layout = JsonLayout::kIndented);
  ~JsonTextWriter() {
    if (cursor_ != (sink_ ? out_.data() : limit_)) Finish();
  }
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

  void Null() { Raw("null", 4); }
  void Bool(bool value) { value ? Raw("true", 4) : Raw("false", 5); }
  void Int(long long value);
  // A finite double, in the library's shortest exact form.
  void Double(double value);
  // |text| must be valid UTF-8.
  void String(std::string_view text);
  // Bytes put in as they are.
  void Raw(const char* bytes, size_t size) {
    if (static_cast<size_t>(limit_ - cursor_) < size) Grow(size);
    std::memcpy(cursor_, bytes, size);
    cursor_ += size;
  }

  // Bytes written so far, text that was in the string before included, and
  // in sink mode the bytes handed on.
  size_t size() const { return handed_on_ + static_cast<size_t>(cursor_ - out_.data()); }
  // Trims the string to the text written, or in sink mode hands on what the
  // buffer holds. Writing may go on afterwards.
  void Finish();
  // False once a sink refused a piece.
  bool ok() const { return !sink_refused_; }

  // Hears size() each time the writer adds room: as the text doubles, then
  // about every megabyte.
  void set_progress(std::function<void(size_t)> progress) { progress_ = std::move(progress); }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void NextItem();
  void NewLine();
  void Put(char c) {
    if (cursor_ == limit_) Grow(1);
    *cursor_++ = c;
  }
  // Makes room for at least |size| more bytes after the cursor.
  void Grow(size_t size);
  // Sink mode: hands the buffer's text on and starts it again.
  void HandOn();
  // A string that needs escaping, spelled by the library.
  void EscapedString(std::string_view text);

  std::string& out_;
  char* cursor_;
  char* limit_;
  int depth_;
  const bool indented_;
  // A newline and enough spaces for the deepest indent so far.
  std::string new_line_ = "\n";
  // Per open container: whether nothing has been written into it yet.
  std::vector<bool> empty_;
  std::function<void(size_t)> progress_;
  Sink sink_;
  size_t handed_on_ = 0;
  bool sink_refused_ = false;
};

}  // namespace persist
}  // namespace reference_host
