#include "funcs/project/qrv_func.h"

#include <glog/logging.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "funcs/cost_account/bill_stage_group_func.h"
#include "funcs/cost_account/qrv_service.h"
#include "funcs/project/internal/class_memo.h"
#include "funcs/project/internal/merge_sides.h"
#include "host/engine/base_res_item.h"
#include "host/engine/dbtables.h"
#include "host/engine/fee_store.h"
#include "host/engine/field_container.h"
#include "host/engine/item_set.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/qtxm_tables.h"
#include "host/engine/res_item.h"
#include "host/engine/shared_item_set.h"
#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "internal/field_util.h"

namespace marrow {
namespace qrv {
namespace {

constexpr char kProjectMergeInfo[] = "QRV_ProjectMergeInfo";

using SubProjectMap = std::map<std::string, scoped_refptr<engine::SubProject>>;

// The root node followed by its descendants in pre-order. False when a node
// is its own ancestor: such a tree has no pre-order.
bool FlattenMergeNodes(const ProjMergeNode* node, std::set<const ProjMergeNode*>& ancestors,
                       std::vector<const ProjMergeNode*>& list) {
  list.push_back(node);
  if (!node) return true;
  if (!ancestors.insert(node).second) return false;
  for (const ProjMergeNode* child : node->children)
    if (!FlattenMergeNodes(child, ancestors, list)) return false;
  ancestors.erase(node);
  return true;
}

engine::SubProject* FindSubProject(const engine::DocumentObject* owner, const std::string& id) {
  engine::Document* document = owner->GetDocument();
  if (!document) return nullptr;
  return dynamic_cast<engine::SubProject*>(document->FindObjectById(id));
}

// The sub-project |id| names in |owner|'s document, renamed after |node|
// when the node takes that side (|side|: 1 current, 2 source). An empty id
// names no side; false, logged, for an id that names no sub-project.
bool NodeSide(const ProjMergeNode& node, const engine::DocumentObject* owner, const std::string& id,
              int side, engine::SubProject** found) {
  if (id.empty()) return true;
  *found = FindSubProject(owner, id);
  if (!*found) {
    LOG(ERROR) << "ID错误 无法转换成subproject" << id;
    return false;
  }
  if (node.source_type == side) (*found)->SetName(node.name);
  return true;
}

engine::SubProject* RootOf(const engine::qrv::QRVProject* project) {
  return dynamic_cast<engine::SubProject*>(project->GetRootSubProject());
}

// Answers whether any object the whole merge can carry out of a sub-project
// has an id that |document| already holds.
class DuplicateIdCheck {
 public:
  explicit DuplicateIdCheck(const engine::Document* document) : document_(document) {}

  bool found() const { return found_; }

  void Check(const engine::DocumentObject* object) {
    if (!found_ && object && document_->FindObjectById(object->GetId())) found_ = true;
  }

  void CheckBillTree(engine::SubEngineering* root) {
    std::vector<engine::SubEngineering*> pending;
    if (root) pending.push_back(root);
    while (!pending.empty() && !found_) {
      engine::SubEngineering* item = pending.back();
      pending.pop_back();
      Check(item);
      CheckList(item->GetResItemList());
      if (engine::qrv::QRVSubEngineering* product = products_.Cast(item))
        CheckList(product->GetCBResItemList());
      for (int i = item->GetChildCount() - 1; i >= 0; --i)
        if (engine::SubEngineering* child = item->GetChildSubEngineering(i))
          pending.push_back(child);
    }
  }

  void CheckTable(const engine::dbtables::TableObject* table, bool with_table) {
    if (!table) return;
    if (with_table) Check(table);
    std::vector<const engine::dbtables::TupleObject*> pending;
    for (int i = 0; i < table->GetRowCount(); ++i)
      if (table->GetRow(i)) pending.push_back(table->GetRow(i));
    while (!pending.empty() && !found_) {
      const engine::dbtables::TupleObject* row = pending.back();
      pending.pop_back();
      Check(row);
      for (int i = 0; i < row->GetChildCount(); ++i)
        if (row->GetChild(i)) pending.push_back(row->GetChild(i));
    }
  }

  void CheckSet(const engine::ItemSet* set) {
    if (!set) return;
    for (int i = 0; i < set->GetCount() && !found_; ++i) Check(set->GetAt(i));
  }

 private:
  void CheckList(const engine::ResItemList* list) {
    if (!list) return;
    for (int i = 0; i < list->GetCount() && !found_; ++i) Check(list->GetAt(i));
  }

  const engine::Document* document_;
  bool found_ = false;
  internal::CrossCastMemo<engine::SubEngineering, engine::qrv::QRVSubEngineering> products_;
};

bool HasDuplicateIds(engine::SubProject* from, engine::SubProject* into) {
  const engine::Document* document = into->GetDocument();
  if (!document) return false;
  DuplicateIdCheck check(document);
  auto* product = dynamic_cast<engine::qrv::QRVSubProject*>(from);
  check.CheckBillTree(from->GetDJCSRoot());
  check.CheckBillTree(from->GetZJCSRoot());
  if (product) check.CheckBillTree(dynamic_cast<engine::SubEngineering*>(product->GetJJFYRoot()));
  if (const engine::SharedItemSet* shared = from->GetSharedItemSet())
    for (int i = 0; i < shared->GetMemberCount(); ++i) check.Check(shared->GetMemberAt(i));
  if (product) {
    if (const engine::qrv::QRVGroupedItemSet* grouped = product->GetGroupedItemSet())
      for (int i = 0; i < grouped->GetGroupCount(); ++i) check.Check(grouped->GetGroupAt(i));
  }
  check.CheckSet(from->GetMovableItemSet());
  if (product) check.CheckSet(product->GetProductItemSet());
  check.CheckSet(from->GetMovableRecordSet());
  if (const engine::QTXMTables* qtxm = from->GetQTXMTables()) {
    for (internal::QTXMTableGetter table : internal::kQTXMTables)
      check.CheckTable((qtxm->*table)(), true);
  }
  if (product) {
    check.CheckTable(product->GetZJCSDetailTable(), true);
    check.CheckTable(product->GetJJFYTable(), true);
  }
  if (const engine::FeeStore* store = from->GetFeeStore())
    check.CheckTable(store->GetTable("Fee"), false);
  return check.found();
}

// Every sub-project of the tree under |sub_project|, by id, each held by a
// reference; a later one with a known id replaces the earlier.
void CollectSubProjects(engine::SubProject* sub_project, SubProjectMap& map) {
  map[sub_project->GetId()] = sub_project;
  for (int i = 0; i < sub_project->GetChildCount(); ++i)
    if (engine::SubProject* child = sub_project->GetChildAt(i)) CollectSubProjects(child, map);
}

void DetachSubProjectTree(engine::SubProject* sub_project) {
  std::vector<scoped_refptr<engine::SubProject>> children;
  for (int i = 0; i < sub_project->GetChildCount(); ++i)
    if (engine::SubProject* child = sub_project->GetChildAt(i)) children.push_back(child);
  for (const auto& child : children) {
    DetachSubProjectTree(child.get());
    sub_project->RemoveChild(child.get());
  }
  sub_project->RefreshChildren();
}

engine::SubProject* GetSubProjectFromProjMergeNode(const ProjMergeNode* node,
                                                   const SubProjectMap& current,
                                                   const SubProjectMap& source) {
  if (!node) return nullptr;
  const SubProjectMap* map = nullptr;
  const std::string* id = nullptr;
  if (node->source_type == 1) {
    map = &current;
    id = &node->id;
  } else if (node->source_type == 2) {
    map = &source;
    id = &node->source_id;
  } else {
    LOG(ERROR) << "来源类型错误";
    return nullptr;
  }
  auto found = map->find(*id);
  if (found == map->end()) {
    LOG(ERROR) << "没有找到节点" << *id;
    return nullptr;
  }
  engine::SubProject* sub_project = found->second.get();
  for (const ProjMergeNode* child_node : node->children)
    if (engine::SubProject* child = GetSubProjectFromProjMergeNode(child_node, current, source))
      sub_project->AddChild(child, 0);
  sub_project->RefreshChildren();
  return sub_project;
}

// The face by which the re-pointing walk treats an object; the first that
// fits, in this order.
enum class RepointFace { kNone, kBaseResItem, kBillItem, kSubProject };

RepointFace RepointFaceOf(engine::DocumentObject& object) {
  if (dynamic_cast<engine::BaseResItem*>(&object)) return RepointFace::kBaseResItem;
  if (dynamic_cast<engine::SubEngineering*>(&object)) return RepointFace::kBillItem;
  if (dynamic_cast<engine::SubProject*>(&object)) return RepointFace::kSubProject;
  return RepointFace::kNone;
}

}  // namespace

QRVProjectFunc::QRVProjectFunc(engine::qrv::QRVProject* project) : project_(project) {}
QRVProjectFunc::QRVProjectFunc(const QRVProjectFunc& other) = default;
QRVProjectFunc& QRVProjectFunc::operator=(const QRVProjectFunc& other) = default;
QRVProjectFunc::~QRVProjectFunc() = default;

bool QRVProjectFunc::ProjectMerge(engine::qrv::QRVProject* source, const ProjMergeNode* root) {
  if (!project_ || !source || !root) {
    LOG(ERROR) << "ProjectMerge 参数错误";
    return false;
  }
  std::vector<const ProjMergeNode*> nodes;
  std::set<const ProjMergeNode*> ancestors;
  if (!FlattenMergeNodes(root, ancestors, nodes)) return false;

  std::vector<std::pair<engine::SubProject*, engine::SubProject*>> pairs;
  for (const ProjMergeNode* node : nodes) {
    if (!node) return false;
    engine::SubProject* current = nullptr;
    engine::SubProject* other = nullptr;
    if (!NodeSide(*node, project_, node->id, 1, &current) ||
        !NodeSide(*node, source, node->source_id, 2, &other))
      return false;
    if (!node->merge_fee) continue;
    if (!current || !other || current->GetKind() != other->GetKind()) {
      LOG(ERROR) << "数据错误， 不满足费用合并条件";
      return false;
    }
    if (node->source_type == 1) {
      pairs.emplace_back(other, current);
    } else if (node->source_type == 2) {
      pairs.emplace_back(current, other);
    } else {
      LOG(ERROR) << "使用来源类型错误";
      return false;
    }
  }

  for (const auto& pair : pairs) SubProjectMerge(pair.first, pair.second);
  MergeNewSubProject(RootOf(project_), RootOf(source), root);
  UseLocalCostAccountAndBillStage(source);
  return true;
}

bool QRVProjectFunc::SubProjectMerge(engine::SubProject* from, engine::SubProject* into) {
  if (HasDuplicateIds(from, into)) {
    LOG(ERROR) << "存在重复的ID, 无法合并费用";
    return false;
  }
  switch (from->GetKind()) {
    case engine::kSubProjectWhole:
      return WholeMerge(from, into);
    case engine::kSubProjectSingle:
      return SingleMerge(from, into);
    case engine::kSubProjectUnit:
      return UnitMerge(from, into);
    default:
      return false;
  }
}

bool QRVProjectFunc::WholeMerge(engine::SubProject* from, engine::SubProject* into) {
  AssignSuffixes(from, into);
  WholeGCGKMerge(from, into);
  WholeDJCSMerge(from, into);
  WholeZJCSDetailTable(from, into);
  WholeZJCSMerge(from, into);
  WholeQTXMMerge(from, into);
  WholeJJFYMerge(from, into);
  WholeFYHZGFMerge(from, into);
  return true;
}

bool QRVProjectFunc::SingleMerge(engine::SubProject*, engine::SubProject*) { return true; }

bool QRVProjectFunc::UnitMerge(engine::SubProject*, engine::SubProject*) { return true; }

bool QRVProjectFunc::MergeNewSubProject(engine::SubProject* current_root,
                                        engine::SubProject* source_root,
                                        const ProjMergeNode* root) {
  if (!current_root || !source_root) return false;
  SubProjectMap current;
  SubProjectMap source;
  CollectSubProjects(current_root, current);
  CollectSubProjects(source_root, source);
  DetachSubProjectTree(current_root);
  DetachSubProjectTree(source_root);
  engine::SubProject* new_root = GetSubProjectFromProjMergeNode(root, current, source);
  if (!new_root) {
    LOG(ERROR) << "GetSubProjectFromProjMergeNode 错误";
    return false;
  }
  if (auto* project = dynamic_cast<engine::Project*>(project_))
    project->SetRootSubProject(new_root);
  return true;
}

bool QRVProjectFunc::UseLocalCostAccountAndBillStage(const engine::qrv::QRVProject* source) {
  engine::Document* document = project_->GetDocument();
  if (!document) return true;
  std::vector<engine::DocumentObject*> objects;
  document->GetAllObjects(objects);
  CostAccountGroupFunc accounts(project_->GetCostAccountGroup());
  BillStageGroupFunc stages(project_->GetBillStageGroup());
  engine::qrv::QRVCostAccountGroup* source_accounts = source->GetCostAccountGroup();
  engine::qrv::QRVBillStageGroup* source_stages = source->GetBillStageGroup();
  internal::ClassMemo<RepointFace> faces;
  for (engine::DocumentObject* object : objects) {
    if (!object) continue;
    switch (faces.Get(*object, RepointFaceOf)) {
      case RepointFace::kBaseResItem:
        accounts.UpdateLocalCostAccount(object->GetFieldContainer(), source_accounts);
        break;
      case RepointFace::kBillItem:
        accounts.UpdateLocalCostAccount(object->GetFieldContainer(), source_accounts);
        stages.UpdateLocalBillStage(object->GetFieldContainer(), source_stages);
        break;
      case RepointFace::kSubProject:
        accounts.UpdateLocalCostAccount(dynamic_cast<engine::SubProject*>(object), source_accounts);
        break;
      case RepointFace::kNone:
        break;
    }
  }
  return true;
}

// The id index.

void QRVProjectFunc::AssignSuffixes(engine::SubProject* from, engine::SubProject* into) {
  engine::FieldContainer* fields = into->GetFieldContainer();
  std::string text = internal::GetTextField(fields, kProjectMergeInfo);
  if (!text.empty()) {
    ParseIdIndex(text);
    if (id_index_.Contains(from->GetId())) return;
    id_index_.Set(from->GetId(), "_" + std::to_string(id_index_.size() + 1));
  } else {
    id_index_.Set(into->GetId(), "_1");
    id_index_.Set(from->GetId(), "_2");
  }
  if (fields) fields->SetFieldValue(kProjectMergeInfo, IdIndexToJson(), true);
}

std::string QRVProjectFunc::GetSuffix(engine::SubProject* sub_project) const {
  if (!sub_project) return std::string();
  const std::string* suffix = id_index_.Find(sub_project->GetId());
  return suffix ? *suffix : std::string();
}

void QRVProjectFunc::ParseIdIndex(const std::string& text) { id_index_.Read(text); }

std::string QRVProjectFunc::IdIndexToJson() { return id_index_.ToText(); }

}  // namespace qrv
}  // namespace marrow
