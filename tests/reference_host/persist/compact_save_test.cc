// Saving without indentation, the writer's growing buffer and the progress a
// long save or load reports.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "reference_host/builder/document_generator.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/json_text_writer.h"
#include "tests/support/random_document.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using nlohmann::json;
using reference_host::persist::JsonLayout;
using reference_host::persist::JsonTextWriter;

reference_host::SaveOptions Compact() {
  reference_host::SaveOptions options;
  options.compact = true;
  return options;
}

// One document, two spellings, each the library's own dump of one value; the
// compact one loads back to the same document.
RC_GTEST_PROP(CompactSave, SpellsTheValueAsTheLibraryDumpsItAndRoundTrips, ()) {
  auto document = DrawRandomDocument();
  const std::string indented = reference_host::SaveDocumentText(*document->document());
  const std::string compact = reference_host::SaveDocumentText(*document->document(), Compact());
  const json value = json::parse(indented);
  RC_ASSERT(compact == value.dump() + "\n");
  RC_ASSERT(indented == value.dump(2) + "\n");

  reference_host::LoadResult from_compact = reference_host::LoadDocumentText(compact);
  RC_ASSERT(from_compact.error == "");
  RC_ASSERT(reference_host::SaveDocumentText(*from_compact.document->document()) == indented);
}

TEST(JsonTextWriter, KeepsTextAlreadyInTheStringAndGrowsPastItsStep) {
  std::string out = "prefix ";
  std::vector<size_t> heard;
  {
    JsonTextWriter writer(out, 0, JsonLayout::kCompact);
    writer.set_progress([&](size_t done) { heard.push_back(done); });
    writer.BeginArray();
    // Three megabytes in pieces of every size across the writer's step.
    const std::string piece(1000, 'x');
    for (int i = 0; i < 3000; ++i) {
      writer.Element();
      writer.String(piece);
    }
    writer.Element();
    writer.Int(-9223372036854775807LL - 1);
    writer.Element();
    writer.Double(0.1);
    writer.EndArray();
  }  // the writer trims the string as it goes
  ASSERT_EQ(out.compare(0, 7, "prefix "), 0);
  const json value = json::parse(out.substr(7));
  ASSERT_EQ(value.size(), 3002u);
  EXPECT_EQ(value[3000].get<long long>(), -9223372036854775807LL - 1);
  EXPECT_EQ(out.substr(out.size() - 26), ",-9223372036854775808,0.1]");
  ASSERT_GE(heard.size(), 2u);
  for (size_t i = 1; i < heard.size(); ++i) EXPECT_LT(heard[i - 1], heard[i]);
  EXPECT_LE(heard.back(), out.size());
}

TEST(JsonTextWriter, WritesOnAfterFinish) {
  std::string out;
  JsonTextWriter writer(out);
  writer.BeginObject();
  writer.Key("a");
  writer.Null();
  writer.Finish();
  EXPECT_EQ(out, "{\n  \"a\": null");
  writer.Key("b\n");
  writer.Bool(false);
  writer.EndObject();
  writer.Finish();
  EXPECT_EQ(out, "{\n  \"a\": null,\n  \"b\\n\": false\n}");
}

TEST(JsonTextWriter, SinkModeHandsOnPiecesAndStopsAtARefusal) {
  std::string buffer;
  std::string handed;
  int pieces = 0;
  JsonTextWriter writer(buffer, [&](const char* bytes, size_t size) {
    handed.append(bytes, size);
    return ++pieces < 3;
  });
  const std::string big(600 << 10, 'x');  // more than a piece at once
  writer.BeginArray();
  for (int i = 0; i < 3; ++i) {
    writer.Element();
    writer.String(big);
  }
  writer.EndArray();
  writer.Finish();
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ(pieces, 3);
  // "[", three quoted strings, "\n  " before the first, ",\n  " before
  // the others, "\n]".
  EXPECT_EQ(writer.size(), 3 * (big.size() + 2) + 14);
  EXPECT_EQ(handed.substr(0, 6), "[\n  \"x");
  EXPECT_LT(buffer.size(), writer.size());
}

// Saves and loads report their bytes in order, ending at the whole text.
class ProgressTest : public testing::Test {
 protected:
  std::unique_ptr<reference_host::AppDocumentImpl> LargeDocument() {
    // Some 12 MB of text: more than one report of the file writer and reader.
    reference_host::GeneratorOptions options = reference_host::OptionsForObjects(20000);
    return reference_host::GenerateDocument(options);
  }

  std::vector<std::pair<size_t, size_t>> heard_;
  reference_host::ProgressCallback Hear() {
    return [this](size_t done, size_t total) { heard_.emplace_back(done, total); };
  }
};

TEST_F(ProgressTest, FileSaveStreamsTheTextAndTellsItsBytesThenTheWhole) {
  auto document = LargeDocument();
  const std::string path = testing::TempDir() + "compact_save_test_progress.json";
  reference_host::SaveOptions options = Compact();
  options.progress = Hear();
  std::string error;
  ASSERT_TRUE(reference_host::SaveDocumentFile(*document->document(), path, &error, options))
      << error;
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::remove(path.c_str());
  // Written in pieces, byte for byte the text a save into memory makes.
  EXPECT_EQ(text.str(), reference_host::SaveDocumentText(*document->document(), Compact()));
  const size_t size = text.str().size();
  ASSERT_GT(heard_.size(), 2u);
  EXPECT_EQ(heard_.front().second, 0u);  // the size is not known while writing
  EXPECT_EQ(heard_.back(), std::make_pair(size, size));
  for (size_t i = 1; i < heard_.size(); ++i) EXPECT_LE(heard_[i - 1].first, heard_[i].first);
}

TEST_F(ProgressTest, LoadTellsTheFileReadAndTheWholeText) {
  auto document = LargeDocument();
  const std::string path = testing::TempDir() + "compact_save_test_load.json";
  std::string error;
  ASSERT_TRUE(reference_host::SaveDocumentFile(*document->document(), path, &error)) << error;
  reference_host::LoadResult loaded = reference_host::LoadDocumentFile(path, Hear());
  std::remove(path.c_str());
  ASSERT_TRUE(loaded) << loaded.error;
  ASSERT_FALSE(heard_.empty());
  const size_t size = heard_.back().second;
  EXPECT_GT(size, size_t{8} << 20);
  EXPECT_EQ(heard_.back().first, size);
  for (size_t i = 1; i < heard_.size(); ++i) {
    EXPECT_EQ(heard_[i].second, size);
    EXPECT_LE(heard_[i].first, size);
  }
}

}  // namespace
