// The stream loader against the tree loader it replaces: the same document
// for every text the tree loader takes, a refusal for every text it refuses,
// and through LoadDocumentText the tree loader's message for that refusal.
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reference_host/builder/document_generator.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/document_stream_reader.h"
#include "tests/support/random_document.h"
#include "tests/support/test_support.h"

namespace {

using reference_host::LoadResult;

// Empty when both loaders agree on |text|, else what differs.
std::string Disagreement(const std::string& text) {
  LoadResult tree = reference_host::persist::LoadDocumentTextByTree(text);
  std::unique_ptr<reference_host::EstimateDocument> stream =
      reference_host::persist::ReadDocumentStream(text);
  if (!stream && tree) return "only the tree loader takes the text";
  if (stream && !tree) return "only the stream loader takes the text; the tree says " + tree.error;
  if (stream) {
    const std::string by_tree = reference_host::SaveDocumentText(*tree.document->document());
    if (reference_host::SaveDocumentText(*stream) != by_tree) return "the documents differ";
  }
  LoadResult loaded = reference_host::LoadDocumentText(text);
  if (loaded.error != tree.error)
    return "errors differ: \"" + loaded.error + "\" and \"" + tree.error + "\"";
  return std::string();
}

// A small generated document with a bit of everything a bill holds.
std::string SmallText() {
  reference_host::GeneratorOptions options;
  options.sub_projects = 1;
  options.bills_per_sub_project = 2;
  options.budget_lines_per_bill = 4;
  options.cost_lines_per_bill = 2;
  options.resource_codes = 6;
  options.accounts = 4;
  options.bill_stages = 2;
  options.contract_entries = 5;
  options.rows = 3;
  options.collected_fraction = 0.5;
  options.linked_fraction = 0.25;
  auto document = reference_host::GenerateEstimateDocument(options);
  return reference_host::SaveDocumentText(*document);
}

// |text| with the value after the first |member| ("name": ) replaced by
// |value|; the value ends at the line's end or its comma.
std::string WithValue(std::string text, const std::string& member, const std::string& value) {
  const size_t at = text.find("\"" + member + "\": ");
  if (at == std::string::npos) return text;
  const size_t start = at + member.size() + 4;
  const size_t end = text.find_first_of(",\n", start);
  return text.replace(start, end - start, value);
}

// |text| with |members| put first in the first object that follows |member|.
std::string WithMembers(std::string text, const std::string& member, const std::string& members) {
  const size_t at = text.find("\"" + member + "\": {");
  if (at == std::string::npos) return text;
  const size_t open = at + member.size() + 5;
  const bool empty = text.find_first_not_of(" \n", open) == text.find('}', open);
  return text.insert(open, empty ? members : members + ",");
}

struct Case {
  const char* what;
  std::string text;
  bool loads;
};

// Spellings at the edges of JSON and of the format, each taken or refused
// alike; |loads| says which, so both sides are tried.
TEST(StreamLoad, AgreesWithTheTreeLoaderOnEdgeSpellings) {
  const std::string base = SmallText();
  const std::string deep = std::string(600, '[') + std::string(600, ']');
  const std::vector<Case> cases = {
      {"as saved", base, true},
      {"byte order mark", "\xEF\xBB\xBF" + base, true},
      {"trailing white space", base + " \n\t\r", true},
      {"trailing text", base + " x", false},
      {"second closing brace", base + "}", false},
      {"a NUL byte after the document", base + std::string(1, '\0') + "x", false},
      {"escaped member name", WithValue(base, "format", "\"marrow-qrv-estimate\", \"\\u0066o\": 1"),
       true},
      {"member named twice", WithMembers(base, "project", "\"id\": \"twice\""), false},
      {"escaped twin of a member",
       WithValue(base, "format", "\"marrow-qrv-estimate\", \"\\u0066ormat\": 1"), false},
      {"unknown member", WithMembers(base, "project", "\"note\": [1, {\"a\": [true, null]}]"),
       true},
      {"unknown member naming a key twice",
       WithMembers(base, "project", "\"note\": {\"a\": 1, \"a\": 2}"), false},
      {"unknown member with a broken literal", WithMembers(base, "project", "\"note\": tru"),
       false},
      {"unknown member with a bad number", WithMembers(base, "project", "\"note\": 01"), false},
      {"unknown member too deep", WithMembers(base, "project", "\"note\": " + deep), false},
      // A text followed by a colon reads as a member name to a parser asked
      // for the text's token only; the brackets after it then close the
      // wrong containers.
      {"unknown member with a text and a colon in a list",
       WithMembers(base, "project", "\"note\": [0, \"a\": }]"), false},
      {"text member followed by a colon", WithValue(base, "format", "\"marrow-qrv-estimate\": }"),
       false},
      {"unknown member with a lone surrogate",
       WithMembers(base, "project", "\"note\": \"\\ud800\""), false},
      {"version as a double", WithValue(base, "version", "1.0"), false},
      {"version with an exponent", WithValue(base, "version", "1e0"), false},
      {"version as text", WithValue(base, "version", "\"1\""), false},
      {"negative zero quantity", WithValue(base, "quantity", "-0"), true},
      {"quantity beyond 64 bits", WithValue(base, "quantity", "99999999999999999999"), true},
      {"quantity out of range", WithValue(base, "quantity", "1e400"), false},
      {"quantity below the smallest double", WithValue(base, "quantity", "1e-400"), true},
      {"quantity below the smallest double, negative", WithValue(base, "quantity", "-0.00001e-320"),
       true},
      {"quantity beyond the largest double without an exponent",
       WithValue(base, "quantity", "1" + std::string(310, '0') + ".5"), false},
      {"quantity of fifty digits",
       WithValue(base, "quantity", "0.4444444444444444444444444444444444444444444444440"), true},
      {"quantity of a hundred digits", WithValue(base, "quantity", std::string(100, '2') + "5.0"),
       true},
      {"quantity at the smallest double", WithValue(base, "quantity", "2.5e-324"), true},
      {"quantity with a leading zero", WithValue(base, "quantity", "01"), false},
      {"quantity with a bare point", WithValue(base, "quantity", "1."), false},
      {"quantity as a NaN name", WithValue(base, "quantity", "NaN"), false},
      {"quantity as a NaN object", WithValue(base, "quantity", "{\"double\": \"NaN\"}"), false},
      {"quantity null", WithValue(base, "quantity", "null"), true},
      {"quantity as nul", WithValue(base, "quantity", "nul"), false},
      {"field of negative zero", WithMembers(base, "fields", "\"t\": -0"), true},
      {"field at the int limit", WithMembers(base, "fields", "\"t\": 2147483647"), true},
      {"field past the int limit", WithMembers(base, "fields", "\"t\": 2147483648"), false},
      {"field below the int limit", WithMembers(base, "fields", "\"t\": -2147483649"), false},
      {"field of raw bytes", WithMembers(base, "fields", "\"t\": {\"bytes\": \"ff00\"}"), true},
      {"field of odd hex", WithMembers(base, "fields", "\"t\": {\"bytes\": \"f\"}"), false},
      {"field of bytes and more",
       WithMembers(base, "fields", "\"t\": {\"bytes\": \"ff\", \"x\": 1}"), false},
      {"field of a NaN with bits",
       WithMembers(base, "fields", "\"t\": {\"bits\": \"7ff8000000000001\", \"double\": \"NaN\"}"),
       true},
      {"field of infinity with bits",
       WithMembers(base, "fields",
                   "\"t\": {\"bits\": \"7ff0000000000000\", \"double\": \"Infinity\"}"),
       false},
      {"field of an array", WithMembers(base, "fields", "\"t\": [1]"), false},
      {"field named twice", WithMembers(base, "fields", "\"t\": 1, \"t\": 2"), false},
      {"field with an escaped key", WithMembers(base, "fields", "\"\\u0000ff\": 1"), true},
      {"field with a needlessly escaped key", WithMembers(base, "fields", "\"\\u000041\": 1"),
       false},
      {"field of an escaped text", WithMembers(base, "fields", "\"t\": \"\\u00e9\\n\\/\""), true},
      {"field of a surrogate pair", WithMembers(base, "fields", "\"t\": \"\\ud83d\\ude00\""), true},
      {"field of a lone low surrogate", WithMembers(base, "fields", "\"t\": \"\\udc00\""), false},
      {"field with a raw control byte", WithMembers(base, "fields", "\"t\": \"a\tb\""), false},
      {"field of overlong UTF-8", WithMembers(base, "fields", "\"t\": \"\xC0\x80\""), false},
      // Bill items and copy items are read apart from the rest; brackets
      // that only count out right must not slip through between the two.
      {"bill item with a list closed by a brace", WithMembers(base, "fee", "\"note\": [1}"), false},
      {"copy item with an object closed by a bracket",
       WithMembers(base, "record", "\"note\": {\"a\": 1]"), false},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    if (std::string(each.what) != "as saved") {
      ASSERT_NE(each.text, base);
    }
    EXPECT_EQ(Disagreement(each.text), "");
    EXPECT_EQ(static_cast<bool>(reference_host::LoadDocumentText(each.text)), each.loads);
  }
}

// The nesting limit counts from the top of the document in bill items and
// copy items too, though each is read by a parser of its own.
TEST(StreamLoad, AgreesOnTheNestingLimitInsideBillAndCopyItems) {
  const std::string base = SmallText();
  for (const char* member : {"fee", "record"}) {
    SCOPED_TRACE(member);
    int loads = 0, tries = 0;
    for (int levels = 488; levels <= 512; ++levels, ++tries) {
      const std::string text = WithMembers(
          base, member, "\"note\": " + std::string(levels, '[') + std::string(levels, ']'));
      ASSERT_NE(text, base);
      EXPECT_EQ(Disagreement(text), "") << levels;
      loads += static_cast<bool>(reference_host::LoadDocumentText(text));
    }
    EXPECT_GT(loads, 0);
    EXPECT_LT(loads, tries);
  }
}

// The JSON library stops at a NUL byte as at the end of the input; what
// follows one must not pass unseen.
TEST(StreamLoad, ANulByteAfterTheDocumentIsNamed) {
  const std::string base = SmallText();
  const long lines = std::count(base.begin(), base.end(), '\n');
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(base + '\0' + "}");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(loaded.error, "byte " + std::to_string(base.size()) + " (line " +
                              std::to_string(lines + 1) +
                              ", column 1): malformed JSON (a NUL byte after the document)");
}

// Thousands of ids take the linker's index through several growths; a
// repeated id is still found after them.
TEST(StreamLoad, AgreesOnDocumentsOfThousandsOfObjects) {
  const std::string text = reference_host::SaveDocumentText(
      *reference_host::GenerateEstimateDocument(reference_host::OptionsForObjects(5000)));
  EXPECT_EQ(Disagreement(text), "");
  ASSERT_TRUE(reference_host::persist::ReadDocumentStream(text));

  // The 4000th id made the same as the 10th.
  std::vector<size_t> ids;
  for (size_t at = text.find("\"id\": \""); at != std::string::npos;
       at = text.find("\"id\": \"", at + 1))
    ids.push_back(at + 7);
  ASSERT_GT(ids.size(), 4000u);
  auto value = [&](size_t at) { return text.substr(at, text.find('"', at + 1) - at + 1); };
  std::string repeated = text;
  repeated.replace(ids[4000], value(ids[4000]).size(), value(ids[10]));
  EXPECT_EQ(Disagreement(repeated), "");
  EXPECT_NE(reference_host::LoadDocumentText(repeated).error.find(": duplicate id "),
            std::string::npos);
}

RC_GTEST_PROP(StreamLoad, GeneratedDocumentsLoadAsThroughTheTree, ()) {
  reference_host::GeneratorOptions options;
  options.seed = *rc::gen::inRange<std::uint64_t>(1, 1000);
  options.sub_projects = *rc::gen::inRange(1, 3);
  options.sub_projects_per_single = *rc::gen::inRange(1, 3);
  options.bills_per_sub_project = *rc::gen::inRange(0, 4);
  options.entries_per_bill = *rc::gen::inRange(0, 3);
  options.budget_lines_per_bill = *rc::gen::inRange(0, 6);
  options.cost_lines_per_bill = *rc::gen::inRange(0, 4);
  options.resource_codes = *rc::gen::inRange(1, 8);
  options.accounts = *rc::gen::inRange(0, 10);
  options.account_depth = *rc::gen::inRange(1, 4);
  options.bill_stages = *rc::gen::inRange(0, 4);
  options.contract_entries = *rc::gen::inRange(0, 8);
  options.rows = *rc::gen::inRange(0, 8);
  options.row_depth = *rc::gen::inRange(1, 4);
  options.collected_fraction = *rc::gen::inRange(0, 5) / 10.0;
  options.linked_fraction = *rc::gen::inRange(0, 5) / 10.0;
  auto document = reference_host::GenerateEstimateDocument(options);
  const std::string text = reference_host::SaveDocumentText(*document);
  auto stream = reference_host::persist::ReadDocumentStream(text);
  RC_ASSERT(stream != nullptr);
  RC_ASSERT(reference_host::SaveDocumentText(*stream) == text);
}

// A few bytes of a saved text replaced, put in or taken out: bytes that
// matter to JSON and to the format most of the time, any byte otherwise.
RC_GTEST_PROP(StreamLoad, CorruptedTextsGiveTheTreeLoadersAnswer, ()) {
  const auto document = *rc::gen::resize(
      30, rc::gen::exec([] {
        return std::shared_ptr<reference_host::AppDocumentImpl>(test_support::DrawRandomDocument());
      }));
  std::string text = reference_host::SaveDocumentText(*document->document());
  static const std::string kTelling = "{}[],:\"\\ 0123456789-+.eEnulltruefalse\x01\x80\xC3\xFF";
  const int corruptions = *rc::gen::inRange(1, 4);
  for (int i = 0; i < corruptions; ++i) {
    const size_t at = *rc::gen::inRange<size_t>(0, text.size());
    const char byte =
        *rc::gen::arbitrary<bool>() ? *rc::gen::elementOf(kTelling) : *rc::gen::arbitrary<char>();
    switch (*rc::gen::inRange(0, 3)) {
      case 0:
        if (at < text.size()) text[at] = byte;
        break;
      case 1:
        text.insert(at, 1, byte);
        break;
      default:
        if (at < text.size()) text.erase(at, 1);
        break;
    }
  }
  const std::string disagreement = Disagreement(text);
  RC_TAG(reference_host::persist::LoadDocumentTextByTree(text) ? "loads" : "refused");
  RC_ASSERT(disagreement == "");
}

}  // namespace
