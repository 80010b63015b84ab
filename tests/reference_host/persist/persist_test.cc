// Whole-document JSON files: lossless round trips and refusals that name the
// faulty place.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <typeinfo>

#include "reference_host/persist/document_json.h"
#include "reference_host/persist/document_stream_reader.h"
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

// Random documents hold every value kind, NaNs, negative zeros and texts that
// are no UTF-8, in fields and quantities alike.
RC_GTEST_PROP(DocumentJsonRoundTrip, SaveLoadSaveGivesTheSameText, ()) {
  auto document = DrawRandomDocument();
  const std::string first = reference_host::SaveDocumentText(*document->document());
  // Through the stream reader, not its fallback.
  RC_ASSERT(reference_host::persist::ReadDocumentStream(first) != nullptr);
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

// Each corruption of the small document is refused with this error.
struct Corruption {
  const char* what;
  std::function<void(json&)> apply;
  std::string error;
};

const std::string kBill = "/project/subProjects/0/bills/0";
const std::string kYs = kBill + "/budget/0";
const std::string kCb = kBill + "/cost/0";

json& At(json& root, const std::string& pointer) { return root[json::json_pointer(pointer)]; }

// A line of the small document's bill with a record listing |copies|.
json LineWithRecord(const std::string& id, const char* kind, const json& copies) {
  return {{"id", id}, {"quantity", 1.0}, {"record", {{"kind", kind}, {"copies", copies}}}};
}

void ExpectRefusals(const std::vector<Corruption>& cases) {
  const json good = json::parse(SmallDocumentText());
  ASSERT_TRUE(reference_host::LoadDocumentJson(good));
  for (const Corruption& corruption : cases) {
    json bad = good;
    corruption.apply(bad);
    EXPECT_EQ(reference_host::LoadDocumentJson(bad).error, corruption.error) << corruption.what;
  }
}

TEST(DocumentJsonLoad, RefusesMalformedValuesAtThePlace) {
  ExpectRefusals({
      {"wrong type", [](json& j) { At(j, kYs + "/quantity") = "five"; },
       kYs + "/quantity: expected a number or null"},
      {"missing member", [](json& j) { At(j, "/project/subProjects/0").erase("kind"); },
       "/project/subProjects/0/kind: required member is missing"},
      {"duplicate id", [](json& j) { At(j, kCb + "/id") = "ys1"; },
       kCb + "/id: duplicate id \"ys1\", first used at " + kYs},
      {"duplicate id of a copy", [](json& j) { At(j, "/copies/0/id") = "b1"; },
       "/copies/0/id: duplicate id \"b1\", first used at " + kBill},
      {"empty id", [](json& j) { At(j, "/project/id") = ""; },
       "/project/id: an id must not be empty"},
      {"empty reference", [](json& j) { At(j, kYs + "/entry") = ""; },
       kYs + "/entry: an id must not be empty"},
      {"record on the wrong item", [](json& j) { At(j, kYs + "/record/kind") = "object"; },
       kYs + "/record/kind: an object record belongs on a cost line"},
      {"bad field value",
       [](json& j) {
         At(j, kYs + "/fields/BRIName") = json::array({1, 2});
       },
       kYs + "/fields/BRIName: expected a field value (null, boolean, integer, number, text, "
             "{\"bytes\"} or {\"double\"})"},
      {"needless key escape",
       [](json& j) {
         At(j, kYs + "/fields")[std::string(
             "\0"
             "41",
             3)] = 1;
       },
       kYs + "/fields/" +
           std::string("\0"
                       "41",
                       3) +
           ": malformed or needless escaped key"},
      {"int field out of range", [](json& j) { At(j, kYs + "/fields/BRIName") = 10000000000LL; },
       kYs + "/fields/BRIName: integer out of range"},
      {"bad bytes",
       [](json& j) {
         At(j, "/project/name") = {{"bytes", "zz"}};
       },
       "/project/name: expected a text"},
      {"bad double name",
       [](json& j) {
         At(j, kBill + "/quantity") = {{"double", "nan"}};
       },
       kBill + "/quantity: expected a number or null"},
      {"two roots",
       [](json& j) { At(j, "/project/subProjects").push_back(At(j, "/project/subProjects/0")); },
       "/project/subProjects/1: a project has at most one root sub-project"},
      {"list of wrong type", [](json& j) { At(j, kBill + "/cost") = "none"; },
       kBill + "/cost: expected an array or null"},
      {"not an estimate", [](json& j) { j["format"] = "other"; },
       "/format: expected \"marrow-qrv-estimate\": not an estimate document"},
      {"unknown version", [](json& j) { j["version"] = 2; },
       "/version: unsupported format version 2; this build reads version 1"},
      {"not an object", [](json& j) { j = json::array(); }, "/: expected an object"},
  });
}

// Kind codes, quantities and ratios that the model gives a meaning.
TEST(DocumentJsonLoad, RefusesNumbersTheModelCannotMean) {
  ExpectRefusals({
      {"node kind", [](json& j) { At(j, kBill + "/nodeKind") = 7; },
       kBill + "/nodeKind: node kind 7 is not one of 0 (bill tree root), 1 (measure item), "
               "2 (bill), 3 and 4 (entries)"},
      {"measure kind", [](json& j) { At(j, kBill + "/measureKind") = -1; },
       kBill + "/measureKind: measure kind -1 is not a measure code (0 to 16)"},
      {"sub-project kind", [](json& j) { At(j, "/project/subProjects/0/kind") = 0; },
       "/project/subProjects/0/kind: sub-project kind 0 is not one of 1 (whole), 2 (single), "
       "3 (unit)"},
      {"NaN line quantity",
       [](json& j) {
         At(j, kYs + "/quantity") = {{"double", "NaN"}};
       },
       kYs + "/quantity: a quantity must be a finite number, not NaN"},
      {"infinite bill quantity",
       [](json& j) {
         At(j, kBill + "/quantity") = {{"double", "-Infinity"}};
       },
       kBill + "/quantity: a quantity must be a finite number, not -Infinity"},
      {"NaN ratio",
       [](json& j) {
         At(j, "/copies/0/fields/QRV_RICollectRatio") = {{"double", "NaN"}};
       },
       "/copies/0/fields/QRV_RICollectRatio: a collect ratio must be a finite number above 0, "
       "not NaN"},
      {"negative ratio", [](json& j) { At(j, "/copies/0/fields/QRV_RICollectRatio") = -0.5; },
       "/copies/0/fields/QRV_RICollectRatio: a collect ratio must be a finite number above 0, "
       "not -0.5"},
      {"zero ratio as an int", [](json& j) { At(j, "/copies/0/fields/QRV_RICollectRatio") = 0; },
       "/copies/0/fields/QRV_RICollectRatio: a collect ratio must be a finite number above 0, "
       "not 0.0"},
  });
}

TEST(DocumentJsonLoad, RefusesReferencesToTheWrongKindOfObject) {
  ExpectRefusals({
      {"unknown entry", [](json& j) { At(j, kYs + "/entry") = "nope"; },
       kYs + "/entry: names no object of the document: \"nope\""},
      {"entry of wrong kind", [](json& j) { At(j, kYs + "/entry") = "b1"; },
       kYs + "/entry: \"b1\" is not a resource entry"},
      {"link to a cost line", [](json& j) { At(j, kCb + "/linked") = json::array({"cb1"}); },
       kCb + "/linked/0: \"cb1\" is a cost line, not a budget line"},
      {"link to a bill", [](json& j) { At(j, kCb + "/linked") = json::array({"b1"}); },
       kCb + "/linked/0: \"b1\" is not a budget line"},
      {"link repeated",
       [](json& j) {
         At(j, kCb + "/linked") = json::array({"ys1", "ys1"});
       },
       kCb + "/linked/1: \"ys1\" is listed twice, first at " + kCb + "/linked/0"},
      {"registration of a budget line",
       [](json& j) { At(j, "/project/contractGroups/0/entries/0/registered/0") = "ys1"; },
       "/project/contractGroups/0/entries/0/registered/0: \"ys1\" is a budget line, not a cost "
       "line"},
      {"unknown record owner", [](json& j) { At(j, kCb + "/record/owner") = "nope"; },
       kCb + "/record/owner: names no object of the document: \"nope\""},
      {"record owned by an account", [](json& j) { At(j, kCb + "/record/owner") = "ca1"; },
       kCb + "/record/owner: \"ca1\" is not a resource line"},
      {"copy's cost item is a budget line",
       [](json& j) { At(j, "/copies/0/record/costItem") = "ys1"; },
       "/copies/0/record/costItem: \"ys1\" is a budget line, not a cost line"},
      {"copy's cost item is a copy", [](json& j) { At(j, "/copies/0/record/costItem") = "copy1"; },
       "/copies/0/record/costItem: \"copy1\" is a copy item, not a cost line"},
      {"copy's cost item is an entry", [](json& j) { At(j, "/copies/0/record/costItem") = "e1"; },
       "/copies/0/record/costItem: \"e1\" is a resource entry, not a cost line"},
      {"copy's budget item is a cost line",
       [](json& j) { At(j, "/copies/0/record/budgetItem") = "cb1"; },
       "/copies/0/record/budgetItem: \"cb1\" is a cost line, not a budget line"},
      {"entry outside the document that nothing uses",
       [](json& j) {
         j["detachedEntries"] = json::array({{{"id", "lost"}}});
       },
       "/detachedEntries/0: an entry outside the document that no line or summary uses"},
  });
}

// A record lists the copies made from (templete) or collected into (object)
// its own line, each once, and each copy names that line; anything else
// could make a line its own part, or two lines each other's.
TEST(DocumentJsonLoad, RefusesRecordsThatListWhatIsNotTheirCopy) {
  ExpectRefusals({
      {"record lists its own line", [](json& j) { At(j, kYs + "/record/copies/0") = "ys1"; },
       kYs + "/record/copies/0: \"ys1\" is the line holding this record, not a copy item"},
      {"records list each other",
       [](json& j) {
         At(j, kYs + "/record/copies/0") = "cb1";
         At(j, kCb + "/record/copies/0") = "ys1";
       },
       kYs + "/record/copies/0: \"cb1\" is a cost line, not a copy item"},
      {"unknown copy", [](json& j) { At(j, kYs + "/record/copies/0") = "nope"; },
       kYs + "/record/copies/0: names no object of the document: \"nope\""},
      {"copy listed twice in one list",
       [](json& j) { At(j, kCb + "/record/copies").push_back("copy1"); },
       kCb + "/record/copies/1: copy item \"copy1\" is listed twice, first at " + kCb +
           "/record/copies/0"},
      {"copy listed by two budget lines",
       [](json& j) {
         At(j, kBill + "/budget").push_back(LineWithRecord("ys2", "templete", {"copy1"}));
       },
       kBill + "/budget/1/record/copies/0: copy item \"copy1\" is listed twice, first at " + kYs +
           "/record/copies/0"},
      {"copy of another budget line",
       [](json& j) {
         At(j, kYs + "/record/copies") = json::array();
         At(j, kBill + "/budget").push_back(LineWithRecord("ys2", "templete", {"copy1"}));
       },
       kBill + "/budget/1/record/copies/0: copy item \"copy1\" is not a copy of this line: its "
               "copy record names \"ys1\""},
      {"copy collected into another cost line",
       [](json& j) {
         At(j, kCb + "/record/copies") = json::array();
         At(j, kBill + "/cost").push_back(LineWithRecord("cb2", "object", {"copy1"}));
       },
       kBill + "/cost/1/record/copies/0: copy item \"copy1\" is not collected into this line: its "
               "copy record names \"cb1\""},
      {"copy naming no budget line", [](json& j) { At(j, "/copies/0/record").erase("budgetItem"); },
       kYs + "/record/copies/0: copy item \"copy1\" is not a copy of this line: its copy record "
             "names no budget item"},
      {"copy without a copy record", [](json& j) { At(j, "/copies/0").erase("record"); },
       kYs + "/record/copies/0: copy item \"copy1\" carries no copy record"},
      {"copy no record lists",
       [](json& j) {
         At(j, kYs + "/record").erase("copies");
         At(j, kCb + "/record").erase("copies");
       },
       "/copies/0: a copy item that no collection record lists"},
  });
}

// The reported documents: each loaded, leaked its lines at every load and
// showed a budget line as a cost line's part.
TEST(DocumentJsonLoad, RefusesTheReportedReferenceCycles) {
  const std::string data = SourceDir() + "/tests/reference_host/persist/data/";
  const std::string own_line = data + "leak-record-lists-its-own-line.json";
  EXPECT_EQ(reference_host::LoadDocumentFile(own_line).error,
            own_line +
                ": /project/subProjects/0/bills/0/budget/0/record/copies/0: \"ys\" is the line "
                "holding this record, not a copy item");
  const std::string each_other = data + "leak-budget-and-cost-records-list-each-other.json";
  EXPECT_EQ(reference_host::LoadDocumentFile(each_other).error,
            each_other +
                ": /project/subProjects/0/bills/0/budget/0/record/copies/0: \"cb\" is a cost "
                "line, not a copy item");
}

// Every reference site of a saved document (fields and fees hold none).
void FindReferences(const json& value, const std::string& pointer, std::vector<std::string>& sites,
                    std::vector<json>& ids) {
  if (value.is_array()) {
    for (size_t i = 0; i < value.size(); ++i)
      FindReferences(value[i], pointer + "/" + std::to_string(i), sites, ids);
    return;
  }
  if (!value.is_object()) return;
  const bool record = pointer.size() >= 7 && pointer.compare(pointer.size() - 7, 7, "/record") == 0;
  for (const auto& [key, member] : value.items()) {
    const std::string at = pointer + "/" + key;
    if (key == "fields" || key == "fee") continue;
    if (key == "id") ids.push_back(member);
    if (key == "entry" || key == "owner" || key == "budgetItem" || key == "costItem") {
      sites.push_back(at);
    } else if (key == "linked" || key == "registered" || (record && key == "copies")) {
      for (size_t i = 0; i < member.size(); ++i) sites.push_back(at + "/" + std::to_string(i));
    } else {
      FindReferences(member, at, sites, ids);
    }
  }
}

// What the loader promises of the collection records it lets through.
void ExpectRecordsListOnlyTheirOwnCopies(const reference_host::EstimateDocument& document) {
  std::vector<engine::DocumentObject*> objects;
  document.GetAllObjects(objects);
  std::set<std::pair<const engine::ResItem*, int>> listed;
  for (engine::DocumentObject* object : objects) {
    auto* line = dynamic_cast<reference_host::ResItemImpl*>(object);
    if (!line || !line->GetCollect()) continue;
    const int type = line->GetCollect()->GetCollectType();
    for (engine::ResItem* copy : ListedCopies(line)) {
      auto* copy_line = dynamic_cast<reference_host::ResItemImpl*>(copy);
      auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy_line->GetCollect());
      RC_ASSERT(record != nullptr);
      RC_ASSERT(copy_line->owner_list() == nullptr);
      const engine::DocumentObject* named =
          type == engine::qrv::kCollectTypeTemplete
              ? static_cast<const engine::DocumentObject*>(record->GetTempleteResItem())
              : static_cast<const engine::DocumentObject*>(record->GetCBResItem());
      RC_ASSERT(named == object);
      RC_ASSERT(listed.insert({copy, type}).second);
    }
  }
}

// Pointing one reference of a valid document anywhere either still gives a
// sound document or a refusal that names a place of the input.
RC_GTEST_PROP(DocumentJsonLoad, OneCorruptedReferenceLoadsSoundlyOrIsRefusedAtAPlace, ()) {
  // Small sizes draw documents without lines, so without references.
  const auto document = *rc::gen::resize(
      50, rc::gen::exec([] {
        return std::shared_ptr<reference_host::AppDocumentImpl>(DrawRandomDocument());
      }));
  json corrupt = json::parse(reference_host::SaveDocumentText(*document->document()));
  std::vector<std::string> sites;
  std::vector<json> ids;
  FindReferences(corrupt, "", sites, ids);
  RC_PRE(!sites.empty());
  // Half the time another reference's target, which is often of the right
  // kind, so that more corruptions load.
  std::vector<json> targets{"nope", nullptr};
  for (const std::string& site : sites) targets.push_back(At(corrupt, site));
  const std::string site = *rc::gen::elementOf(sites);
  At(corrupt, site) = *rc::gen::elementOf(*rc::gen::arbitrary<bool>() ? targets : ids);

  reference_host::LoadResult loaded = reference_host::LoadDocumentJson(corrupt);
  RC_TAG(loaded ? "loaded" : "refused");
  if (!loaded) {
    const std::string place = loaded.error.substr(0, loaded.error.find(": "));
    RC_ASSERT(place.rfind("/", 0) == 0u);
    RC_ASSERT(corrupt.contains(json::json_pointer(place)));
    return;
  }
  ExpectRecordsListOnlyTheirOwnCopies(*loaded.document->document());
  const std::string saved = reference_host::SaveDocumentText(*loaded.document->document());
  reference_host::LoadResult again = reference_host::LoadDocumentText(saved);
  RC_ASSERT(again.error == "");
  RC_ASSERT(reference_host::SaveDocumentText(*again.document->document()) == saved);
}

TEST(DocumentJsonLoad, RefusesDeepNestingWithoutRecursing) {
  EXPECT_EQ(reference_host::LoadDocumentText(std::string(100000, '['))
                .error.rfind("byte 512 (line 1, column 513): nested deeper than 512", 0),
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

// Faults of the text itself name their byte (from 0), line and column (from
// 1), and the member they sit in when there is one.
TEST(DocumentJsonText, NamesWhereTheTextGoesWrong) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\n  \"a\": [1,\n  -1e400]\n}",
       "byte 15 (line 3, column 3) at /a/1: number out of range: -1e400"},
      {"1e400", "byte 0 (line 1, column 1): number out of range: 1e400"},
      {"{\"a\": {\"b\": 1, \"b\": 2}}",
       "/a/b: duplicate member \"b\" (an object names each member once)"},
      {"[{}, {\"x/y\": 1, \"x/y\": 1}]",
       "/1/x~1y: duplicate member \"x/y\" (an object names each member once)"},
      {"{\"a\": [1,]}",
       "byte 9 (line 1, column 10) at /a/1: malformed JSON ([json.exception.parse_error.101] "
       "parse error at line 1, column 10: syntax error while parsing value - unexpected ']'; "
       "expected '[', '{', or a literal)"},
      {"",
       "byte 0 (line 1, column 1): malformed JSON ([json.exception.parse_error.101] parse "
       "error at line 1, column 1: syntax error while parsing value - unexpected end of "
       "input; expected '[', '{', or a literal)"},
  };
  for (const auto& [text, error] : cases)
    EXPECT_EQ(reference_host::LoadDocumentText(text).error, error) << text;

  // The example of docs/format.md.
  std::string huge = SmallDocumentText();
  huge.replace(huge.find("\"quantity\": 10.0"), 16, "\"quantity\": 1e400");
  EXPECT_EQ(
      reference_host::LoadDocumentText(huge).error,
      "byte 2594 (line 116, column 25) at " + kBill + "/quantity: number out of range: 1e400");

  // In a whole document the library alone would keep the second "id".
  std::string twice = SmallDocumentText();
  const std::string once = "\"id\": \"ys1\",";
  twice.replace(twice.find(once), once.size(), once + " \"id\": \"ys2\",");
  EXPECT_EQ(reference_host::LoadDocumentText(twice).error,
            kYs + "/id: duplicate member \"id\" (an object names each member once)");
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

  const std::string missing = TempPath("missing.json");
  EXPECT_EQ(reference_host::LoadDocumentFile(missing).error,
            missing + ": cannot open: No such file or directory");
  const std::string folder = TempPath("folder");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  EXPECT_EQ(reference_host::LoadDocumentFile(folder).error,
            folder + ": is a folder, not a document file");
  rmdir(folder.c_str());
  EXPECT_EQ(reference_host::LoadDocumentFile("/dev/null").error,
            "/dev/null: is not a regular file");
}

}  // namespace
