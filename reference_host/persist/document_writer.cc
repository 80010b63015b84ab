#include "reference_host/persist/document_writer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
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
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/json_values.h"

namespace reference_host {
namespace persist {
namespace {

// Figures that are +0.0 are the model's default and left out.
bool IsPlainZero(double value) { return value == 0.0 && !std::signbit(value); }

void Quantity(JsonTextWriter& out, const std::optional<double>& quantity) {
  out.Key("quantity");
  if (quantity)
    WriteDouble(out, *quantity);
  else
    out.Null();
}

// A map written under its keys' JSON spellings. Escaped spellings sort
// differently from the keys themselves, so a map with any is sorted again.
template <class Value, class WriteValue>
void KeyedMap(JsonTextWriter& out, const std::map<std::string, Value>& map,
              WriteValue write_value) {
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
  FindOutsiders();
  std::string text;
  // Regrowing a text of hundreds of megabytes costs more than writing it.
  // Objects take about 600 bytes; room never written to costs no memory.
  text.reserve(document_.object_count() * 1024);
  JsonTextWriter out(text);
  out.BeginObject();
  if (!copies_.empty()) {
    out.Key("copies");
    out.BeginArray();
    for (const ResItemImpl* copy : copies_) {
      out.Element();
      Line(out, *copy);
    }
    out.EndArray();
  }
  if (!detached_.empty()) {
    out.Key("detachedEntries");
    out.BeginArray();
    for (const BaseResItemImpl* entry : detached_) {
      out.Element();
      Entry(out, *entry);
    }
    out.EndArray();
  }
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
  text += '\n';
  return text;
}

bool DocumentWriter::InDocument(const DocumentObjectImpl* object) const {
  return object && document_.FindImpl(object->GetId()) == object;
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
  for (int i = 0; i < sub_project.GetChildCount(); ++i) FindOutsidersOf(*sub_project.GetChild(i));
  for (int i = 0; i < sub_project.GetSubEngineeringCount(); ++i)
    FindOutsidersOf(*sub_project.GetSubEngineering(i));
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

void DocumentWriter::Fields(JsonTextWriter& out, const DocumentObjectImpl& object) const {
  const auto& fields = object.fields()->GetAllFields();
  if (fields.empty()) return;
  out.Key("fields");
  KeyedMap(out, fields, WriteFieldValue);
}

void DocumentWriter::Id(JsonTextWriter& out, const DocumentObjectImpl& object) const {
  out.Key("id");
  WriteText(out, object.GetId());
}

void DocumentWriter::WeakRef(JsonTextWriter& out, const DocumentObjectImpl* object) const {
  if (InDocument(object))
    WriteText(out, object->GetId());
  else
    out.Null();
}

void DocumentWriter::Project(JsonTextWriter& out, const ProjectImpl& project) const {
  out.BeginObject();
  const BillStageGroupImpl& stages = *project.bill_stages();
  out.Key("billStages");
  out.BeginObject();
  Fields(out, stages);
  Id(out, stages);
  if (stages.GetBillStageCount() > 0) {
    out.Key("stages");
    out.BeginArray();
    for (int i = 0; i < stages.GetBillStageCount(); ++i) {
      const BillStageImpl& stage = *stages.GetBillStage(i);
      out.Element();
      out.BeginObject();
      Fields(out, stage);
      Id(out, stage);
      out.Key("name");
      WriteText(out, stage.GetName());
      out.EndObject();
    }
    out.EndArray();
  }
  out.EndObject();

  if (project.GetBaseResItemGroupCount() > 0) {
    out.Key("contractGroups");
    out.BeginArray();
    for (int i = 0; i < project.GetBaseResItemGroupCount(); ++i) {
      const BaseResItemGroupImpl& group = *project.GetBaseResItemGroup(i);
      out.Element();
      out.BeginObject();
      if (group.GetCount() > 0) {
        out.Key("entries");
        out.BeginArray();
        for (int j = 0; j < group.GetCount(); ++j) {
          out.Element();
          Entry(out, *group.entry(j));
        }
        out.EndArray();
      }
      Fields(out, group);
      out.Key("formName");
      WriteText(out, group.GetFormName());
      Id(out, group);
      out.EndObject();
    }
    out.EndArray();
  }

  const CostAccountGroupImpl& accounts = *project.cost_accounts();
  out.Key("costAccounts");
  out.BeginObject();
  if (accounts.GetCostAccountCount() > 0) {
    out.Key("accounts");
    out.BeginArray();
    for (int i = 0; i < accounts.GetCostAccountCount(); ++i) {
      out.Element();
      CostAccount(out, *accounts.GetCostAccount(i));
    }
    out.EndArray();
  }
  Fields(out, accounts);
  Id(out, accounts);
  out.EndObject();

  Fields(out, project);
  Id(out, project);
  out.Key("name");
  WriteText(out, project.GetName());

  if (const SubProjectImpl* root = project.GetRootSubProject()) {
    out.Key("subProjects");
    out.BeginArray();
    out.Element();
    SubProject(out, *root);
    out.EndArray();
  }

  if (project.table_count() > 0) {
    out.Key("tables");
    out.BeginArray();
    for (int i = 0; i < project.table_count(); ++i) {
      const TableImpl& table = *project.table(i);
      out.Element();
      out.BeginObject();
      Fields(out, table);
      Id(out, table);
      out.Key("name");
      WriteText(out, table.GetName());
      if (table.GetRowCount() > 0) {
        out.Key("rows");
        out.BeginArray();
        for (int j = 0; j < table.GetRowCount(); ++j) {
          out.Element();
          Row(out, *table.GetRow(j));
        }
        out.EndArray();
      }
      out.EndObject();
    }
    out.EndArray();
  }
  out.EndObject();
}

void DocumentWriter::CostAccount(JsonTextWriter& out, const CostAccountImpl& account) const {
  out.BeginObject();
  if (account.GetChildCount() > 0) {
    out.Key("accounts");
    out.BeginArray();
    for (int i = 0; i < account.GetChildCount(); ++i) {
      out.Element();
      CostAccount(out, *account.GetChild(i));
    }
    out.EndArray();
  }
  out.Key("code");
  WriteText(out, account.GetCode());
  Fields(out, account);
  Id(out, account);
  out.Key("name");
  WriteText(out, account.GetName());
  out.EndObject();
}

void DocumentWriter::Entry(JsonTextWriter& out, const BaseResItemImpl& entry) const {
  out.BeginObject();
  Fields(out, entry);
  Id(out, entry);
  const std::vector<std::string>& registered = entry.registered_res_item_ids();
  if (!registered.empty()) {
    out.Key("registered");
    out.BeginArray();
    for (const std::string& id : registered) {
      out.Element();
      WriteText(out, id);
    }
    out.EndArray();
  }
  if (!IsPlainZero(entry.registered_quantity())) {
    out.Key("registeredQuantity");
    WriteDouble(out, entry.registered_quantity());
  }
  out.EndObject();
}

void DocumentWriter::Row(JsonTextWriter& out, const TupleImpl& row) const {
  out.BeginObject();
  Fields(out, row);
  Id(out, row);
  if (row.GetChildCount() > 0) {
    out.Key("rows");
    out.BeginArray();
    for (int i = 0; i < row.GetChildCount(); ++i) {
      out.Element();
      Row(out, *row.GetChild(i));
    }
    out.EndArray();
  }
  out.EndObject();
}

void DocumentWriter::SubProject(JsonTextWriter& out, const SubProjectImpl& sub_project) const {
  out.BeginObject();
  if (sub_project.GetSubEngineeringCount() > 0) {
    out.Key("bills");
    out.BeginArray();
    for (int i = 0; i < sub_project.GetSubEngineeringCount(); ++i) {
      out.Element();
      BillItem(out, *sub_project.GetSubEngineering(i));
    }
    out.EndArray();
  }
  SubProjectGroups(out, sub_project);
  Fields(out, sub_project);
  Id(out, sub_project);
  out.Key("kind");
  out.Int(sub_project.GetKind());
  out.Key("name");
  WriteText(out, sub_project.GetName());
  if (sub_project.GetChildCount() > 0) {
    out.Key("subProjects");
    out.BeginArray();
    for (int i = 0; i < sub_project.GetChildCount(); ++i) {
      out.Element();
      SubProject(out, *sub_project.GetChild(i));
    }
    out.EndArray();
  }
  const ResSummaryImpl& summary = *sub_project.summary();
  out.Key("summary");
  out.BeginObject();
  if (summary.size() > 0) {
    out.Key("entries");
    out.BeginArray();
    for (int i = 0; i < summary.size(); ++i) {
      out.Element();
      Entry(out, *summary.entry(i));
    }
    out.EndArray();
  }
  Fields(out, summary);
  Id(out, summary);
  out.EndObject();
  out.EndObject();
}

void DocumentWriter::SubProjectGroups(JsonTextWriter& out,
                                      const SubProjectImpl& sub_project) const {
  const GroupedItemSetImpl& groups = *sub_project.GetGroupedItemSet();
  if (groups.size() == 0) return;
  out.Key("contractGroups");
  out.BeginArray();
  for (int i = 0; i < groups.size(); ++i) {
    const BaseResItemGroupImpl& group = *groups.group(i);
    out.Element();
    out.BeginObject();
    if (group.GetCount() > 0) {
      out.Key("entries");
      out.BeginArray();
      for (int j = 0; j < group.GetCount(); ++j) {
        out.Element();
        Entry(out, *group.entry(j));
      }
      out.EndArray();
    }
    Fields(out, group);
    out.Key("formName");
    WriteText(out, group.GetFormName());
    Id(out, group);
    out.EndObject();
  }
  out.EndArray();
}

void DocumentWriter::BillItem(JsonTextWriter& out, const SubEngineeringImpl& item) const {
  out.BeginObject();
  if (item.GetChildCount() > 0) {
    out.Key("bills");
    out.BeginArray();
    for (int i = 0; i < item.GetChildCount(); ++i) {
      out.Element();
      BillItem(out, *item.child(i));
    }
    out.EndArray();
  }
  // Absent means the default: a calculator or list that is there but empty.
  if (!item.budget_list() || item.budget_list()->size() > 0) {
    out.Key("budget");
    List(out, item.budget_list());
  }
  if (!item.cost_list() || item.cost_list()->size() > 0) {
    out.Key("cost");
    List(out, item.cost_list());
  }
  const FeeCalcImpl* fee = item.fee_calc();
  if (!fee) {
    out.Key("fee");
    out.Null();
  } else if (!fee->unit_costs().empty() || !fee->total_costs().empty()) {
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
  Fields(out, item);
  Id(out, item);
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
  out.BeginArray();
  for (int i = 0; i < list->size(); ++i) {
    out.Element();
    Line(out, *list->item(i));
  }
  out.EndArray();
}

void DocumentWriter::Line(JsonTextWriter& out, const ResItemImpl& line) const {
  out.BeginObject();
  if (!IsPlainZero(line.collected_quantity())) {
    out.Key("collectedQuantity");
    WriteDouble(out, line.collected_quantity());
  }
  if (!line.GetContent().empty()) {
    out.Key("content");
    WriteText(out, line.GetContent());
  }
  if (const BaseResItemImpl* entry = line.GetBaseResItem()) {
    out.Key("entry");
    WriteText(out, entry->GetId());
  }
  Fields(out, line);
  Id(out, line);
  if (!line.linked_ids().empty()) {
    out.Key("linked");
    out.BeginArray();
    for (const std::string& id : line.linked_ids()) {
      out.Element();
      WriteText(out, id);
    }
    out.EndArray();
  }
  Quantity(out, line.own_quantity());
  if (line.GetCollect()) {
    out.Key("record");
    Record(out, line);
  }
  if (!line.GetSourceRef().empty()) {
    out.Key("sourceRef");
    WriteText(out, line.GetSourceRef());
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
      out.Key("budgetItem");
      WriteText(out, budget->GetId());
    }
    if (InDocument(cost)) {
      out.Key("costItem");
      WriteText(out, cost->GetId());
    }
  }
  if (!listed.empty()) {
    out.Key("copies");
    out.BeginArray();
    for (engine::ResItem* listed_item : listed) {
      if (auto* item = dynamic_cast<const ResItemImpl*>(listed_item)) {
        out.Element();
        WriteText(out, item->GetId());
      }
    }
    out.EndArray();
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
