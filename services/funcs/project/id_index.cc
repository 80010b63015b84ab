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

// The top-level members of a stored index as read, in document order:
// names with the texts of string values, and each value's type.
struct ReadMembers {
  std::vector<IdIndex::Entry> entries;
  std::vector<json::value_t> types;
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
  ReadMembers& members() { return members_; }
  const std::string& error() const { return error_; }

 private:
  bool Value(json::value_t type, json::string_t* text = nullptr) {
    if (depth_ > 1) return true;
    std::string name;
    if (depth_ == 1) name = shape_ == Shape::kArray ? std::to_string(next_++) : std::move(key_);
    members_.entries.emplace_back(std::move(name), text ? std::move(*text) : std::string());
    members_.types.push_back(type);
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
  ReadMembers members_;
  std::string error_;
};

// An object's members as the document holds them: in name order, the last
// of equal names. The library's own stored form is in that order already.
void InNameOrder(ReadMembers& members) {
  std::vector<IdIndex::Entry>& entries = members.entries;
  const auto not_before = [](const IdIndex::Entry& a, const IdIndex::Entry& b) {
    return !(a.first < b.first);
  };
  if (std::adjacent_find(entries.begin(), entries.end(), not_before) == entries.end()) return;
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&entries](std::size_t a, std::size_t b) {
    return entries[a].first < entries[b].first;
  });
  ReadMembers last;
  last.entries.reserve(entries.size());
  last.types.reserve(entries.size());
  for (std::size_t i : order) {
    if (!last.entries.empty() && last.entries.back().first == entries[i].first) {
      last.entries.back() = std::move(entries[i]);
      last.types.back() = members.types[i];
    } else {
      last.entries.push_back(std::move(entries[i]));
      last.types.push_back(members.types[i]);
    }
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
  ReadMembers& members = reader.members();
  if (reader.shape() == MemberReader::Shape::kObject) InNameOrder(members);
  // A stored null holds nothing.
  if (reader.shape() == MemberReader::Shape::kScalar && members.types.size() == 1 &&
      members.types[0] == json::value_t::null)
    return;
  const std::size_t stop =
      std::find_if(members.types.begin(), members.types.end(),
                   [](json::value_t type) { return type != json::value_t::string; }) -
      members.types.begin();
  std::vector<Entry>& read = members.entries;
  const bool stopped = stop < read.size();
  if (stopped) {
    // The stopping member's name stays, with its former suffix if it had one.
    read[stop].second.clear();
    read.resize(Contains(read[stop].first) ? stop : stop + 1);
  }
  // Array names ("0", "1", ..., "10") are not in byte order.
  if (reader.shape() == MemberReader::Shape::kArray)
    std::sort(read.begin(), read.end(),
              [](const Entry& a, const Entry& b) { return a.first < b.first; });
  SetAll(std::move(read));
  if (stopped) LOG(ERROR) << NotTextError(members.types[stop]);
}

std::string IdIndex::ToText() const {
  if (entries_.empty()) return std::string();
  const auto write = [this](json::error_handler_t handler) {
    json scratch = std::string();
    std::size_t size = 2;
    for (const Entry& entry : entries_) size += entry.first.size() + entry.second.size() + 6;
    std::string out;
    out.reserve(size);
    out += '{';
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
