#include "reference_host/persist/document_reader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/cost_account_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/json_values.h"
#include "reference_host/persist/value_rules.h"

namespace reference_host {
namespace persist {
namespace {

using nlohmann::json;

}  // namespace

DocumentReader::DocumentReader() : linker_([this](const Place& place) { return PathOf(place); }) {}

DocumentReader::~DocumentReader() = default;

std::unique_ptr<EstimateDocument> DocumentReader::Read(const json& root, std::string* error) {
  try {
    nodes_.push_back({-1, nullptr, -1, 0});
    const json& top = Object(root, 0);
    const json* format = Member(top, 0, "format", true);
    if (!format->is_string() || *format != kDocumentFormatName)
      Fail(0, {"format"},
           std::string("expected \"") + kDocumentFormatName + "\": not an estimate document");
    const json* version = Member(top, 0, "version", true);
    if (!version->is_number_integer()) Fail(0, {"version"}, "expected an integer");
    if (version->get<int64_t>() != kDocumentFormatVersion)
      Fail(0, {"version"},
           "unsupported format version " + version->dump() + "; this build reads version " +
               std::to_string(kDocumentFormatVersion));

    const json* project_json = Member(top, 0, "project", true);
    scoped_refptr<ProjectImpl> project;
    if (!project_json->is_null()) project = ReadProject(*project_json, Node(0, "project"));
    if (const json* copies = Array(top, 0, "copies")) {
      for (size_t i = 0; i < copies->size(); ++i)
        copies_.push_back(
            ReadLine((*copies)[i], Node(0, "copies", static_cast<long>(i)), LineSide::kCopy));
    }
    if (const json* detached = Array(top, 0, "detachedEntries")) {
      for (size_t i = 0; i < detached->size(); ++i)
        detached_.push_back(
            ReadEntry((*detached)[i], Node(0, "detachedEntries", static_cast<long>(i)), false));
    }

    linker_.Link();

    auto document = std::make_unique<EstimateDocument>();
    if (project && !document->SetProject(project))
      Fail(0, {"project"}, "the project cannot enter a document");
    return document;
  } catch (const ReadFailure& failure) {
    if (error) *error = failure.message;
    return nullptr;
  }
}

// Paths and failures.

int DocumentReader::Node(int parent, const char* member, long index) {
  int depth = nodes_[parent].depth + (index >= 0 ? 2 : 1);
  if (depth > kMaxDocumentNesting)
    Fail(parent, {member}, "nested deeper than " + std::to_string(kMaxDocumentNesting) + " levels");
  nodes_.push_back({parent, member, index, depth});
  return static_cast<int>(nodes_.size()) - 1;
}

std::string DocumentReader::PathOf(int node, const std::vector<std::string>& more) const {
  std::vector<int> chain;
  for (int at = node; at > 0; at = nodes_[at].parent) chain.push_back(at);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    AppendPointerToken(path, nodes_[*it].member);
    if (nodes_[*it].index >= 0) AppendPointerToken(path, std::to_string(nodes_[*it].index));
  }
  for (const std::string& token : more) AppendPointerToken(path, token);
  return path.empty() ? "/" : path;
}

std::string DocumentReader::PathOf(const Place& place) const {
  std::vector<std::string> more;
  if (place.member) more.push_back(place.member);
  if (place.index >= 0) more.push_back(std::to_string(place.index));
  return PathOf(place.node, more);
}

void DocumentReader::Fail(int node, std::vector<std::string> more, const std::string& what) const {
  throw ReadFailure{PathOf(node, more) + ": " + what};
}

// Value readers.

const json& DocumentReader::Object(const json& value, int node) const {
  if (!value.is_object()) Fail(node, {}, "expected an object");
  return value;
}

const json* DocumentReader::Member(const json& object, int node, const char* name,
                                   bool required) const {
  auto it = object.find(name);
  if (it != object.end()) return &*it;
  if (required) Fail(node, {name}, "required member is missing");
  return nullptr;
}

std::string DocumentReader::Text(const json& object, int node, const char* name) const {
  std::string text;
  if (!TextFromJson(*Member(object, node, name, true), text)) Fail(node, {name}, "expected a text");
  return text;
}

int DocumentReader::Integer(const json& object, int node, const char* name) const {
  const json& value = *Member(object, node, name, true);
  if (!value.is_number_integer()) Fail(node, {name}, "expected an integer");
  if (value.is_number_unsigned()
          ? value.get<uint64_t>() > static_cast<uint64_t>(INT32_MAX)
          : (value.get<int64_t>() < INT32_MIN || value.get<int64_t>() > INT32_MAX))
    Fail(node, {name}, "integer out of range");
  return static_cast<int>(value.get<int64_t>());
}

double DocumentReader::Figure(const json& object, int node, const char* name) const {
  double value = 0.0;
  if (!DoubleFromJson(*Member(object, node, name, true), value))
    Fail(node, {name}, "expected a number");
  return value;
}

std::optional<double> DocumentReader::Quantity(const json& object, int node) const {
  const json& value = *Member(object, node, "quantity", true);
  if (value.is_null()) return std::nullopt;
  double quantity = 0.0;
  if (!DoubleFromJson(value, quantity)) Fail(node, {"quantity"}, "expected a number or null");
  std::string fault = CheckQuantity(quantity);
  if (!fault.empty()) Fail(node, {"quantity"}, fault);
  return quantity;
}

const json* DocumentReader::Array(const json& object, int node, const char* name,
                                  bool nullable) const {
  const json* value = Member(object, node, name, false);
  if (!value || value->is_array() || (nullable && value->is_null())) return value;
  Fail(node, {name}, nullable ? "expected an array or null" : "expected an array");
}

std::string DocumentReader::IdAt(const json& value, int node, const char* member,
                                 long index) const {
  std::vector<std::string> where{member};
  if (index >= 0) where.push_back(std::to_string(index));
  std::string id;
  if (!TextFromJson(value, id)) Fail(node, where, "expected an id (a text)");
  if (id.empty()) Fail(node, where, "an id must not be empty");
  return id;
}

// Objects.

template <class T, class Make>
scoped_refptr<T> DocumentReader::Create(const json& object, int node, Make make, Kind kind) {
  std::string id = IdAt(*Member(object, node, "id", true), node, "id", -1);
  scoped_refptr<T> created(make(id));
  ReadFields(object, node, created->fields());
  linker_.Add(created.get(), kind, node);
  return created;
}

void DocumentReader::ReadFields(const json& object, int node, FieldContainerImpl* fields) const {
  const json* value = Member(object, node, "fields", false);
  if (!value) return;
  if (!value->is_object()) Fail(node, {"fields"}, "expected an object");
  std::string key;
  engine::FieldValue field;
  std::string what;
  for (const auto& [json_key, json_value] : value->items()) {
    if (!KeyFromJson(json_key, key))
      Fail(node, {"fields", json_key}, "malformed or needless escaped key");
    if (!FieldValueFromJson(json_value, field, what)) Fail(node, {"fields", json_key}, what);
    fields->SetFieldValue(key, field, false);
  }
}

scoped_refptr<ProjectImpl> DocumentReader::ReadProject(const json& value, int node) {
  const json& object = Object(value, node);
  std::string name = Text(object, node, "name");
  int accounts_node = Node(node, "costAccounts");
  const json& accounts = Object(*Member(object, node, "costAccounts", true), accounts_node);
  std::string accounts_id =
      IdAt(*Member(accounts, accounts_node, "id", true), accounts_node, "id", -1);
  int stages_node = Node(node, "billStages");
  const json& stages = Object(*Member(object, node, "billStages", true), stages_node);
  std::string stages_id = IdAt(*Member(stages, stages_node, "id", true), stages_node, "id", -1);

  scoped_refptr<ProjectImpl> project = Create<ProjectImpl>(
      object, node,
      [&](const std::string& id) { return new ProjectImpl(id, name, accounts_id, stages_id); });

  CostAccountGroupImpl* tree = project->cost_accounts();
  ReadFields(accounts, accounts_node, tree->fields());
  linker_.Add(tree, Kind::kOther, accounts_node);
  if (const json* list = Array(accounts, accounts_node, "accounts")) {
    for (size_t i = 0; i < list->size(); ++i)
      tree->AddCostAccount(
          ReadCostAccount((*list)[i], Node(accounts_node, "accounts", static_cast<long>(i))));
  }

  BillStageGroupImpl* stage_group = project->bill_stages();
  ReadFields(stages, stages_node, stage_group->fields());
  linker_.Add(stage_group, Kind::kOther, stages_node);
  if (const json* list = Array(stages, stages_node, "stages")) {
    for (size_t i = 0; i < list->size(); ++i) {
      int stage_node = Node(stages_node, "stages", static_cast<long>(i));
      const json& stage = Object((*list)[i], stage_node);
      std::string stage_name = Text(stage, stage_node, "name");
      stage_group->AddBillStage(Create<BillStageImpl>(
          stage, stage_node,
          [&](const std::string& id) { return new BillStageImpl(id, stage_name); }));
    }
  }

  if (const json* groups = Array(object, node, "contractGroups")) {
    for (size_t i = 0; i < groups->size(); ++i) {
      int group_node = Node(node, "contractGroups", static_cast<long>(i));
      const json& group_json = Object((*groups)[i], group_node);
      std::string form_name = Text(group_json, group_node, "formName");
      auto group = Create<BaseResItemGroupImpl>(group_json, group_node, [&](const std::string& id) {
        return new BaseResItemGroupImpl(id, form_name);
      });
      if (const json* entries = Array(group_json, group_node, "entries")) {
        for (size_t j = 0; j < entries->size(); ++j)
          group->Add(ReadEntry((*entries)[j], Node(group_node, "entries", static_cast<long>(j))));
      }
      project->AddBaseResItemGroup(group);
    }
  }

  if (const json* tables = Array(object, node, "tables")) {
    for (size_t i = 0; i < tables->size(); ++i) {
      int table_node = Node(node, "tables", static_cast<long>(i));
      const json& table_json = Object((*tables)[i], table_node);
      std::string table_name = Text(table_json, table_node, "name");
      auto table = Create<TableImpl>(table_json, table_node, [&](const std::string& id) {
        return new TableImpl(id, table_name);
      });
      if (const json* rows = Array(table_json, table_node, "rows")) {
        for (size_t j = 0; j < rows->size(); ++j)
          table->AddRow(ReadRow((*rows)[j], Node(table_node, "rows", static_cast<long>(j))));
      }
      project->AddTable(table);
    }
  }

  if (const json* roots = Array(object, node, "subProjects")) {
    if (roots->size() > 1)
      Fail(node, {"subProjects", "1"}, "a project has at most one root sub-project");
    if (roots->size() == 1)
      project->SetRootSubProject(ReadSubProject((*roots)[0], Node(node, "subProjects", 0)));
  }
  return project;
}

scoped_refptr<CostAccountImpl> DocumentReader::ReadCostAccount(const json& value, int node) {
  const json& object = Object(value, node);
  std::string code = Text(object, node, "code");
  std::string name = Text(object, node, "name");
  auto account = Create<CostAccountImpl>(
      object, node, [&](const std::string& id) { return new CostAccountImpl(id, code, name); });
  if (const json* children = Array(object, node, "accounts")) {
    for (size_t i = 0; i < children->size(); ++i)
      account->AddChild(
          ReadCostAccount((*children)[i], Node(node, "accounts", static_cast<long>(i))));
  }
  return account;
}

scoped_refptr<TupleImpl> DocumentReader::ReadRow(const json& value, int node) {
  const json& object = Object(value, node);
  auto row =
      Create<TupleImpl>(object, node, [](const std::string& id) { return new TupleImpl(id); });
  if (const json* children = Array(object, node, "rows")) {
    for (size_t i = 0; i < children->size(); ++i)
      row->AddChild(ReadRow((*children)[i], Node(node, "rows", static_cast<long>(i))));
  }
  return row;
}

scoped_refptr<BaseResItemImpl> DocumentReader::ReadEntry(const json& value, int node,
                                                         bool in_document) {
  const json& object = Object(value, node);
  auto entry = Create<BaseResItemImpl>(
      object, node, [](const std::string& id) { return new BaseResItemImpl(id); },
      in_document ? Kind::kEntry : Kind::kDetachedEntry);
  ReadIdList(object, node, "registered", Ref::kRegistered, entry.get(), nullptr);
  if (Member(object, node, "registeredQuantity", false))
    entry->set_registered_quantity(Figure(object, node, "registeredQuantity"));
  return entry;
}

scoped_refptr<SubProjectImpl> DocumentReader::ReadSubProject(const json& value, int node) {
  const json& object = Object(value, node);
  int kind = Integer(object, node, "kind");
  if (std::string fault = CheckSubProjectKind(kind); !fault.empty()) Fail(node, {"kind"}, fault);
  std::string name = Text(object, node, "name");
  int summary_node = Node(node, "summary");
  const json& summary_json = Object(*Member(object, node, "summary", true), summary_node);
  std::string summary_id =
      IdAt(*Member(summary_json, summary_node, "id", true), summary_node, "id", -1);
  auto sub_project = Create<SubProjectImpl>(object, node, [&](const std::string& id) {
    return new SubProjectImpl(id, kind, name, summary_id);
  });

  ResSummaryImpl* summary = sub_project->summary();
  ReadFields(summary_json, summary_node, summary->fields());
  linker_.Add(summary, Kind::kOther, summary_node);
  if (const json* entries = Array(summary_json, summary_node, "entries")) {
    for (size_t i = 0; i < entries->size(); ++i)
      summary->Add(ReadEntry((*entries)[i], Node(summary_node, "entries", static_cast<long>(i))));
  }
  ReadSubProjectGroups(object, node, sub_project.get());
  if (const json* children = Array(object, node, "subProjects")) {
    for (size_t i = 0; i < children->size(); ++i)
      sub_project->AddChild(
          ReadSubProject((*children)[i], Node(node, "subProjects", static_cast<long>(i))));
  }
  if (const json* bills = Array(object, node, "bills")) {
    for (size_t i = 0; i < bills->size(); ++i)
      sub_project->AddSubEngineering(
          ReadBillItem((*bills)[i], Node(node, "bills", static_cast<long>(i))));
  }
  return sub_project;
}

void DocumentReader::ReadSubProjectGroups(const json& object, int node,
                                          SubProjectImpl* sub_project) {
  const json* groups = Array(object, node, "contractGroups");
  if (!groups) return;
  for (size_t i = 0; i < groups->size(); ++i) {
    int group_node = Node(node, "contractGroups", static_cast<long>(i));
    const json& group_json = Object((*groups)[i], group_node);
    std::string form_name = Text(group_json, group_node, "formName");
    auto group = Create<BaseResItemGroupImpl>(group_json, group_node, [&](const std::string& id) {
      return new BaseResItemGroupImpl(id, form_name);
    });
    if (const json* entries = Array(group_json, group_node, "entries")) {
      for (size_t j = 0; j < entries->size(); ++j)
        group->Add(ReadEntry((*entries)[j], Node(group_node, "entries", static_cast<long>(j))));
    }
    sub_project->GetGroupedItemSet()->Add(group);
  }
}

scoped_refptr<SubEngineeringImpl> DocumentReader::ReadBillItem(const json& value, int node) {
  const json& object = Object(value, node);
  int node_kind = Integer(object, node, "nodeKind");
  if (std::string fault = CheckNodeKind(node_kind); !fault.empty()) Fail(node, {"nodeKind"}, fault);
  int measure_kind = Integer(object, node, "measureKind");
  if (std::string fault = CheckMeasureKind(measure_kind); !fault.empty())
    Fail(node, {"measureKind"}, fault);
  std::optional<double> quantity = Quantity(object, node);
  auto item = Create<SubEngineeringImpl>(object, node, [&](const std::string& id) {
    return new SubEngineeringImpl(id, node_kind, measure_kind);
  });
  if (quantity)
    item->SetQuantity(*quantity);
  else
    item->ClearQuantity();

  // Absent: the calculator or list is there and empty; null: there is none.
  if (const json* fee = Member(object, node, "fee", false)) {
    if (fee->is_null()) {
      item->SetHasFeeCalc(false);
    } else {
      int fee_node = Node(node, "fee");
      Object(*fee, fee_node);
      for (const char* side : {"unit", "total"}) {
        const json* figures = Member(*fee, fee_node, side, false);
        if (!figures) continue;
        if (!figures->is_object()) Fail(fee_node, {side}, "expected an object");
        std::string kind;
        for (const auto& [json_kind, figure] : figures->items()) {
          double number = 0.0;
          if (!KeyFromJson(json_kind, kind))
            Fail(fee_node, {side, json_kind}, "malformed or needless escaped key");
          if (!DoubleFromJson(figure, number))
            Fail(fee_node, {side, json_kind}, "expected a number");
          if (side[0] == 'u')
            item->fee_calc()->SetFeeCost(kind, number);
          else
            item->fee_calc()->SetFeeTotalCost(kind, number);
        }
      }
    }
  }
  const json* budget = Array(object, node, "budget", true);
  if (budget && budget->is_null()) item->SetHasBudgetList(false);
  if (budget && budget->is_array()) {
    for (size_t i = 0; i < budget->size(); ++i)
      item->budget_list()->Add(
          ReadLine((*budget)[i], Node(node, "budget", static_cast<long>(i)), LineSide::kBudget));
  }
  const json* cost = Array(object, node, "cost", true);
  if (cost && cost->is_null()) item->SetHasCostList(false);
  if (cost && cost->is_array()) {
    for (size_t i = 0; i < cost->size(); ++i)
      item->cost_list()->Add(
          ReadLine((*cost)[i], Node(node, "cost", static_cast<long>(i)), LineSide::kCost));
  }
  if (const json* children = Array(object, node, "bills")) {
    for (size_t i = 0; i < children->size(); ++i)
      item->AddChild(ReadBillItem((*children)[i], Node(node, "bills", static_cast<long>(i))));
  }
  return item;
}

scoped_refptr<ResItemImpl> DocumentReader::ReadLine(const json& value, int node, LineSide side) {
  const json& object = Object(value, node);
  std::optional<double> quantity = Quantity(object, node);
  const Kind kind = side == LineSide::kBudget ? Kind::kBudgetLine
                    : side == LineSide::kCost ? Kind::kCostLine
                                              : Kind::kCopyItem;
  auto line = Create<ResItemImpl>(
      object, node, [](const std::string& id) { return new ResItemImpl(id); }, kind);
  if (quantity)
    line->SetQuantity(*quantity);
  else
    line->ClearQuantity();
  // The ratio makes a copy's quantity; on other lines it means nothing.
  double ratio = 0.0;
  if (side == LineSide::kCopy && line->fields()->GetNumber(keys::kCollectRatio, ratio)) {
    if (std::string fault = CheckCollectRatio(ratio); !fault.empty())
      Fail(node, {"fields", keys::kCollectRatio}, fault);
  }
  if (const json* entry = Member(object, node, "entry", false))
    linker_.Refer(Ref::kEntry, line.get(), nullptr, IdAt(*entry, node, "entry", -1),
                  {node, "entry"});
  if (Member(object, node, "sourceRef", false)) line->SetSourceRef(Text(object, node, "sourceRef"));
  if (Member(object, node, "content", false)) line->SetContent(Text(object, node, "content"));
  ReadIdList(object, node, "linked", Ref::kLinked, line.get(), nullptr);
  if (Member(object, node, "collectedQuantity", false))
    line->set_collected_quantity(Figure(object, node, "collectedQuantity"));
  if (const json* record = Member(object, node, "record", false))
    ReadRecord(*record, Node(node, "record"), line.get(), side);
  return line;
}

void DocumentReader::ReadRecord(const json& value, int node, ResItemImpl* line, LineSide side) {
  const json& object = Object(value, node);
  std::string kind = Text(object, node, "kind");
  scoped_refptr<ResCollectImpl> record;
  if (kind == "templete") {
    if (side != LineSide::kBudget)
      Fail(node, {"kind"}, "a templete record belongs on a budget line");
    record = new ResCollectTempleteImpl();
  } else if (kind == "object") {
    if (side != LineSide::kCost) Fail(node, {"kind"}, "an object record belongs on a cost line");
    record = new ResCollectObjImpl();
  } else if (kind == "copy") {
    if (side != LineSide::kCopy) Fail(node, {"kind"}, "a copy record belongs on a copy item");
    record = new ResCollectCopyImpl();
  } else {
    Fail(node, {"kind"}, "expected \"templete\", \"object\" or \"copy\"");
  }
  line->SetCollect(record.get());

  const json* owner = Member(object, node, "owner", false);
  engine::DocumentObject* holder = line;
  if (!owner)
    record->SetOwner(holder);
  else if (!owner->is_null())
    linker_.Refer(Ref::kOwner, line, record.get(), IdAt(*owner, node, "owner", -1),
                  {node, "owner"});

  if (side == LineSide::kCopy) {
    if (Member(object, node, "copies", false))
      Fail(node, {"copies"}, "a copy record lists no copies");
    for (auto [name, ref] :
         {std::pair{"budgetItem", Ref::kBudgetItem}, std::pair{"costItem", Ref::kCostItem}}) {
      if (const json* target = Member(object, node, name, false))
        linker_.Refer(ref, line, record.get(), IdAt(*target, node, name, -1), {node, name});
    }
    return;
  }
  for (const char* name : {"budgetItem", "costItem"})
    if (Member(object, node, name, false))
      Fail(node, {name}, "only a copy record names its budget and cost items");
  ReadIdList(object, node, "copies", Ref::kListedCopy, line, record.get());
}

void DocumentReader::ReadIdList(const json& object, int node, const char* name, Ref ref,
                                DocumentObjectImpl* holder, ResCollectImpl* record) {
  const json* list = Array(object, node, name);
  if (!list) return;
  for (size_t i = 0; i < list->size(); ++i) {
    std::string id = IdAt((*list)[i], node, name, static_cast<long>(i));
    // The model keeps link and registration ids as texts: take them now; the
    // linker checks what they name.
    // A repeated id would be dropped silently.
    size_t before = 0, after = 0;
    if (ref == Ref::kLinked) {
      auto* line = static_cast<ResItemImpl*>(holder);
      before = line->linked_ids().size();
      line->AddLinkedId(id);
      after = line->linked_ids().size();
    } else if (ref == Ref::kRegistered) {
      auto* entry = static_cast<BaseResItemImpl*>(holder);
      before = entry->registered_res_item_ids().size();
      entry->AddRegisteredId(id);
      after = entry->registered_res_item_ids().size();
    }
    if (before != 0 && before == after) {
      size_t first = 0;
      while (IdAt((*list)[first], node, name, static_cast<long>(first)) != id) ++first;
      Fail(node, {name, std::to_string(i)},
           QuotedText(id) + " is listed twice, first at " +
               PathOf(node, {name, std::to_string(first)}));
    }
    linker_.Refer(ref, holder, record, std::move(id), {node, name, static_cast<long>(i)});
  }
}

}  // namespace persist
}  // namespace reference_host
