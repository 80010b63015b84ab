#include "reference_host/builder/document_builder.h"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"

namespace reference_host {
namespace {

// Fields a line mirrors from its entry.
const char* const kMirroredKeys[] = {keys::kCode,    keys::kName,  keys::kUnit,
                                     keys::kResType, keys::kPrice, keys::kSpec};

void MirrorEntryFields(const BaseResItemImpl* entry, ResItemImpl* line) {
  engine::FieldValue value;
  for (const char* key : kMirroredKeys)
    if (entry->fields()->GetFieldValue(key, value)) line->fields()->SetFieldValue(key, value, true);
}

bool IsMirrored(const std::string& key) {
  for (const char* mirrored : kMirroredKeys)
    if (key == mirrored) return true;
  return false;
}

}  // namespace

DocumentBuilder::DocumentBuilder(const std::string& project_id, const std::string& project_name)
    : document_(std::make_unique<EstimateDocument>()) {
  scoped_refptr<ProjectImpl> project(new ProjectImpl(project_id, project_name));
  project->SetRootSubProject(
      new SubProjectImpl(project->GetId() + "/root", engine::kSubProjectWhole, project_name));
  if (!document_->SetProject(project))
    Fail("DocumentBuilder", "cannot start project " + project_id);
  sub_project_ = project->GetRootSubProject();
  current_ = project.get();
}

DocumentBuilder::~DocumentBuilder() = default;

[[noreturn]] void DocumentBuilder::Fail(const char* call, const std::string& what) const {
  throw std::invalid_argument(std::string("DocumentBuilder::") + call + ": " + what);
}

EstimateDocument& DocumentBuilder::doc(const char* call) const {
  if (!document_) Fail(call, "the builder was already built");
  return *document_;
}

ProjectImpl* DocumentBuilder::project() const { return document_ ? document_->project() : nullptr; }

template <class T>
T* DocumentBuilder::Need(const std::string& id, const char* call) const {
  DocumentObjectImpl* object = doc(call).FindImpl(id);
  if (!object) Fail(call, "no object with id '" + id + "'");
  T* typed = dynamic_cast<T*>(object);
  if (!typed) Fail(call, "object '" + id + "' is not of the kind needed here");
  return typed;
}

void DocumentBuilder::CheckFresh(const std::string& id, const char* call) const {
  if (id.empty()) Fail(call, "an explicit id is needed");
  if (doc(call).FindImpl(id)) Fail(call, "duplicate id '" + id + "'");
}

SubProjectImpl* DocumentBuilder::CurrentSubProject() const { return sub_project_; }

SubEngineeringImpl* DocumentBuilder::CurrentBill(const char* call) const {
  if (!bill_) Fail(call, "no current bill item (add a Bill first)");
  return bill_;
}

DocumentBuilder& DocumentBuilder::CostAccount(const std::string& id, const std::string& code,
                                              const std::string& name,
                                              const std::string& parent_id) {
  CheckFresh(id, "CostAccount");
  scoped_refptr<CostAccountImpl> account(new CostAccountImpl(id, code, name));
  bool added = parent_id.empty()
                   ? project()->cost_accounts()->AddCostAccount(account)
                   : Need<CostAccountImpl>(parent_id, "CostAccount")->AddChild(account);
  if (!added) Fail("CostAccount", "cannot add '" + id + "'");
  current_ = account.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::BillStage(const std::string& id, const std::string& name) {
  CheckFresh(id, "BillStage");
  scoped_refptr<BillStageImpl> stage(new BillStageImpl(id, name));
  if (!project()->bill_stages()->AddBillStage(stage)) Fail("BillStage", "cannot add '" + id + "'");
  current_ = stage.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::ContractGroup(const std::string& id,
                                                const std::string& form_name) {
  CheckFresh(id, "ContractGroup");
  scoped_refptr<BaseResItemGroupImpl> group(new BaseResItemGroupImpl(id, form_name));
  if (!project()->AddBaseResItemGroup(group)) Fail("ContractGroup", "cannot add '" + id + "'");
  group_ = group.get();
  current_ = group.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::LocalGroup(const std::string& id, const std::string& form_name) {
  CheckFresh(id, "LocalGroup");
  scoped_refptr<BaseResItemGroupImpl> group(new BaseResItemGroupImpl(id, form_name));
  if (!sub_project_->GetGroupedItemSet()->Add(group)) Fail("LocalGroup", "cannot add '" + id + "'");
  group_ = group.get();
  current_ = group.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::ContractEntry(const std::string& id, const std::string& code,
                                                const std::string& name) {
  CheckFresh(id, "ContractEntry");
  if (!group_) Fail("ContractEntry", "no current contract group (add a ContractGroup first)");
  scoped_refptr<BaseResItemImpl> entry(new BaseResItemImpl(id));
  entry->fields()->SetText(keys::kCode, code);
  if (!name.empty()) entry->fields()->SetText(keys::kName, name);
  if (!group_->Add(entry)) Fail("ContractEntry", "cannot add '" + id + "'");
  current_ = entry.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::Table(const std::string& id, const std::string& name) {
  CheckFresh(id, "Table");
  scoped_refptr<TableImpl> table(new TableImpl(id, name));
  if (!project()->AddTable(table)) Fail("Table", "cannot add '" + id + "'");
  table_ = table.get();
  current_ = table.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::Row(const std::string& id, const std::string& parent_row_id) {
  CheckFresh(id, "Row");
  scoped_refptr<TupleImpl> row(new TupleImpl(id));
  bool added;
  if (parent_row_id.empty()) {
    if (!table_) Fail("Row", "no current table (add a Table first)");
    added = table_->AddRow(row);
  } else {
    added = Need<TupleImpl>(parent_row_id, "Row")->AddChild(row);
  }
  if (!added) Fail("Row", "cannot add '" + id + "'");
  current_ = row.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::MeasureRoot(const std::string& id, int tree, const char* call) {
  CheckFresh(id, call);
  SubProjectImpl* sub_project = CurrentSubProject();
  scoped_refptr<SubEngineeringImpl> root(new SubEngineeringImpl(id, 0));
  if (!sub_project->SetMeasureRoot(static_cast<SubProjectImpl::MeasureTree>(tree), root))
    Fail(call, "cannot add '" + id + "'");
  bill_ = root.get();
  current_ = root.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::DJCSRoot(const std::string& id) {
  return MeasureRoot(id, SubProjectImpl::kDJCS, "DJCSRoot");
}

DocumentBuilder& DocumentBuilder::ZJCSRoot(const std::string& id) {
  return MeasureRoot(id, SubProjectImpl::kZJCS, "ZJCSRoot");
}

DocumentBuilder& DocumentBuilder::JJFYRoot(const std::string& id) {
  return MeasureRoot(id, SubProjectImpl::kJJFY, "JJFYRoot");
}

DocumentBuilder& DocumentBuilder::MeasureItem(const std::string& id, const std::string& code,
                                              const std::string& name,
                                              const std::string& parent_id) {
  CheckFresh(id, "MeasureItem");
  scoped_refptr<SubEngineeringImpl> item(new SubEngineeringImpl(id, engine::kNodeKindBill));
  item->SetCode(code);
  item->SetName(name);
  if (!Need<SubEngineeringImpl>(parent_id, "MeasureItem")->AddChild(item))
    Fail("MeasureItem", "cannot add '" + id + "'");
  bill_ = item.get();
  current_ = item.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::KeyedTable(const std::string& id, int which, const char* call) {
  CheckFresh(id, call);
  scoped_refptr<TableImpl> table(new TableImpl(id, call));
  if (!CurrentSubProject()->SetKeyedTable(static_cast<SubProjectImpl::KeyedTable>(which), table))
    Fail(call, "cannot add '" + id + "'");
  table_ = table.get();
  current_ = table.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::ZJCSDetailTable(const std::string& id) {
  return KeyedTable(id, SubProjectImpl::kZJCSDetail, "ZJCSDetailTable");
}

DocumentBuilder& DocumentBuilder::JJFYTable(const std::string& id) {
  return KeyedTable(id, SubProjectImpl::kJJFYTable, "JJFYTable");
}

DocumentBuilder& DocumentBuilder::QTXMTable(int number, const std::string& id) {
  CheckFresh(id, "QTXMTable");
  scoped_refptr<TableImpl> table(new TableImpl(id, "QTXM" + std::to_string(number)));
  if (!CurrentSubProject()->EnsureQTXMTables()->SetTable(number, table))
    Fail("QTXMTable", "cannot add '" + id + "'");
  table_ = table.get();
  current_ = table.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::FeeTable(const std::string& id) {
  CheckFresh(id, "FeeTable");
  scoped_refptr<TableImpl> table(new TableImpl(id, FeeStoreImpl::kFeeTable));
  if (!CurrentSubProject()->EnsureFeeStore()->AddTable(table))
    Fail("FeeTable", "cannot add '" + id + "'");
  table_ = table.get();
  current_ = table.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::FeeRow(const std::string& id, const std::string& code,
                                         const std::string& calculation_base, double rate,
                                         double amount) {
  Row(id);
  current_->fields()->SetFieldValue(keys::kFeeCode, code, true);
  current_->fields()->SetFieldValue(keys::kFeeCalculationBase, calculation_base, true);
  current_->fields()->SetFieldValue(keys::kFeeRate, rate, true);
  current_->fields()->SetFieldValue(keys::kFeeAmount, amount, true);
  return *this;
}

DocumentBuilder& DocumentBuilder::SetMember(const std::string& id, int kind, const char* call) {
  CheckFresh(id, call);
  scoped_refptr<MovableMemberImpl> member(new MovableMemberImpl(id));
  ItemSetImpl* set =
      CurrentSubProject()->EnsureItemSet(static_cast<SubProjectImpl::ItemSetKind>(kind));
  if (!set->Add(scoped_refptr<DocumentObjectImpl>(member.get())))
    Fail(call, "cannot add '" + id + "'");
  current_ = member.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::MovableItem(const std::string& id) {
  return SetMember(id, SubProjectImpl::kMovableItems, "MovableItem");
}

DocumentBuilder& DocumentBuilder::ProductItem(const std::string& id) {
  return SetMember(id, SubProjectImpl::kProductItems, "ProductItem");
}

DocumentBuilder& DocumentBuilder::MovableRecord(const std::string& id) {
  return SetMember(id, SubProjectImpl::kMovableRecords, "MovableRecord");
}

DocumentBuilder& DocumentBuilder::EmptyItemSets() {
  SubProjectImpl* sub_project = CurrentSubProject();
  for (int kind = 0; kind < SubProjectImpl::kItemSetCount; ++kind)
    sub_project->EnsureItemSet(static_cast<SubProjectImpl::ItemSetKind>(kind));
  return *this;
}

DocumentBuilder& DocumentBuilder::WithRowKey(const std::string& key) {
  auto* row = dynamic_cast<TupleImpl*>(current_);
  if (!row) Fail("WithRowKey", "the current object is not a row");
  row->SetRowKey(key);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithExpression(const std::string& expression) {
  auto* table = dynamic_cast<TableImpl*>(current_);
  if (!table) Fail("WithExpression", "the current object is not a table");
  table->SetExpression(expression);
  return *this;
}

DocumentBuilder& DocumentBuilder::Root(const std::string& id, const std::string& name, int kind) {
  CheckFresh(id, "Root");
  scoped_refptr<SubProjectImpl> root(
      new SubProjectImpl(id, kind, name.empty() ? project()->GetName() : name));
  if (!project()->SetRootSubProject(root)) Fail("Root", "cannot add '" + id + "'");
  sub_project_ = root.get();
  bill_ = nullptr;
  current_ = root.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::SubProject(const std::string& id, const std::string& name,
                                             int kind, const std::string& parent_id) {
  CheckFresh(id, "SubProject");
  SubProjectImpl* parent = parent_id.empty() ? project()->GetRootSubProject()
                                             : Need<SubProjectImpl>(parent_id, "SubProject");
  scoped_refptr<SubProjectImpl> sub_project(new SubProjectImpl(id, kind, name));
  if (!parent->AddChild(sub_project)) Fail("SubProject", "cannot add '" + id + "'");
  sub_project_ = sub_project.get();
  bill_ = nullptr;
  current_ = sub_project.get();
  return *this;
}

BaseResItemImpl* DocumentBuilder::BudgetEntryFor(ResSummaryImpl* summary, const std::string& code,
                                                 const std::string& id, const std::string& name,
                                                 const char* call) {
  auto& by_code = budget_entries_[summary];
  auto found = by_code.find(code);
  if (found != by_code.end()) {
    if (!id.empty() && found->second->GetId() != id)
      Fail(call, "the summary already has an entry with code '" + code + "'");
    return found->second;
  }
  std::string entry_id = id.empty() ? sub_project_->GetId() + ":" + code : id;
  CheckFresh(entry_id, call);
  scoped_refptr<BaseResItemImpl> entry(new BaseResItemImpl(entry_id));
  entry->fields()->SetText(keys::kCode, code);
  if (!name.empty()) entry->fields()->SetText(keys::kName, name);
  if (!summary->Add(entry)) Fail(call, "cannot add entry '" + entry_id + "'");
  by_code.emplace(code, entry.get());
  return entry.get();
}

DocumentBuilder& DocumentBuilder::BudgetEntry(const std::string& id, const std::string& code,
                                              const std::string& name) {
  CheckFresh(id, "BudgetEntry");
  current_ = BudgetEntryFor(sub_project_->summary(), code, id, name, "BudgetEntry");
  return *this;
}

void DocumentBuilder::AddBillItem(scoped_refptr<SubEngineeringImpl> item,
                                  const std::string& parent_id, const char* call) {
  bool added = parent_id.empty() ? sub_project_->AddSubEngineering(item)
                                 : Need<SubEngineeringImpl>(parent_id, call)->AddChild(item);
  if (!added) Fail(call, "cannot add '" + item->GetId() + "'");
  if (!parent_id.empty()) {
    if (SubProjectImpl* owner = item->sub_project()) sub_project_ = owner;
  }
  bill_ = item.get();
  current_ = item.get();
}

DocumentBuilder& DocumentBuilder::Bill(const std::string& id, double quantity,
                                       const std::string& parent_id) {
  return SubEngineering(id, engine::kNodeKindBill, 0, quantity, parent_id);
}

DocumentBuilder& DocumentBuilder::BillEntry(const std::string& id, double quantity, int node_kind) {
  CheckFresh(id, "BillEntry");
  SubEngineeringImpl* parent = CurrentBill("BillEntry");
  // Entries go under the bill, not under a sibling entry.
  while (parent->GetNodeKind() != engine::kNodeKindBill && parent->GetParent())
    parent = parent->GetParent();
  scoped_refptr<SubEngineeringImpl> item(new SubEngineeringImpl(id, node_kind));
  item->SetQuantity(quantity);
  AddBillItem(item, parent->GetId(), "BillEntry");
  return *this;
}

DocumentBuilder& DocumentBuilder::SubEngineering(const std::string& id, int node_kind,
                                                 int measure_kind, double quantity,
                                                 const std::string& parent_id) {
  CheckFresh(id, "SubEngineering");
  scoped_refptr<SubEngineeringImpl> item(new SubEngineeringImpl(id, node_kind, measure_kind));
  item->SetQuantity(quantity);
  AddBillItem(item, parent_id, "SubEngineering");
  return *this;
}

DocumentBuilder& DocumentBuilder::BudgetLine(const std::string& id, double quantity,
                                             const std::string& code) {
  CheckFresh(id, "BudgetLine");
  SubEngineeringImpl* bill = CurrentBill("BudgetLine");
  if (!bill->has_budget_list())
    Fail("BudgetLine", "bill item '" + bill->GetId() + "' has no budget list");
  SubProjectImpl* owner = bill->sub_project() ? bill->sub_project() : sub_project_;
  ResSummaryImpl* summary = owner->summary();
  SubProjectImpl* previous = sub_project_;
  sub_project_ = owner;
  BaseResItemImpl* entry = BudgetEntryFor(summary, code, "", "", "BudgetLine");
  sub_project_ = previous;
  scoped_refptr<ResItemImpl> line(new ResItemImpl(id));
  line->SetQuantity(quantity);
  line->SetBaseResItem(entry);
  MirrorEntryFields(entry, line.get());
  if (!bill->budget_list()->Add(line)) Fail("BudgetLine", "cannot add '" + id + "'");
  current_ = line.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::CostLine(const std::string& id, const std::string& entry_id,
                                           double quantity) {
  CheckFresh(id, "CostLine");
  SubEngineeringImpl* bill = CurrentBill("CostLine");
  if (!bill->has_cost_list())
    Fail("CostLine", "bill item '" + bill->GetId() + "' has no cost list");
  auto* entry = Need<BaseResItemImpl>(entry_id, "CostLine");
  if (!entry->group()) Fail("CostLine", "'" + entry_id + "' is not a contract-level entry");
  scoped_refptr<ResItemImpl> line(new ResItemImpl(id));
  line->SetQuantity(quantity);
  line->SetBaseResItem(entry);
  MirrorEntryFields(entry, line.get());
  if (!bill->cost_list()->Add(line)) Fail("CostLine", "cannot add '" + id + "'");
  entry->AddResItem(line.get());
  current_ = line.get();
  return *this;
}

DocumentBuilder& DocumentBuilder::Fee(const std::string& kind, double unit_cost,
                                      double total_cost) {
  SubEngineeringImpl* bill = CurrentBill("Fee");
  if (!bill->has_fee_calc()) Fail("Fee", "bill item '" + bill->GetId() + "' has no fee calculator");
  bill->fee_calc()->SetFeeCost(kind, unit_cost);
  bill->fee_calc()->SetFeeTotalCost(kind, total_cost);
  return *this;
}

DocumentBuilder& DocumentBuilder::Link(const std::string& cost_id, const std::string& budget_id) {
  auto* cost = Need<ResItemImpl>(cost_id, "Link");
  auto* budget = Need<ResItemImpl>(budget_id, "Link");
  cost->AddLinkedResItem(budget);
  current_ = cost;
  return *this;
}

DocumentBuilder& DocumentBuilder::Collect(const std::string& budget_id, const std::string& cost_id,
                                          double quantity, const std::string& copy_id) {
  if (!copy_id.empty()) CheckFresh(copy_id, "Collect");
  auto* budget = Need<ResItemImpl>(budget_id, "Collect");
  auto* cost = Need<ResItemImpl>(cost_id, "Collect");
  ResItemImpl* copy = AttachCollectedCopy(budget, cost, quantity, copy_id);
  if (!copy) Fail("Collect", "cannot collect '" + budget_id + "' into '" + cost_id + "'");
  current_ = copy;
  return *this;
}

DocumentBuilder& DocumentBuilder::Select(const std::string& id) {
  DocumentObjectImpl* object = Need<DocumentObjectImpl>(id, "Select");
  current_ = object;
  if (auto* sub_project = dynamic_cast<SubProjectImpl*>(object)) {
    sub_project_ = sub_project;
    bill_ = nullptr;
  } else if (auto* bill = dynamic_cast<SubEngineeringImpl*>(object)) {
    bill_ = bill;
    if (SubProjectImpl* owner = bill->sub_project()) sub_project_ = owner;
  } else if (auto* group = dynamic_cast<BaseResItemGroupImpl*>(object)) {
    group_ = group;
  } else if (auto* table = dynamic_cast<TableImpl*>(object)) {
    table_ = table;
  } else if (auto* line = dynamic_cast<ResItemImpl*>(object)) {
    if (SubEngineeringImpl* owner = line->owner_sub_engineering()) bill_ = owner;
  }
  return *this;
}

BaseResItemImpl* DocumentBuilder::CurrentLineEntry() const {
  auto* line = dynamic_cast<ResItemImpl*>(current_);
  if (!line || !line->GetBaseResItem()) return nullptr;
  // Only a budget line writes through to its (budget-side) entry.
  return line->GetBaseResItem()->group() ? nullptr : line->GetBaseResItem();
}

void DocumentBuilder::SetEntryField(const char* call, const std::string& key,
                                    const engine::FieldValue& value) {
  if (!current_) Fail(call, "no current object");
  if (BaseResItemImpl* entry = CurrentLineEntry()) {
    entry->fields()->SetFieldValue(key, value, true);
    if (IsMirrored(key)) current_->fields()->SetFieldValue(key, value, true);
    return;
  }
  if (dynamic_cast<BaseResItemImpl*>(current_) || dynamic_cast<ResItemImpl*>(current_)) {
    current_->fields()->SetFieldValue(key, value, true);
    return;
  }
  Fail(call, "applies to entries and resource lines, not to '" + current_->GetId() + "'");
}

DocumentBuilder& DocumentBuilder::WithName(const std::string& name) {
  if (auto* account = dynamic_cast<CostAccountImpl*>(current_)) {
    account->SetName(name);
  } else if (auto* stage = dynamic_cast<BillStageImpl*>(current_)) {
    stage->SetName(name);
  } else if (auto* sub_project = dynamic_cast<SubProjectImpl*>(current_)) {
    sub_project->set_name(name);
  } else if (auto* table = dynamic_cast<TableImpl*>(current_)) {
    table->set_name(name);
  } else if (auto* proj = dynamic_cast<ProjectImpl*>(current_)) {
    proj->set_name(name);
  } else if (auto* item = dynamic_cast<SubEngineeringImpl*>(current_)) {
    item->SetName(name);
  } else {
    SetEntryField("WithName", keys::kName, name);
  }
  return *this;
}

DocumentBuilder& DocumentBuilder::WithCode(const std::string& code) {
  if (auto* account = dynamic_cast<CostAccountImpl*>(current_)) {
    account->SetCode(code);
    return *this;
  }
  if (auto* item = dynamic_cast<SubEngineeringImpl*>(current_)) {
    item->SetCode(code);
    return *this;
  }
  if (CurrentLineEntry()) Fail("WithCode", "a budget line's code is fixed by BudgetLine");
  SetEntryField("WithCode", keys::kCode, code);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithUnit(const std::string& unit) {
  SetEntryField("WithUnit", keys::kUnit, unit);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithPrice(double price) {
  SetEntryField("WithPrice", keys::kPrice, price);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithResType(const std::string& type) {
  SetEntryField("WithResType", keys::kResType, type);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithModel(const std::string& model) {
  SetEntryField("WithModel", keys::kSpec, model);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithNumber(int number) {
  SetEntryField("WithNumber", keys::kNumber, number);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithEntryQuantity(double quantity) {
  auto* entry = dynamic_cast<BaseResItemImpl*>(current_);
  if (!entry) Fail("WithEntryQuantity", "applies to entries only");
  entry->SetQuantity(quantity);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithSortText(const std::string& sort_text) {
  auto* entry = dynamic_cast<BaseResItemImpl*>(current_);
  if (!entry) Fail("WithSortText", "applies to entries only");
  entry->fields()->SetText(keys::kSortText, sort_text);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithIdentity(const std::string& identity_id) {
  auto* entry = dynamic_cast<BaseResItemImpl*>(current_);
  if (!entry || !entry->group()) Fail("WithIdentity", "applies to contract entries only");
  Need<BaseResItemImpl>(identity_id, "WithIdentity");
  entry->fields()->SetText(keys::kIdentityItem, identity_id);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithCostAccount(const std::string& account_id) {
  if (!current_) Fail("WithCostAccount", "no current object");
  if (auto* entry = dynamic_cast<BaseResItemImpl*>(current_))
    entry->SetCostAccount(account_id);
  else
    current_->fields()->SetText(keys::kCostAccount, account_id);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithYSCostAccount(const std::string& account_id) {
  if (!current_) Fail("WithYSCostAccount", "no current object");
  if (BaseResItemImpl* entry = CurrentLineEntry())
    entry->fields()->SetText(keys::kYSCostAccount, account_id);
  else
    current_->fields()->SetText(keys::kYSCostAccount, account_id);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithBillStage(const std::string& stage_id) {
  if (!current_) Fail("WithBillStage", "no current object");
  current_->fields()->SetText(keys::kBillStage, stage_id);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithLeaseQuantity(const std::string& text) {
  auto* entry = dynamic_cast<BaseResItemImpl*>(current_);
  if (!entry) Fail("WithLeaseQuantity", "applies to entries only");
  entry->SetLeaseQuantityText(text);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithQuantity(double quantity) {
  if (auto* line = dynamic_cast<ResItemImpl*>(current_))
    line->SetQuantity(quantity);
  else if (auto* bill = dynamic_cast<SubEngineeringImpl*>(current_))
    bill->SetQuantity(quantity);
  else
    Fail("WithQuantity", "applies to resource lines and bill items only");
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutQuantity() {
  if (auto* line = dynamic_cast<ResItemImpl*>(current_))
    line->ClearQuantity();
  else if (auto* bill = dynamic_cast<SubEngineeringImpl*>(current_))
    bill->ClearQuantity();
  else
    Fail("WithoutQuantity", "applies to resource lines and bill items only");
  return *this;
}

DocumentBuilder& DocumentBuilder::WithMeasureKind(int measure_kind) {
  auto* bill = dynamic_cast<SubEngineeringImpl*>(current_);
  if (!bill) Fail("WithMeasureKind", "applies to bill items only");
  bill->set_measure_kind(measure_kind);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithNodeKind(int node_kind) {
  auto* bill = dynamic_cast<SubEngineeringImpl*>(current_);
  if (!bill) Fail("WithNodeKind", "applies to bill items only");
  bill->set_node_kind(node_kind);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithContent(const std::string& content) {
  auto* line = dynamic_cast<ResItemImpl*>(current_);
  if (!line) Fail("WithContent", "applies to resource lines only");
  line->SetContent(content);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithSourceRef(const std::string& source_ref) {
  auto* line = dynamic_cast<ResItemImpl*>(current_);
  if (!line) Fail("WithSourceRef", "applies to resource lines only");
  line->SetSourceRef(source_ref);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithField(const std::string& key,
                                            const engine::FieldValue& value) {
  if (!current_) Fail("WithField", "no current object");
  current_->fields()->SetFieldValue(key, value, true);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutCostList() {
  CurrentBill("WithoutCostList")->SetHasCostList(false);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutBudgetList() {
  CurrentBill("WithoutBudgetList")->SetHasBudgetList(false);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutFeeCalc() {
  CurrentBill("WithoutFeeCalc")->SetHasFeeCalc(false);
  return *this;
}

ResItemImpl* DocumentBuilder::CurrentLine(const char* call) const {
  auto* line = dynamic_cast<ResItemImpl*>(current_);
  if (!line) Fail(call, "applies to resource lines only");
  return line;
}

ResItemImpl* DocumentBuilder::CurrentListedLine(const char* call) const {
  ResItemImpl* line = CurrentLine(call);
  if (!line->owner_list()) Fail(call, "'" + line->GetId() + "' stands in no bill list");
  return line;
}

ResCollectCopyImpl* DocumentBuilder::CurrentCopyRecord(const char* call) const {
  auto* record = dynamic_cast<ResCollectCopyImpl*>(CurrentLine(call)->GetCollect());
  if (!record) Fail(call, "'" + current_->GetId() + "' carries no copy record");
  return record;
}

DocumentBuilder& DocumentBuilder::WithoutEntry() {
  ResItemImpl* line = CurrentLine("WithoutEntry");
  if (BaseResItemImpl* entry = line->GetBaseResItem()) entry->RemoveRegisteredId(line->GetId());
  line->SetBaseResItem(nullptr);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutRegistration() {
  ResItemImpl* line = CurrentListedLine("WithoutRegistration");
  if (line->owner_list()->side() != ResItemListImpl::Side::kCost || !line->GetBaseResItem())
    Fail("WithoutRegistration", "'" + line->GetId() + "' is no cost line with an entry");
  line->GetBaseResItem()->RemoveRegisteredId(line->GetId());
  return *this;
}

DocumentBuilder& DocumentBuilder::WithEmptyRecord() {
  ResItemImpl* line = CurrentListedLine("WithEmptyRecord");
  if (line->GetCollect()) Fail("WithEmptyRecord", "'" + line->GetId() + "' carries a record");
  // Owners as the library sets them: the core face of a budget line, the
  // product face of a cost line.
  if (line->owner_list()->side() == ResItemListImpl::Side::kBudget) {
    scoped_refptr<ResCollectTempleteImpl> record(new ResCollectTempleteImpl());
    engine::ResItem& core_face = *line;
    record->SetOwner(&core_face);
    line->SetCollect(record.get());
  } else {
    scoped_refptr<ResCollectObjImpl> record(new ResCollectObjImpl());
    engine::qrv::QRVResItem& cost_face = *line;
    record->SetOwner(&cost_face);
    line->SetCollect(record.get());
  }
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutCopyRecord() {
  CurrentCopyRecord("WithoutCopyRecord");
  CurrentLine("WithoutCopyRecord")->SetCollect(nullptr);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutCopyBudgetLine() {
  CurrentCopyRecord("WithoutCopyBudgetLine")->SetTempleteResItem(nullptr);
  return *this;
}

DocumentBuilder& DocumentBuilder::WithoutCopyCostLine() {
  CurrentCopyRecord("WithoutCopyCostLine")->SetCBResItem(nullptr);
  return *this;
}

std::unique_ptr<EstimateDocument> DocumentBuilder::BuildDocument() {
  doc("Build");
  current_ = nullptr;
  sub_project_ = nullptr;
  bill_ = nullptr;
  group_ = nullptr;
  table_ = nullptr;
  budget_entries_.clear();
  return std::move(document_);
}

std::unique_ptr<AppDocumentImpl> DocumentBuilder::Build() {
  return std::make_unique<AppDocumentImpl>(BuildDocument());
}

std::unique_ptr<PlainAppDocument> DocumentBuilder::BuildPlain() {
  return std::make_unique<PlainAppDocument>(BuildDocument());
}

ResItemImpl* AttachCollectedCopy(ResItemImpl* budget, ResItemImpl* cost, double quantity,
                                 const std::string& copy_id) {
  double budget_quantity = 0.0;
  if (!budget || !cost || budget == cost || !budget->GetQuantity(budget_quantity) ||
      std::fabs(budget_quantity) < 1e-6)
    return nullptr;
  auto* templete = dynamic_cast<ResCollectTempleteImpl*>(budget->GetCollect());
  auto* obj = dynamic_cast<ResCollectObjImpl*>(cost->GetCollect());
  if ((!templete && budget->GetCollect()) || (!obj && cost->GetCollect())) return nullptr;
  if (!templete) {
    scoped_refptr<ResCollectTempleteImpl> fresh(new ResCollectTempleteImpl());
    fresh->SetOwner(budget);
    budget->SetCollect(fresh.get());
    templete = fresh.get();
  }
  if (!obj) {
    scoped_refptr<ResCollectObjImpl> fresh(new ResCollectObjImpl());
    engine::qrv::QRVResItem& cost_face = *cost;  // the object record's owner is the product face
    fresh->SetOwner(&cost_face);
    cost->SetCollect(fresh.get());
    obj = fresh.get();
  }
  scoped_refptr<ResItemImpl> copy(new ResItemImpl(copy_id));
  copy->CopyFrom(budget);
  copy->fields()->SetDouble(keys::kCollectRatio, quantity / budget_quantity);
  scoped_refptr<ResCollectCopyImpl> record(new ResCollectCopyImpl());
  record->SetCBResItem(cost);
  record->SetTempleteResItem(budget);
  record->SetOwner(static_cast<engine::ResItem*>(copy.get()));
  copy->SetCollect(record.get());
  templete->AddCopy(copy.get());
  obj->AddCopy(copy.get());
  return copy.get();
}

}  // namespace reference_host
