// Whole-document JSON files: lossless round trips and refusals that name the
// faulty place.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <typeinfo>

#include "reference_host/persist/document_json.h"
#include "reference_host/persist/json_values.h"
#include "tests/support/bounded_size.h"
#include "tests/support/random_document.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using nlohmann::json;

bool SameDouble(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameFields(const reference_host::DocumentObjectImpl& a,
                const reference_host::DocumentObjectImpl& b) {
  const auto& left = a.fields()->GetAllFields();
  const auto& right = b.fields()->GetAllFields();
  if (left.size() != right.size()) return false;
  for (auto l = left.begin(), r = right.begin(); l != left.end(); ++l, ++r) {
    if (l->first != r->first || l->second.kind() != r->second.kind()) return false;
    if (l->second.IsDouble() ? !SameDouble(l->second.GetDouble(), r->second.GetDouble())
                             : l->second != r->second)
      return false;
  }
  return true;
}

// What a reload must keep, checked apart from the saver: every object under
// its id with its class and fields, and the state of entries and lines
// (quantities as read, derived ones included).
void ExpectSameObjects(const reference_host::EstimateDocument& original,
                       const reference_host::EstimateDocument& loaded) {
  RC_ASSERT(loaded.object_count() == original.object_count());
  std::vector<engine::DocumentObject*> objects;
  original.GetAllObjects(objects);
  for (engine::DocumentObject* object : objects) {
    auto* impl = dynamic_cast<reference_host::DocumentObjectImpl*>(object);
    reference_host::DocumentObjectImpl* twin = loaded.FindImpl(object->GetId());
    RC_ASSERT(twin != nullptr);
    RC_ASSERT(typeid(*twin) == typeid(*object));
    RC_ASSERT(SameFields(*impl, *twin));
    if (auto* entry = dynamic_cast<reference_host::BaseResItemImpl*>(object)) {
      auto* twin_entry = dynamic_cast<reference_host::BaseResItemImpl*>(twin);
      RC_ASSERT(entry->registered_res_item_ids() == twin_entry->registered_res_item_ids());
      RC_ASSERT(SameDouble(entry->registered_quantity(), twin_entry->registered_quantity()));
    }
    if (auto* line = dynamic_cast<reference_host::ResItemImpl*>(object)) {
      auto* twin_line = dynamic_cast<reference_host::ResItemImpl*>(twin);
      double a = 0, b = 0;
      RC_ASSERT(line->GetQuantity(a) == twin_line->GetQuantity(b));
      RC_ASSERT(SameDouble(a, b));
      RC_ASSERT(SameDouble(line->collected_quantity(), twin_line->collected_quantity()));
      RC_ASSERT(line->linked_ids() == twin_line->linked_ids());
      RC_ASSERT(line->GetContent() == twin_line->GetContent());
      RC_ASSERT(line->GetSourceRef() == twin_line->GetSourceRef());
      RC_ASSERT((line->GetBaseResItem() == nullptr) == (twin_line->GetBaseResItem() == nullptr));
      if (line->GetBaseResItem())
        RC_ASSERT(line->GetBaseResItem()->GetId() == twin_line->GetBaseResItem()->GetId());
      RC_ASSERT((line->GetCollect() == nullptr) == (twin_line->GetCollect() == nullptr));
      if (line->GetCollect())
        RC_ASSERT(line->GetCollect()->GetCollectType() ==
                  twin_line->GetCollect()->GetCollectType());
    }
  }
}

std::string SmallDocumentText() {
  auto document = DocumentBuilder("p1", "Riverside Office")
                      .CostAccount("ca1", "01", "Civil")
                      .BillStage("st1", "Stage 1")
                      .ContractGroup("g1", "MaterialForm")
                      .ContractEntry("e1", "M01", "Cement")
                      .WithUnit("t")
                      .WithCostAccount("ca1")
                      .Root("sp1", "Building", engine::kSubProjectUnit)
                      .Bill("b1", 10)
                      .Fee("Labor", 12.5, 125)
                      .BudgetLine("ys1", 5, "C001")
                      .WithName("Cement")
                      .WithUnit("t")
                      .WithPrice(420.5)
                      .CostLine("cb1", "e1")
                      .Collect("ys1", "cb1", 4, "copy1")
                      .Build();
  return reference_host::SaveDocumentText(*document->document());
}

std::string SourceDir() {
  std::string file = __FILE__;
  return file.substr(0, file.rfind("/tests/"));
}

std::string TempPath(const std::string& name) {
  return testing::TempDir() + "persist_test_" + name;
}

RC_GTEST_PROP(DocumentJsonRoundTrip, SaveLoadSaveGivesTheSameText, ()) {
  auto document = DrawRandomDocument();
  const std::string first = reference_host::SaveDocumentText(*document->document());
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(first);
  RC_ASSERT(loaded.error == "");
  RC_ASSERT(reference_host::SaveDocumentText(*loaded.document->document()) == first);
  ExpectSameObjects(*document->document(), *loaded.document->document());
}

RC_GTEST_PROP(DocumentJsonValues, Utf8CheckAgreesWithTheSerialiser, ()) {
  const std::string text = *rc::gen::arbitrary<bool>()
                               ? *test_support::AtMostSize(rc::gen::arbitrary<std::string>())
                               : DrawOddText();
  bool serialisable = true;
  try {
    json(text).dump();
  } catch (const json::exception&) {
    serialisable = false;
  }
  RC_ASSERT(reference_host::persist::IsValidUtf8(text) == serialisable);
  std::string back;
  RC_ASSERT(reference_host::persist::TextFromJson(
      json::parse(reference_host::persist::TextToJson(text).dump()), back));
  RC_ASSERT(back == text);
}

TEST(DocumentJsonRoundTrip, KeepsValueKindsAndOddDoublesApart) {
  auto document = DocumentBuilder("p")
                      .SubProject("sp", "S")
                      .Bill("b", 1)
                      .BudgetLine("ys", -0.0, "C")
                      .WithField("int", 1)
                      .WithField("double", 1.0)
                      .WithField("nan", std::nan(""))
                      .WithField("empty", engine::FieldValue())
                      .WithField("bad", std::string("\xff"))
                      .Build();
  reference_host::LoadResult loaded =
      reference_host::LoadDocumentText(reference_host::SaveDocumentText(*document->document()));
  ASSERT_TRUE(loaded) << loaded.error;
  const auto& fields =
      loaded.document->Find<reference_host::ResItemImpl>("ys")->fields()->GetAllFields();
  EXPECT_TRUE(fields.at("int").IsInt());
  EXPECT_TRUE(fields.at("double").IsDouble());
  EXPECT_TRUE(std::isnan(fields.at("nan").GetDouble()));
  EXPECT_TRUE(fields.at("empty").IsEmpty());
  EXPECT_EQ(fields.at("bad").GetString(), "\xff");
  double quantity = 1;
  ASSERT_TRUE(loaded.document->Find<engine::ResItem>("ys")->GetQuantity(quantity));
  EXPECT_TRUE(std::signbit(quantity));
}

TEST(DocumentJsonRoundTrip, ShippedExampleIsWhatTheSaverWrites) {
  const std::string path = SourceDir() + "/examples/small.json";
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), SmallDocumentText());
  reference_host::LoadResult loaded = reference_host::LoadDocumentFile(path);
  ASSERT_TRUE(loaded) << loaded.error;
  double copied = 0;
  ASSERT_TRUE(loaded.document->Find<engine::ResItem>("copy1")->GetQuantity(copied));
  EXPECT_DOUBLE_EQ(copied, 4);
}

// Each corruption of the small document is refused at its place.
struct Corruption {
  const char* what;
  std::function<void(json&)> apply;
  const char* error_prefix;
};

const char kBill[] = "/project/subProjects/0/bills/0";

json& At(json& root, const std::string& pointer) { return root[json::json_pointer(pointer)]; }

TEST(DocumentJsonLoad, RefusesCorruptedInputAtThePlace) {
  const std::string b = kBill;
  const std::vector<Corruption> cases = {
      {"wrong type", [&](json& j) { At(j, b + "/budget/0/quantity") = "five"; },
       "/project/subProjects/0/bills/0/budget/0/quantity: expected a number or null"},
      {"missing member", [](json& j) { At(j, "/project/subProjects/0").erase("kind"); },
       "/project/subProjects/0/kind: required member is missing"},
      {"duplicate id", [&](json& j) { At(j, b + "/cost/0/id") = "ys1"; },
       "/project/subProjects/0/bills/0/cost/0/id: duplicate id \"ys1\", first used at "
       "/project/subProjects/0/bills/0/budget/0"},
      {"empty id", [](json& j) { At(j, "/project/id") = ""; },
       "/project/id: an id must not be empty"},
      {"unknown entry", [&](json& j) { At(j, b + "/budget/0/entry") = "nope"; },
       "/project/subProjects/0/bills/0/budget/0/entry: names no object"},
      {"entry of wrong kind", [&](json& j) { At(j, b + "/budget/0/entry") = "b1"; },
       "/project/subProjects/0/bills/0/budget/0/entry: \"b1\" is not a resource entry"},
      {"link of wrong kind", [&](json& j) { At(j, b + "/cost/0/linked") = json::array({"b1"}); },
       "/project/subProjects/0/bills/0/cost/0/linked/0: \"b1\" is not a resource line"},
      {"unknown copy", [&](json& j) { At(j, b + "/budget/0/record/copies/0") = "nope"; },
       "/project/subProjects/0/bills/0/budget/0/record/copies/0: names no object"},
      {"record target of wrong kind", [](json& j) { At(j, "/copies/0/record/costItem") = "e1"; },
       "/copies/0/record/costItem: \"e1\" is not a resource line"},
      {"record owner unknown", [&](json& j) { At(j, b + "/cost/0/record/owner") = "nope"; },
       "/project/subProjects/0/bills/0/cost/0/record/owner: names no object"},
      {"record on the wrong item", [&](json& j) { At(j, b + "/budget/0/record/kind") = "object"; },
       "/project/subProjects/0/bills/0/budget/0/record/kind: an object record belongs on a cost "
       "line"},
      {"copy no record lists",
       [&](json& j) {
         At(j, b + "/budget/0/record").erase("copies");
         At(j, b + "/cost/0/record").erase("copies");
       },
       "/copies/0: a copy item that no collection record lists"},
      {"bad field value",
       [&](json& j) {
         At(j, b + "/budget/0/fields/BRIName") = json::array({1, 2});
       },
       "/project/subProjects/0/bills/0/budget/0/fields/BRIName: expected a field value"},
      {"needless key escape",
       [&](json& j) {
         At(j, b + "/budget/0/fields")[std::string(
             "\0"
             "41",
             3)] = 1;
       },
       "/project/subProjects/0/bills/0/budget/0/fields/"},
      {"int field out of range",
       [&](json& j) { At(j, b + "/budget/0/fields/BRIName") = 10000000000LL; },
       "/project/subProjects/0/bills/0/budget/0/fields/BRIName: integer out of range"},
      {"bad bytes",
       [](json& j) {
         At(j, "/project/name") = {{"bytes", "zz"}};
       },
       "/project/name: expected a text"},
      {"bad double name",
       [&](json& j) {
         At(j, b + "/quantity") = {{"double", "nan"}};
       },
       "/project/subProjects/0/bills/0/quantity: expected a number or null"},
      {"two roots",
       [](json& j) { At(j, "/project/subProjects").push_back(At(j, "/project/subProjects/0")); },
       "/project/subProjects/1: a project has at most one root sub-project"},
      {"list of wrong type", [&](json& j) { At(j, b + "/cost") = "none"; },
       "/project/subProjects/0/bills/0/cost: expected an array or null"},
      {"not an estimate", [](json& j) { j["format"] = "other"; },
       "/format: expected \"marrow-qrv-estimate\""},
      {"unknown version", [](json& j) { j["version"] = 2; },
       "/version: unsupported format version 2"},
      {"not an object", [](json& j) { j = json::array(); }, "/: expected an object"},
  };
  const json good = json::parse(SmallDocumentText());
  ASSERT_TRUE(reference_host::LoadDocumentJson(good));
  for (const Corruption& corruption : cases) {
    json bad = good;
    corruption.apply(bad);
    reference_host::LoadResult loaded = reference_host::LoadDocumentJson(bad);
    EXPECT_FALSE(loaded) << corruption.what;
    EXPECT_EQ(loaded.error.rfind(corruption.error_prefix, 0), 0u)
        << corruption.what << ": got \"" << loaded.error << "\"";
  }
}

TEST(DocumentJsonLoad, RefusesDeepNestingWithoutRecursing) {
  EXPECT_EQ(reference_host::LoadDocumentText(std::string(100000, '['))
                .error.rfind("byte 512: nested deeper than 512", 0),
            0u);

  // The same limit holds for a JSON value built in memory.
  json document = json::parse(SmallDocumentText());
  json* bill = &At(document, kBill);
  for (int i = 0; i < 300; ++i) {
    (*bill)["bills"] = json::array({{{"id", "deep" + std::to_string(i)},
                                     {"nodeKind", 3},
                                     {"measureKind", 0},
                                     {"quantity", 1.0}}});
    bill = &(*bill)["bills"][0];
  }
  reference_host::LoadResult loaded = reference_host::LoadDocumentJson(document);
  EXPECT_FALSE(loaded);
  EXPECT_NE(loaded.error.find(": nested deeper than 512 levels"), std::string::npos)
      << loaded.error;
}

TEST(DocumentJsonFile, SavesAndLoadsBack) {
  const std::string path = TempPath("saved.json");
  std::string error;
  auto document = reference_host::LoadDocumentText(SmallDocumentText());
  ASSERT_TRUE(document);
  ASSERT_TRUE(reference_host::SaveDocumentFile(*document.document->document(), path, &error))
      << error;
  reference_host::LoadResult loaded = reference_host::LoadDocumentFile(path);
  ASSERT_TRUE(loaded) << loaded.error;
  EXPECT_EQ(reference_host::SaveDocumentText(*loaded.document->document()), SmallDocumentText());
  std::remove(path.c_str());

  EXPECT_FALSE(reference_host::SaveDocumentFile(*document.document->document(),
                                                TempPath("no/such/dir.json"), &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

TEST(DocumentJsonFile, RefusesTruncatedAndMissingFiles) {
  const std::string path = TempPath("truncated.json");
  const std::string text = SmallDocumentText();
  std::ofstream(path, std::ios::binary) << text.substr(0, text.size() / 2);
  reference_host::LoadResult truncated = reference_host::LoadDocumentFile(path);
  EXPECT_FALSE(truncated);
  EXPECT_EQ(truncated.error.rfind(path + ": byte ", 0), 0u) << truncated.error;
  EXPECT_NE(truncated.error.find("malformed JSON"), std::string::npos) << truncated.error;
  std::remove(path.c_str());

  reference_host::LoadResult missing = reference_host::LoadDocumentFile(TempPath("missing.json"));
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.error.find("cannot open"), std::string::npos) << missing.error;
}

}  // namespace
