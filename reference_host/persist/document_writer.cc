#include "reference_host/persist/document_writer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/cost_account_impl.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/sub_project_tables_impl.h"
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/json_values.h"

namespace reference_host {
namespace persist {
namespace {

// Fresh memory faults in a page at a time; for a text of hundreds of
// megabytes the faults cost as much as the writing. Huge pages, where the
// system grants them, take 512 times fewer.
void AdviseHugePages(std::string& text) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  const auto start = reinterpret_cast<uintptr_t>(text.data());
  const uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (start + text.capacity()) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Figures that are +0.0 are the model's default and left out.
bool IsPlainZero(double value) { return value == 0.0 && !std::signbit(value); }

void Quantity(JsonTextWriter& out, const std::optional<double>& quantity) {
  out.Key("quantity");
  if (quantity)
    WriteDouble(out, *quantity);
  else
    out.Null();
}

// A map (any range of (key, value) pairs in key order) written under its
// keys' JSON spellings. Escaped spellings sort differently from the keys
// themselves, so a map with any is sorted again.
template <class Map, class WriteValue>
void KeyedMap(JsonTextWriter& out, const Map& map, WriteValue write_value) {
  using Value = std::decay_t<decltype((*map.begin()).second)>;
  out.BeginObject();
  bool escaped = false;
  for (const auto& member : map) escaped = escaped || !KeyIsPlain(member.first);
  if (!escaped) {
    for (const auto& [key, value] : map) {
      out.Key(key);
      write_value(out, value);
    }
  } else {
    std::vector<std::pair<std::string, const Value*>> members;
    for (const auto& [key, value] : map) members.emplace_back(KeyToJson(key), &value);
    std::sort(members.begin(), members.end());
    for (const auto& [key, value] : members) {
      out.Key(key);
      write_value(out, *value);
    }
  }
  out.EndObject();
}

void TextMember(JsonTextWriter& out, std::string_view key, const std::string& text) {
  out.Key(key);
  WriteText(out, text);
}

// An array of |count| elements, the i-th written by |write_element|(i).
template <class Count, class WriteElement>
void Array(JsonTextWriter& out, Count count, WriteElement write_element) {
  out.BeginArray();
  for (Count i = 0; i < count; ++i) {
    out.Element();
    write_element(i);
  }
  out.EndArray();
}

// Member |key| holding such an array. The format leaves an empty list out.
template <class Count, class WriteElement>
void ArrayMember(JsonTextWriter& out, std::string_view key, Count count,
                 WriteElement write_element) {
  if (count == 0) return;
  out.Key(key);
  Array(out, count, write_element);
}

// Member |key| holding an object whose members |write_members| writes.
template <class WriteMembers>
void ObjectMember(JsonTextWriter& out, std::string_view key, WriteMembers write_members) {
  out.Key(key);
  out.BeginObject();
  write_members();
  out.EndObject();
}

// Each writes one value, its members in key order as the format has them:
// "fields" and "id" sort among the others. These need none of the writer's
// bookkeeping.

void FieldValue(JsonTextWriter& out, const FieldContainerImpl::Field& field) {
  switch (field.kind()) {
    case engine::FieldValue::Kind::kEmpty:
      out.Null();
      return;
    case engine::FieldValue::Kind::kBool:
      out.Bool(field.GetBool());
      return;
    case engine::FieldValue::Kind::kInt:
      out.Int(field.GetInt());
      return;
    case engine::FieldValue::Kind::kDouble:
      WriteDouble(out, field.GetDouble());
      return;
    case engine::FieldValue::Kind::kText:
      WriteText(out, field.text());
      return;
  }
  out.Null();
}

// Read in place: the engine's map of the fields is never built for a save.
void Fields(JsonTextWriter& out, const DocumentObjectImpl& object) {
  const FieldContainerImpl& fields = *object.fields();
  if (fields.field_count() == 0) return;
  out.Key("fields");
  out.BeginObject();
  bool escaped = false;
  fields.ForEachField([&](const FieldContainerImpl::Field& field) {
    escaped = escaped || !KeyIsPlain(field.key());
  });
  if (!escaped) {
    fields.ForEachField([&](const FieldContainerImpl::Field& field) {
      out.Key(field.key());
      FieldValue(out, field);
    });
  } else {
    // Escaped spellings sort differently from the keys themselves.
    std::vector<std::pair<std::string, const FieldContainerImpl::Field*>> members;
    fields.ForEachField([&](const FieldContainerImpl::Field& field) {
      members.emplace_back(KeyToJson(field.key()), &field);
    });
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [key, field] : members) {
      out.Key(key);
      FieldValue(out, *field);
    }
  }
  out.EndObject();
}

void Id(JsonTextWriter& out, const DocumentObjectImpl& object) {
  TextMember(out, "id", object.GetId());
}

void FieldsAndId(JsonTextWriter& out, const DocumentObjectImpl& object) {
  Fields(out, object);
  Id(out, object);
}

void BillStage(JsonTextWriter& out, const BillStageImpl& stage) {
  out.BeginObject();
  FieldsAndId(out, stage);
  TextMember(out, "name", stage.GetName());
  out.EndObject();
}

void CostAccount(JsonTextWriter& out, const CostAccountImpl& account) {
  out.BeginObject();
  ArrayMember(out, "accounts", account.GetChildCount(),
              [&](int i) { CostAccount(out, *account.GetChild(i)); });
  TextMember(out, "code", account.GetCode());
  FieldsAndId(out, account);
  TextMember(out, "name", account.GetName());
  out.EndObject();
}

void Entry(JsonTextWriter& out, const BaseResItemImpl& entry) {
  out.BeginObject();
  FieldsAndId(out, entry);
  const std::vector<std::string>& registered = entry.registered_res_item_ids();
  ArrayMember(out, "registered", registered.size(),
              [&](size_t i) { WriteText(out, registered[i]); });
  if (!IsPlainZero(entry.registered_quantity())) {
    out.Key("registeredQuantity");
    WriteDouble(out, entry.registered_quantity());
  }
  out.EndObject();
}

void Row(JsonTextWriter& out, const TupleImpl& row) {
  out.BeginObject();
  FieldsAndId(out, row);
  ArrayMember(out, "rows", row.GetChildCount(), [&](int i) { Row(out, *row.GetChild(i)); });
  out.EndObject();
}

void ContractGroup(JsonTextWriter& out, const BaseResItemGroupImpl& group) {
  out.BeginObject();
  ArrayMember(out, "entries", group.GetCount(), [&](int i) { Entry(out, *group.entry(i)); });
  Fields(out, group);
  TextMember(out, "formName", group.GetFormName());
  Id(out, group);
  out.EndObject();
}

void Table(JsonTextWriter& out, const TableImpl& table) {
  out.BeginObject();
  FieldsAndId(out, table);
  TextMember(out, "name", table.GetName());
  ArrayMember(out, "rows", table.GetRowCount(), [&](int i) { Row(out, *table.GetRow(i)); });
  out.EndObject();
}

void TableMember(JsonTextWriter& out, const char* key, const TableImpl* table) {
  if (!table) return;
  out.Key(key);
  Table(out, *table);
}

// A present set is written even when empty: absent and empty differ.
void ItemSetMember(JsonTextWriter& out, const char* key, const ItemSetImpl* set) {
  if (!set) return;
  out.Key(key);
  Array(out, set->GetCount(), [&](int i) {
    out.BeginObject();
    FieldsAndId(out, *set->GetAt(i));
    out.EndObject();
  });
}

// The items a templete or object record lists; none for other records.
std::vector<engine::ResItem*> ListedItems(engine::qrv::QRVResCollect* record) {
  std::vector<engine::ResItem*> listed;
  if (auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record))
    templete->GetCopies(listed);
  else if (auto* object = dynamic_cast<engine::qrv::QRVResCollectObj*>(record))
    object->GetCopies(listed);
  return listed;
}

}  // namespace

std::string DocumentWriter::Write() {
  std::string text;
  Write(text);
  return text;
}

void DocumentWriter::Write(std::string& text) {
  FindOutsiders();
  text.clear();
  // Regrowing a text of hundreds of megabytes costs more than writing it.
  // Objects take about 600 bytes; room never written to costs no memory.
  if (text.capacity() < document_.object_count() * 1024) {
    text.reserve(document_.object_count() * 1024);
    AdviseHugePages(text);
  }
  JsonTextWriter out(text, 0, layout_);
  WriteDocument(out);
}

bool DocumentWriter::Write(const JsonTextWriter::Sink& sink) {
  FindOutsiders();
  std::string buffer;
  JsonTextWriter out(buffer, sink, layout_);
  WriteDocument(out);
  // Only now is the whole size known.
  if (progress_) progress_(out.size(), out.size());
  return out.ok();
}

void DocumentWriter::WriteDocument(JsonTextWriter& out) {
  if (progress_) out.set_progress([this](size_t done) { progress_(done, 0); });
  out.BeginObject();
  ArrayMember(out, "copies", copies_.size(), [&](size_t i) { Line(out, *copies_[i]); });
  ArrayMember(out, "detachedEntries", detached_.size(),
              [&](size_t i) { Entry(out, *detached_[i]); });
  out.Key("format");
  out.String(kDocumentFormatName);
  out.Key("project");
  if (document_.project())
    Project(out, *document_.project());
  else
    out.Null();
  out.Key("version");
  out.Int(kDocumentFormatVersion);
  out.EndObject();
  out.Raw("\n", 1);
  out.Finish();
}

bool DocumentWriter::InDocument(const DocumentObjectImpl* object) const {
  // An object is in a document exactly while it points to it: no lookup.
  return object && object->document() == &document_;
}

// Finding copies and detached entries.

void DocumentWriter::FindOutsiders() {
  if (document_.project())
    if (const SubProjectImpl* root = document_.project()->GetRootSubProject())
      FindOutsidersOf(*root);
  // Copies may list further copies; the list grows while it is walked.
  for (size_t i = 0; i < copies_.size(); ++i) FindOutsidersOf(*copies_[i]);
}

void DocumentWriter::FindOutsidersOf(const SubProjectImpl& sub_project) {
  // Shared members are saved by id; one from outside the document (carried
  // over by a project merge) is written in detachedEntries.
  const ResSummaryImpl& summary = *sub_project.summary();
  for (int i = 0; i < summary.shared_count(); ++i) {
    const BaseResItemImpl* entry = summary.shared_member(i);
    if (!InDocument(entry) && detached_seen_.insert(entry).second) detached_.push_back(entry);
  }
  for (int i = 0; i < sub_project.GetChildCount(); ++i) FindOutsidersOf(*sub_project.GetChild(i));
  for (int i = 0; i < sub_project.GetSubEngineeringCount(); ++i)
    FindOutsidersOf(*sub_project.GetSubEngineering(i));
  for (const SubEngineeringImpl* root :
       {sub_project.GetDJCSRoot(), sub_project.GetZJCSRoot(), sub_project.GetJJFYRoot()})
    if (root) FindOutsidersOf(*root);
}

void DocumentWriter::FindOutsidersOf(const SubEngineeringImpl& item) {
  for (const ResItemListImpl* list : {item.budget_list(), item.cost_list()}) {
    if (!list) continue;
    for (int i = 0; i < list->size(); ++i) FindOutsidersOf(*list->item(i));
  }
  for (int i = 0; i < item.GetChildCount(); ++i) FindOutsidersOf(*item.child(i));
}

void DocumentWriter::FindOutsidersOf(const ResItemImpl& line) {
  if (const BaseResItemImpl* entry = line.GetBaseResItem()) {
    if (!InDocument(entry) && detached_seen_.insert(entry).second) detached_.push_back(entry);
  }
  if (!line.GetCollect()) return;
  for (engine::ResItem* listed_item : ListedItems(line.GetCollect())) {
    auto* item = dynamic_cast<const ResItemImpl*>(listed_item);
    if (!item) continue;
    // A listed item that a bill list of the document holds is written there.
    const SubEngineeringImpl* bill = item->owner_sub_engineering();
    if (bill && InDocument(bill)) continue;
    if (copies_seen_.insert(item).second) copies_.push_back(item);
  }
}

// Writing.

void DocumentWriter::WeakRef(JsonTextWriter& out, const DocumentObjectImpl* object) const {
  if (InDocument(object))
    WriteText(out, object->GetId());
  else
    out.Null();
}

void DocumentWriter::Project(JsonTextWriter& out, const ProjectImpl& project) const {
  out.BeginObject();
  const BillStageGroupImpl& stages = *project.bill_stages();
  ObjectMember(out, "billStages", [&] {
    FieldsAndId(out, stages);
    ArrayMember(out, "stages", stages.GetBillStageCount(),
                [&](int i) { BillStage(out, *stages.GetBillStage(i)); });
  });

  ArrayMember(out, "contractGroups", project.GetBaseResItemGroupCount(),
              [&](int i) { ContractGroup(out, *project.GetBaseResItemGroup(i)); });

  const CostAccountGroupImpl& accounts = *project.cost_accounts();
  ObjectMember(out, "costAccounts", [&] {
    ArrayMember(out, "accounts", accounts.GetCostAccountCount(),
                [&](int i) { CostAccount(out, *accounts.GetCostAccount(i)); });
    FieldsAndId(out, accounts);
  });

  FieldsAndId(out, project);
  TextMember(out, "name", project.GetName());

  // A list of at most one root.
  const SubProjectImpl* root = project.GetRootSubProject();
  ArrayMember(out, "subProjects", root ? 1 : 0, [&](int) { SubProject(out, *root); });

  ArrayMember(out, "tables", project.table_count(), [&](int i) { Table(out, *project.table(i)); });
  out.EndObject();
}

void DocumentWriter::SubProject(JsonTextWriter& out, const SubProjectImpl& sub_project) const {
  out.BeginObject();
  ArrayMember(out, "bills", sub_project.GetSubEngineeringCount(),
              [&](int i) { BillItem(out, *sub_project.GetSubEngineering(i)); });
  const GroupedItemSetImpl& groups = *sub_project.GetGroupedItemSet();
  ArrayMember(out, "contractGroups", groups.size(),
              [&](int i) { ContractGroup(out, *groups.group(i)); });
  MeasureRoot(out, "djcsRoot", sub_project.GetDJCSRoot());
  if (const FeeStoreImpl* store = sub_project.GetFeeStore()) {
    ObjectMember(out, "feeStore", [&] {
      out.Key("tables");
      Array(out, store->size(), [&](int i) { Table(out, *store->table_at(i)); });
    });
  }
  FieldsAndId(out, sub_project);
  MeasureRoot(out, "jjfyRoot", sub_project.GetJJFYRoot());
  TableMember(out, "jjfyTable", sub_project.GetJJFYTable());
  out.Key("kind");
  out.Int(sub_project.GetKind());
  ItemSetMember(out, "movableItems", sub_project.GetMovableItemSet());
  ItemSetMember(out, "movableRecords", sub_project.GetMovableRecordSet());
  TextMember(out, "name", sub_project.GetName());
  ItemSetMember(out, "productItems", sub_project.GetProductItemSet());
  if (const QTXMTablesImpl* qtxm = sub_project.GetQTXMTables()) {
    ObjectMember(out, "qtxmTables", [&] {
      for (int number = 1; number <= QTXMTablesImpl::kTableCount; ++number)
        TableMember(out, ("table" + std::to_string(number)).c_str(), qtxm->table(number));
    });
  }
  ArrayMember(out, "subProjects", sub_project.GetChildCount(),
              [&](int i) { SubProject(out, *sub_project.GetChild(i)); });
  const ResSummaryImpl& summary = *sub_project.summary();
  ObjectMember(out, "summary", [&] {
    ArrayMember(out, "entries", summary.size(), [&](int i) { Entry(out, *summary.entry(i)); });
    FieldsAndId(out, summary);
    ArrayMember(out, "shared", summary.shared_count(),
                [&](int i) { WriteText(out, summary.shared_member(i)->GetId()); });
  });
  TableMember(out, "zjcsDetailTable", sub_project.GetZJCSDetailTable());
  MeasureRoot(out, "zjcsRoot", sub_project.GetZJCSRoot());
  out.EndObject();
}

void DocumentWriter::MeasureRoot(JsonTextWriter& out, const char* key,
                                 const SubEngineeringImpl* root) const {
  if (!root) return;
  out.Key(key);
  BillItem(out, *root);
}

void DocumentWriter::BillItem(JsonTextWriter& out, const SubEngineeringImpl& item) const {
  out.BeginObject();
  ArrayMember(out, "bills", item.GetChildCount(), [&](int i) { BillItem(out, *item.child(i)); });
  // Absent means the default: a calculator or list that is there but empty
  // (or was never made). Null is one the item lacks.
  const ResItemListImpl* budget = item.budget_list();
  if (!item.has_budget_list() || (budget && budget->size() > 0)) {
    out.Key("budget");
    List(out, budget);
  }
  const ResItemListImpl* cost = item.cost_list();
  if (!item.has_cost_list() || (cost && cost->size() > 0)) {
    out.Key("cost");
    List(out, cost);
  }
  const FeeCalcImpl* fee = item.made_fee_calc();
  if (!item.has_fee_calc()) {
    out.Key("fee");
    out.Null();
  } else if (fee && (!fee->unit_costs().empty() || !fee->total_costs().empty())) {
    out.Key("fee");
    out.BeginObject();
    if (!fee->total_costs().empty()) {
      out.Key("total");
      KeyedMap(out, fee->total_costs(), WriteDouble);
    }
    if (!fee->unit_costs().empty()) {
      out.Key("unit");
      KeyedMap(out, fee->unit_costs(), WriteDouble);
    }
    out.EndObject();
  }
  FieldsAndId(out, item);
  out.Key("measureKind");
  out.Int(item.GetMeasureKind());
  out.Key("nodeKind");
  out.Int(item.GetNodeKind());
  Quantity(out, item.own_quantity());
  out.EndObject();
}

void DocumentWriter::List(JsonTextWriter& out, const ResItemListImpl* list) const {
  if (!list) {
    out.Null();
    return;
  }
  Array(out, list->size(), [&](int i) { Line(out, *list->item(i)); });
}

void DocumentWriter::Line(JsonTextWriter& out, const ResItemImpl& line) const {
  out.BeginObject();
  if (!IsPlainZero(line.collected_quantity())) {
    out.Key("collectedQuantity");
    WriteDouble(out, line.collected_quantity());
  }
  if (!line.GetContent().empty()) {
    TextMember(out, "content", line.GetContent());
  }
  if (const BaseResItemImpl* entry = line.GetBaseResItem()) {
    TextMember(out, "entry", entry->GetId());
  }
  FieldsAndId(out, line);
  const std::vector<std::string>& linked = line.linked_ids();
  ArrayMember(out, "linked", linked.size(), [&](size_t i) { WriteText(out, linked[i]); });
  Quantity(out, line.own_quantity());
  if (line.GetCollect()) {
    out.Key("record");
    Record(out, line);
  }
  if (!line.GetSourceRef().empty()) {
    TextMember(out, "sourceRef", line.GetSourceRef());
  }
  out.EndObject();
}

void DocumentWriter::Record(JsonTextWriter& out, const ResItemImpl& holder) const {
  engine::qrv::QRVResCollect* record = holder.GetCollect();
  out.BeginObject();
  const char* kind = nullptr;
  std::vector<engine::ResItem*> listed;
  if (auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record)) {
    kind = "templete";
    templete->GetCopies(listed);
  } else if (auto* object = dynamic_cast<engine::qrv::QRVResCollectObj*>(record)) {
    kind = "object";
    object->GetCopies(listed);
  } else if (auto* copy = dynamic_cast<engine::qrv::QRVResCollectCopy*>(record)) {
    kind = "copy";
    // Items no longer in the document are left out.
    auto* budget = dynamic_cast<const DocumentObjectImpl*>(copy->GetTempleteResItem());
    auto* cost = dynamic_cast<const DocumentObjectImpl*>(copy->GetCBResItem());
    if (InDocument(budget)) {
      TextMember(out, "budgetItem", budget->GetId());
    }
    if (InDocument(cost)) {
      TextMember(out, "costItem", cost->GetId());
    }
  }
  if (!listed.empty()) {
    // Items of another host are left out, yet the member stays.
    std::vector<const ResItemImpl*> items;
    for (engine::ResItem* listed_item : listed)
      if (auto* item = dynamic_cast<const ResItemImpl*>(listed_item)) items.push_back(item);
    out.Key("copies");
    Array(out, items.size(), [&](size_t i) { WriteText(out, items[i]->GetId()); });
  }
  if (kind) {
    out.Key("kind");
    out.String(kind);
  }
  // The owner is left out when it is the holding item, as it nearly always is.
  const engine::DocumentObject* owner = record->GetOwner();
  if (owner != static_cast<const engine::DocumentObject*>(&holder)) {
    out.Key("owner");
    WeakRef(out, dynamic_cast<const DocumentObjectImpl*>(owner));
  }
  out.EndObject();
}

}  // namespace persist
}  // namespace reference_host
