#include "funcs/project/id_index.h"

#include <glog/logging.h>

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

namespace marrow {
namespace qrv {

namespace {

using nlohmann::json;

bool IdBefore(const IdIndex::Entry& entry, const std::string& id) { return entry.first < id; }

// One top-level member of a stored index as read: its name, and its text
// when its value is a string, else the value's type.
struct Member {
  std::string name;
  std::string text;
  json::value_t type;
};

// Collects the top-level members of a stored index without building the
// document: values below them are passed over, only their type is kept.
class MemberReader : public json::json_sax_t {
 public:
  enum class Shape { kScalar, kObject, kArray };

  bool null() override { return Value(json::value_t::null); }
  bool boolean(bool) override { return Value(json::value_t::boolean); }
  bool number_integer(json::number_integer_t) override {
    return Value(json::value_t::number_integer);
  }
  bool number_unsigned(json::number_unsigned_t) override {
    return Value(json::value_t::number_unsigned);
  }
  bool number_float(json::number_float_t, const json::string_t&) override {
    return Value(json::value_t::number_float);
  }
  bool string(json::string_t& text) override { return Value(json::value_t::string, &text); }
  bool binary(json::binary_t&) override { return Value(json::value_t::binary); }
  bool start_object(std::size_t) override { return Open(json::value_t::object); }
  bool key(json::string_t& name) override {
    if (depth_ == 1) key_ = std::move(name);
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(json::value_t::array); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const json::exception& error) override {
    error_ = error.what();
    return false;
  }

  Shape shape() const { return shape_; }
  std::vector<Member>& members() { return members_; }
  const std::string& error() const { return error_; }

 private:
  bool Value(json::value_t type, json::string_t* text = nullptr) {
    if (depth_ > 1) return true;
    std::string name;
    if (depth_ == 1) name = shape_ == Shape::kArray ? std::to_string(next_++) : std::move(key_);
    members_.push_back({std::move(name), text ? std::move(*text) : std::string(), type});
    return true;
  }
  bool Open(json::value_t type) {
    if (depth_ == 0)
      shape_ = type == json::value_t::object ? Shape::kObject : Shape::kArray;
    else
      Value(type);
    ++depth_;
    return true;
  }
  bool Close() {
    --depth_;
    return true;
  }

  Shape shape_ = Shape::kScalar;
  int depth_ = 0;
  std::size_t next_ = 0;
  std::string key_;
  std::vector<Member> members_;
  std::string error_;
};

// An object's members as the document holds them: in name order, the last
// of equal names. Our own stored form is in order already.
void InNameOrder(std::vector<Member>& members) {
  const auto by_name = [](const Member& a, const Member& b) { return a.name < b.name; };
  const bool ordered =
      std::adjacent_find(members.begin(), members.end(), [](const Member& a, const Member& b) {
        return !(a.name < b.name);
      }) == members.end();
  if (ordered) return;
  std::stable_sort(members.begin(), members.end(), by_name);
  std::vector<Member> last;
  last.reserve(members.size());
  for (Member& member : members) {
    if (!last.empty() && last.back().name == member.name)
      last.back() = std::move(member);
    else
      last.push_back(std::move(member));
  }
  members = std::move(last);
}

// The JSON library's own words for reading a |type| value as text.
std::string NotTextError(json::value_t type) {
  try {
    json(type).get<std::string>();
  } catch (const json::exception& error) {
    return error.what();
  }
  return std::string();
}

// Appends |text| as a JSON string. Plain ASCII is copied; anything else
// goes through the JSON library, which escapes and checks UTF-8.
void AppendString(std::string& out, const std::string& text, json& scratch,
                  json::error_handler_t handler) {
  const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
  });
  if (plain) {
    out += '"';
    out += text;
    out += '"';
    return;
  }
  scratch.get_ref<std::string&>() = text;
  out += scratch.dump(-1, ' ', false, handler);
}

}  // namespace

const std::string* IdIndex::Find(const std::string& id) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), id, IdBefore);
  return it != entries_.end() && it->first == id ? &it->second : nullptr;
}

void IdIndex::Set(const std::string& id, std::string suffix) {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), id, IdBefore);
  if (it != entries_.end() && it->first == id)
    it->second = std::move(suffix);
  else
    entries_.emplace(it, id, std::move(suffix));
}

void IdIndex::SetAll(std::vector<Entry> sorted) {
  if (entries_.empty()) {
    entries_ = std::move(sorted);
    return;
  }
  std::vector<Entry> merged;
  merged.reserve(entries_.size() + sorted.size());
  auto held = entries_.begin();
  for (Entry& entry : sorted) {
    while (held != entries_.end() && held->first < entry.first)
      merged.push_back(std::move(*held++));
    if (held != entries_.end() && held->first == entry.first) ++held;
    merged.push_back(std::move(entry));
  }
  std::move(held, entries_.end(), std::back_inserter(merged));
  entries_ = std::move(merged);
}

void IdIndex::Read(const std::string& text) {
  MemberReader reader;
  if (!json::sax_parse(text, &reader)) {
    LOG(ERROR) << reader.error();
    return;
  }
  std::vector<Member>& members = reader.members();
  if (reader.shape() == MemberReader::Shape::kObject) InNameOrder(members);
  // A stored null holds nothing.
  if (reader.shape() == MemberReader::Shape::kScalar && members.size() == 1 &&
      members[0].type == json::value_t::null)
    return;
  const auto stop = std::find_if(members.begin(), members.end(),
                                 [](const Member& m) { return m.type != json::value_t::string; });
  std::vector<Entry> read;
  read.reserve(members.size());
  for (auto it = members.begin(); it != stop; ++it)
    read.emplace_back(std::move(it->name), std::move(it->text));
  if (stop != members.end() && !Contains(stop->name)) read.emplace_back(stop->name, std::string());
  // Array names ("0", "1", ..., "10") are not in byte order.
  if (reader.shape() == MemberReader::Shape::kArray)
    std::sort(read.begin(), read.end(),
              [](const Entry& a, const Entry& b) { return a.first < b.first; });
  SetAll(std::move(read));
  if (stop != members.end()) LOG(ERROR) << NotTextError(stop->type);
}

std::string IdIndex::ToText() const {
  if (entries_.empty()) return std::string();
  const auto write = [this](json::error_handler_t handler) {
    json scratch = std::string();
    std::string out = "{";
    for (const Entry& entry : entries_) {
      if (out.size() > 1) out += ',';
      AppendString(out, entry.first, scratch, handler);
      out += ':';
      AppendString(out, entry.second, scratch, handler);
    }
    out += '}';
    return out;
  };
  try {
    return write(json::error_handler_t::strict);
  } catch (const json::exception& error) {
    LOG(ERROR) << error.what();
    return write(json::error_handler_t::replace);
  }
}

}  // namespace qrv
}  // namespace marrow
