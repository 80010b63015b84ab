// The id index reads its stored form in one pass, without the document
// tree; it must read and write exactly as reading the whole document does.
#include "funcs/project/id_index.h"

#include <map>
#include <nlohmann/json.hpp>

#include "tests/support/test_support.h"

namespace {

using marrow::qrv::IdIndex;
using nlohmann::json;
using test_support::LogCapture;
using Entries = std::map<std::string, std::string>;

// The stored form read through the whole document, member by member; the
// name of a member goes in before its value is read as text.
void Put(Entries& index, const std::string& name, const json& value) {
  std::string& suffix = index[name];
  suffix = value.get<std::string>();
}

void ReadThroughDocument(const std::string& text, Entries& index,
                         std::vector<std::string>& errors) {
  try {
    const json document = json::parse(text);
    if (document.is_object()) {
      for (auto member = document.begin(); member != document.end(); ++member)
        Put(index, member.key(), member.value());
    } else if (document.is_array()) {
      for (size_t i = 0; i < document.size(); ++i) Put(index, std::to_string(i), document[i]);
    } else if (!document.is_null()) {
      Put(index, std::string(), document);
    }
  } catch (const json::exception& error) {
    errors.push_back(error.what());
  }
}

Entries EntriesOf(const IdIndex& index) { return Entries(index.begin(), index.end()); }

IdIndex IndexOf(const Entries& entries) {
  IdIndex index;
  for (const auto& [id, suffix] : entries) index.Set(id, suffix);
  return index;
}

// Names that sort apart from their array position, need escapes, or are
// not ASCII; few enough that they repeat.
std::string RandomName() {
  return *rc::gen::element<std::string>("a", "b", "sp-1", "10", "2", "q\"t", "é", "", "tab\tbed");
}

std::string RandomValue(int depth) {
  switch (*rc::gen::inRange(0, depth > 0 ? 8 : 10)) {
    case 0:
      return "3";
    case 1:
      return "null";
    case 2:
      return "true";
    case 3:
      return "-2.5e3";
    case 4:
    case 5:
      return "{" + json(RandomName()).dump() + ":" + RandomValue(depth + 1) + "}";
    case 6:
    case 7:
      return "[" + RandomValue(depth + 1) + "," + RandomValue(depth + 1) + "]";
    default:
      return json("_" + std::to_string(*rc::gen::inRange(1, 40))).dump();
  }
}

// A stored index as a person or another program may have left it: mostly
// objects of suffixes, with repeated names and values that are no text,
// now and then an array or a single value, now and then cut short.
std::string RandomStoredText() {
  std::string text;
  const int shape = *rc::gen::inRange(0, 10);
  const int members = *rc::gen::inRange(0, 6);
  if (shape < 7) {
    text = "{";
    for (int i = 0; i < members; ++i) {
      if (i) text += ",";
      text += json(RandomName()).dump() + ":";
      text += *rc::gen::inRange(0, 5) ? json("_" + std::to_string(i + 1)).dump() : RandomValue(1);
    }
    text += "}";
  } else if (shape < 9) {
    text = "[";
    for (int i = 0; i < members; ++i) text += (i ? "," : "") + RandomValue(1);
    text += "]";
  } else {
    text = RandomValue(1);
  }
  if (*rc::gen::inRange(0, 8) == 0) text.resize(*rc::gen::inRange<size_t>(0, text.size() + 1));
  if (*rc::gen::inRange(0, 8) == 0) text += " x";
  return text;
}

RC_GTEST_PROP(IdIndexProperties, ReadsAsTheWholeDocumentWould, ()) {
  Entries held;
  for (int i = *rc::gen::inRange(0, 4); i > 0; --i) held[RandomName()] = "_9";
  const std::string text = RandomStoredText();
  RC_LOG() << "stored: " << text << "\n";

  Entries expected = held;
  std::vector<std::string> expected_errors;
  ReadThroughDocument(text, expected, expected_errors);

  IdIndex index = IndexOf(held);
  LogCapture log;
  index.Read(text);
  RC_ASSERT(EntriesOf(index) == expected);
  RC_ASSERT(log.Messages(google::GLOG_ERROR) == expected_errors);
}

RC_GTEST_PROP(IdIndexProperties, WritesWhatReadsBackAndWhatTheDocumentWrites, ()) {
  Entries entries;
  for (int i = *rc::gen::inRange(0, 12); i > 0; --i)
    entries[*rc::gen::oneOf(rc::gen::just(RandomName()), rc::gen::arbitrary<std::string>())] =
        "_" + std::to_string(i);
  const IdIndex index = IndexOf(entries);

  json document = json::object();
  for (const auto& [id, suffix] : entries) document[id] = suffix;
  std::string expected;
  std::vector<std::string> expected_errors;
  try {
    expected = entries.empty() ? "" : document.dump();
  } catch (const json::exception& error) {
    expected_errors.push_back(error.what());
    expected = document.dump(-1, ' ', false, json::error_handler_t::replace);
  }

  LogCapture log;
  const std::string text = index.ToText();
  RC_ASSERT(text == expected);
  RC_ASSERT(log.Messages(google::GLOG_ERROR) == expected_errors);
  if (expected_errors.empty() && !entries.empty()) {
    IdIndex again;
    again.Read(text);
    RC_ASSERT(EntriesOf(again) == entries);
  }
}

TEST(IdIndexTest, SetKeepsByteOrderAndOverwrites) {
  IdIndex index;
  index.Set("sp-b", "_2");
  index.Set("sp-a", "_1");
  index.Set("SP", "_3");
  index.Set("sp-b", "_4");
  EXPECT_EQ(EntriesOf(index), (Entries{{"SP", "_3"}, {"sp-a", "_1"}, {"sp-b", "_4"}}));
  EXPECT_EQ(index.ToText(), R"({"SP":"_3","sp-a":"_1","sp-b":"_4"})");
  ASSERT_NE(index.Find("sp-a"), nullptr);
  EXPECT_EQ(*index.Find("sp-a"), "_1");
  EXPECT_EQ(index.Find("sp"), nullptr);
}

}  // namespace
