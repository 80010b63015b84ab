#include "reference_host/persist/document_writer.h"

#include <cmath>
#include <map>
#include <optional>
#include <string>

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

namespace host {
namespace persist {
namespace {

using nlohmann::json;

// Figures that are +0.0 are the model's default and left out.
bool IsPlainZero(double value) { return value == 0.0 && !std::signbit(value); }

json QuantityToJson(const std::optional<double>& quantity) {
  return quantity ? DoubleToJson(*quantity) : json(nullptr);
}

json FigureMap(const std::map<std::string, double>& figures) {
  json out = json::object();
  for (const auto& [kind, value] : figures) out[KeyToJson(kind)] = DoubleToJson(value);
  return out;
}

}  // namespace

json DocumentWriter::Write() {
  json out = json::object();
  out["format"] = kDocumentFormatName;
  out["version"] = kDocumentFormatVersion;
  out["project"] = document_.project() ? Project(*document_.project()) : json(nullptr);
  // Copies may list further copies; the list grows while it is written.
  json copies = json::array();
  for (size_t i = 0; i < copies_.size(); ++i) copies.push_back(Line(*copies_[i]));
  if (!copies.empty()) out["copies"] = std::move(copies);
  json detached = json::array();
  for (const BaseResItemImpl* entry : detached_) detached.push_back(Entry(*entry));
  if (!detached.empty()) out["detachedEntries"] = std::move(detached);
  return out;
}

bool DocumentWriter::InDocument(const DocumentObjectImpl* object) const {
  return object && document_.FindImpl(object->GetId()) == object;
}

json DocumentWriter::WeakRef(const DocumentObjectImpl* object) const {
  return InDocument(object) ? TextToJson(object->GetId()) : json(nullptr);
}

json DocumentWriter::Common(const DocumentObjectImpl& object) const {
  json out = json::object();
  out["id"] = TextToJson(object.GetId());
  const auto& fields = object.fields()->GetAllFields();
  if (!fields.empty()) {
    json& out_fields = out["fields"] = json::object();
    for (const auto& [key, value] : fields) out_fields[KeyToJson(key)] = FieldValueToJson(value);
  }
  return out;
}

json DocumentWriter::Project(const ProjectImpl& project) {
  json out = Common(project);
  out["name"] = TextToJson(project.GetName());

  json accounts = Common(*project.cost_accounts());
  for (int i = 0; i < project.cost_accounts()->GetCostAccountCount(); ++i)
    accounts["accounts"].push_back(CostAccount(*project.cost_accounts()->GetCostAccount(i)));
  out["costAccounts"] = std::move(accounts);

  json stages = Common(*project.bill_stages());
  for (int i = 0; i < project.bill_stages()->GetBillStageCount(); ++i) {
    const BillStageImpl& stage = *project.bill_stages()->GetBillStage(i);
    json stage_json = Common(stage);
    stage_json["name"] = TextToJson(stage.GetName());
    stages["stages"].push_back(std::move(stage_json));
  }
  out["billStages"] = std::move(stages);

  for (int i = 0; i < project.GetBaseResItemGroupCount(); ++i) {
    const BaseResItemGroupImpl& group = *project.GetBaseResItemGroup(i);
    json group_json = Common(group);
    group_json["formName"] = TextToJson(group.GetFormName());
    for (int j = 0; j < group.GetCount(); ++j) group_json["entries"].push_back(Entry(*group.entry(j)));
    out["contractGroups"].push_back(std::move(group_json));
  }

  for (int i = 0; i < project.table_count(); ++i) {
    const TableImpl& table = *project.table(i);
    json table_json = Common(table);
    table_json["name"] = TextToJson(table.GetName());
    for (int j = 0; j < table.GetRowCount(); ++j) table_json["rows"].push_back(Row(*table.GetRow(j)));
    out["tables"].push_back(std::move(table_json));
  }

  if (const SubProjectImpl* root = project.GetRootSubProject())
    out["subProjects"].push_back(SubProject(*root));
  return out;
}

json DocumentWriter::CostAccount(const CostAccountImpl& account) {
  json out = Common(account);
  out["code"] = TextToJson(account.GetCode());
  out["name"] = TextToJson(account.GetName());
  for (int i = 0; i < account.GetChildCount(); ++i) out["accounts"].push_back(CostAccount(*account.GetChild(i)));
  return out;
}

json DocumentWriter::Entry(const BaseResItemImpl& entry) {
  json out = Common(entry);
  for (const std::string& id : entry.registered_res_item_ids()) out["registered"].push_back(TextToJson(id));
  if (!IsPlainZero(entry.registered_quantity()))
    out["registeredQuantity"] = DoubleToJson(entry.registered_quantity());
  return out;
}

json DocumentWriter::Row(const TupleImpl& row) {
  json out = Common(row);
  for (int i = 0; i < row.GetChildCount(); ++i) out["rows"].push_back(Row(*row.GetChild(i)));
  return out;
}

json DocumentWriter::SubProject(const SubProjectImpl& sub_project) {
  json out = Common(sub_project);
  out["kind"] = sub_project.GetKind();
  out["name"] = TextToJson(sub_project.GetName());
  const ResSummaryImpl& summary = *sub_project.summary();
  json summary_json = Common(summary);
  for (int i = 0; i < summary.size(); ++i) summary_json["entries"].push_back(Entry(*summary.entry(i)));
  out["summary"] = std::move(summary_json);
  for (int i = 0; i < sub_project.GetChildCount(); ++i)
    out["subProjects"].push_back(SubProject(*sub_project.GetChild(i)));
  for (int i = 0; i < sub_project.GetSubEngineeringCount(); ++i)
    out["bills"].push_back(BillItem(*sub_project.GetSubEngineering(i)));
  return out;
}

json DocumentWriter::BillItem(const SubEngineeringImpl& item) {
  json out = Common(item);
  out["nodeKind"] = item.GetNodeKind();
  out["measureKind"] = item.GetMeasureKind();
  out["quantity"] = QuantityToJson(item.own_quantity());
  // Absent means the default: a calculator or list that is there but empty.
  if (const FeeCalcImpl* fee = item.fee_calc()) {
    json fee_json = json::object();
    if (!fee->unit_costs().empty()) fee_json["unit"] = FigureMap(fee->unit_costs());
    if (!fee->total_costs().empty()) fee_json["total"] = FigureMap(fee->total_costs());
    if (!fee_json.empty()) out["fee"] = std::move(fee_json);
  } else {
    out["fee"] = nullptr;
  }
  if (!item.budget_list() || item.budget_list()->size() > 0) out["budget"] = List(item.budget_list());
  if (!item.cost_list() || item.cost_list()->size() > 0) out["cost"] = List(item.cost_list());
  for (int i = 0; i < item.GetChildCount(); ++i) out["bills"].push_back(BillItem(*item.child(i)));
  return out;
}

json DocumentWriter::List(const ResItemListImpl* list) {
  if (!list) return nullptr;
  json out = json::array();
  for (int i = 0; i < list->size(); ++i) out.push_back(Line(*list->item(i)));
  return out;
}

json DocumentWriter::Line(const ResItemImpl& line) {
  json out = Common(line);
  out["quantity"] = QuantityToJson(line.own_quantity());
  if (const BaseResItemImpl* entry = line.GetBaseResItem()) {
    out["entry"] = TextToJson(entry->GetId());
    if (!InDocument(entry) && detached_seen_.insert(entry).second) detached_.push_back(entry);
  }
  if (!line.GetSourceRef().empty()) out["sourceRef"] = TextToJson(line.GetSourceRef());
  if (!line.GetContent().empty()) out["content"] = TextToJson(line.GetContent());
  for (const std::string& id : line.linked_ids()) out["linked"].push_back(TextToJson(id));
  if (!IsPlainZero(line.collected_quantity()))
    out["collectedQuantity"] = DoubleToJson(line.collected_quantity());
  if (line.GetCollect()) out["record"] = Record(line);
  return out;
}

json DocumentWriter::Record(const ResItemImpl& holder) {
  engine::qrv::QRVResCollect* record = holder.GetCollect();
  json out = json::object();
  // The owner is left out when it is the holding item, as it nearly always is.
  auto* owner = dynamic_cast<const DocumentObjectImpl*>(record->GetOwner());
  if (owner != &holder) out["owner"] = WeakRef(owner);

  std::vector<engine::ResItem*> listed;
  if (auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record)) {
    out["kind"] = "templete";
    templete->GetCopies(listed);
  } else if (auto* object = dynamic_cast<engine::qrv::QRVResCollectObj*>(record)) {
    out["kind"] = "object";
    object->GetCopies(listed);
  } else if (auto* copy = dynamic_cast<engine::qrv::QRVResCollectCopy*>(record)) {
    out["kind"] = "copy";
    json budget = WeakRef(dynamic_cast<const DocumentObjectImpl*>(copy->GetTempleteResItem()));
    json cost = WeakRef(dynamic_cast<const DocumentObjectImpl*>(copy->GetCBResItem()));
    if (!budget.is_null()) out["budgetItem"] = std::move(budget);
    if (!cost.is_null()) out["costItem"] = std::move(cost);
  }
  if (listed.empty()) return out;
  json& copies = out["copies"] = json::array();
  for (engine::ResItem* listed_item : listed) {
    auto* item = dynamic_cast<const ResItemImpl*>(listed_item);
    if (!item) continue;
    copies.push_back(TextToJson(item->GetId()));
    // A listed item that a bill list of the document holds is written there.
    const SubEngineeringImpl* bill = item->owner_sub_engineering();
    if (bill && InDocument(bill)) continue;
    if (copies_seen_.insert(item).second) copies_.push_back(item);
  }
  return out;
}

}  // namespace persist
}  // namespace host
