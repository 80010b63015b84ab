#include "reference_host/persist/document_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <tuple>
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
#include "reference_host/model/sub_project_tables_impl.h"
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
    ForEachElement(top, 0, "copies", [&](const json& copy, int copy_node) {
      copies_.push_back(ReadLine(copy, copy_node, LineSide::kCopy));
    });
    ForEachElement(top, 0, "detachedEntries", [&](const json& entry, int entry_node) {
      detached_.push_back(ReadEntryAs(entry, entry_node, Kind::kDetachedEntry));
    });

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

template <class ReadElement>
void DocumentReader::ForEachElement(const json* list, int node, const char* name,
                                    ReadElement read) {
  if (!list || !list->is_array()) return;
  for (size_t i = 0; i < list->size(); ++i)
    read((*list)[i], Node(node, name, static_cast<long>(i)));
}

template <class ReadElement>
void DocumentReader::ForEachElement(const json& object, int node, const char* name,
                                    ReadElement read) {
  ForEachElement(Array(object, node, name), node, name, read);
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

template <class T, class Child, class... Keys>
scoped_refptr<T> DocumentReader::ReadNode(const json& value, int node, const char* list,
                                          ChildReader<Child> read_child, Adopter<T, Child> adopt,
                                          Keys... keys) {
  const json& object = Object(value, node);
  // A braced list reads the texts in order, so the first fault is named.
  std::array<std::string, sizeof...(Keys)> texts{Text(object, node, keys)...};
  auto created = Create<T>(object, node, [&](const std::string& id) {
    return std::apply([&](auto&... text) { return new T(id, std::move(text)...); }, texts);
  });
  ForEachElement(object, node, list, [&](const json& child, int child_node) {
    (created.get()->*adopt)((this->*read_child)(child, child_node), -1);
  });
  return created;
}

void DocumentReader::ReadFields(const json& object, int node, FieldContainerImpl* fields) const {
  const json* value = Member(object, node, "fields", false);
  if (!value) return;
  if (!value->is_object()) Fail(node, {"fields"}, "expected an object");
  std::string key;
  engine::FieldValue field;
  std::string what;
  fields->ReserveFields(value->size());
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
  ForEachElement(accounts, accounts_node, "accounts", [&](const json& account, int account_node) {
    tree->AddCostAccount(ReadCostAccount(account, account_node));
  });

  BillStageGroupImpl* stage_group = project->bill_stages();
  ReadFields(stages, stages_node, stage_group->fields());
  linker_.Add(stage_group, Kind::kOther, stages_node);
  ForEachElement(stages, stages_node, "stages", [&](const json& value, int stage_node) {
    const json& stage = Object(value, stage_node);
    std::string stage_name = Text(stage, stage_node, "name");
    stage_group->AddBillStage(Create<BillStageImpl>(stage, stage_node, [&](const std::string& id) {
      return new BillStageImpl(id, stage_name);
    }));
  });

  ForEachElement(object, node, "contractGroups", [&](const json& group, int group_node) {
    project->AddBaseResItemGroup(ReadContractGroup(group, group_node));
  });

  ForEachElement(object, node, "tables", [&](const json& table, int table_node) {
    project->AddTable(ReadTable(table, table_node));
  });

  if (const json* roots = Array(object, node, "subProjects")) {
    if (roots->size() > 1)
      Fail(node, {"subProjects", "1"}, "a project has at most one root sub-project");
    if (roots->size() == 1)
      project->SetRootSubProject(ReadSubProject((*roots)[0], Node(node, "subProjects", 0)));
  }
  return project;
}

scoped_refptr<CostAccountImpl> DocumentReader::ReadCostAccount(const json& value, int node) {
  return ReadNode(value, node, "accounts", &DocumentReader::ReadCostAccount,
                  &CostAccountImpl::AddChild, "code", "name");
}

scoped_refptr<TupleImpl> DocumentReader::ReadRow(const json& value, int node) {
  return ReadNode(value, node, "rows", &DocumentReader::ReadRow, &TupleImpl::AddChild);
}

scoped_refptr<BaseResItemImpl> DocumentReader::ReadEntry(const json& value, int node) {
  return ReadEntryAs(value, node, Kind::kEntry);
}

scoped_refptr<BaseResItemImpl> DocumentReader::ReadEntryAs(const json& value, int node, Kind kind) {
  const json& object = Object(value, node);
  auto entry = Create<BaseResItemImpl>(
      object, node, [](const std::string& id) { return new BaseResItemImpl(id); }, kind);
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
  ForEachElement(summary_json, summary_node, "entries", [&](const json& entry, int entry_node) {
    summary->Add(ReadEntry(entry, entry_node));
  });
  // Shared members by id: entries of the document or of detachedEntries.
  if (const json* shared = Array(summary_json, summary_node, "shared")) {
    for (size_t i = 0; i < shared->size(); ++i)
      linker_.Refer(Ref::kShared, summary, nullptr,
                    IdAt((*shared)[i], summary_node, "shared", static_cast<long>(i)),
                    {summary_node, "shared", static_cast<long>(i)});
  }
  ForEachElement(object, node, "contractGroups", [&](const json& group, int group_node) {
    sub_project->GetGroupedItemSet()->Add(ReadContractGroup(group, group_node));
  });
  ForEachElement(object, node, "subProjects", [&](const json& child, int child_node) {
    sub_project->AddChild(ReadSubProject(child, child_node));
  });
  ForEachElement(object, node, "bills", [&](const json& bill, int bill_node) {
    sub_project->AddSubEngineering(ReadBillItem(bill, bill_node));
  });
  ReadMergeContainers(object, node, sub_project.get());
  return sub_project;
}

scoped_refptr<BaseResItemGroupImpl> DocumentReader::ReadContractGroup(const json& value, int node) {
  return ReadNode(value, node, "entries", &DocumentReader::ReadEntry, &BaseResItemGroupImpl::Add,
                  "formName");
}

scoped_refptr<TableImpl> DocumentReader::ReadTable(const json& value, int node) {
  return ReadNode(value, node, "rows", &DocumentReader::ReadRow, &TableImpl::AddRow, "name");
}

void DocumentReader::ReadMergeContainers(const json& object, int node,
                                         SubProjectImpl* sub_project) {
  const std::pair<const char*, SubProjectImpl::MeasureTree> roots[] = {
      {"djcsRoot", SubProjectImpl::kDJCS},
      {"zjcsRoot", SubProjectImpl::kZJCS},
      {"jjfyRoot", SubProjectImpl::kJJFY}};
  for (const auto& [key, tree] : roots)
    if (const json* root = Member(object, node, key, false))
      sub_project->SetMeasureRoot(tree, ReadBillItem(*root, Node(node, key)));
  const std::pair<const char*, SubProjectImpl::KeyedTable> keyed[] = {
      {"zjcsDetailTable", SubProjectImpl::kZJCSDetail}, {"jjfyTable", SubProjectImpl::kJJFYTable}};
  for (const auto& [key, which] : keyed)
    if (const json* table = Member(object, node, key, false))
      sub_project->SetKeyedTable(which, ReadTable(*table, Node(node, key)));
  const std::pair<const char*, SubProjectImpl::ItemSetKind> sets[] = {
      {"movableItems", SubProjectImpl::kMovableItems},
      {"productItems", SubProjectImpl::kProductItems},
      {"movableRecords", SubProjectImpl::kMovableRecords}};
  for (const auto& [key, kind] : sets) {
    const json* members = Array(object, node, key);
    if (!members) continue;
    ItemSetImpl* set = sub_project->EnsureItemSet(kind);
    for (size_t i = 0; i < members->size(); ++i) {
      int member_node = Node(node, key, static_cast<long>(i));
      set->Add(Create<MovableMemberImpl>(
          Object((*members)[i], member_node), member_node,
          [](const std::string& id) { return new MovableMemberImpl(id); }));
    }
  }
  if (const json* qtxm = Member(object, node, "qtxmTables", false)) {
    int qtxm_node = Node(node, "qtxmTables");
    const json& tables = Object(*qtxm, qtxm_node);
    QTXMTablesImpl* holder = sub_project->EnsureQTXMTables();
    // Path nodes keep the member name's pointer: static texts only.
    static const char* const kKeys[] = {"table1", "table2", "table3", "table4", "table5"};
    for (int number = 1; number <= QTXMTablesImpl::kTableCount; ++number) {
      const char* key = kKeys[number - 1];
      if (const json* table = Member(tables, qtxm_node, key, false))
        holder->SetTable(number, ReadTable(*table, Node(qtxm_node, key)));
    }
  }
  if (const json* store = Member(object, node, "feeStore", false)) {
    int store_node = Node(node, "feeStore");
    FeeStoreImpl* fee_store = sub_project->EnsureFeeStore();
    if (const json* tables = Array(Object(*store, store_node), store_node, "tables")) {
      for (size_t i = 0; i < tables->size(); ++i)
        fee_store->AddTable(
            ReadTable((*tables)[i], Node(store_node, "tables", static_cast<long>(i))));
    }
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
  ForEachElement(budget, node, "budget", [&](const json& line, int line_node) {
    item->budget_list()->Add(ReadLine(line, line_node, LineSide::kBudget));
  });
  const json* cost = Array(object, node, "cost", true);
  if (cost && cost->is_null()) item->SetHasCostList(false);
  ForEachElement(cost, node, "cost", [&](const json& line, int line_node) {
    item->cost_list()->Add(ReadLine(line, line_node, LineSide::kCost));
  });
  ForEachElement(object, node, "bills", [&](const json& child, int child_node) {
    item->AddChild(ReadBillItem(child, child_node));
  });
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
