// A sub-project node (1 whole, 2 single, 3 unit): child sub-projects, the
// top-level bills of its measure tree, its resource summary and its own
// contract-level forms, and the cost tables a project merge carries (measure
// roots, keyed tables, item sets, other-items tables, fee store), each absent
// until the host side puts it in. Owned by its parent sub-project, or by the
// project when it is the root.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/engine/qrv/qrv_project.h"
#include "host/engine/sub_project.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/grouped_item_set_impl.h"
#include "reference_host/model/item_set_impl.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_tables_impl.h"
#include "reference_host/model/table_impl.h"

namespace reference_host {

class ProjectImpl;

class SubProjectImpl : public DocumentObjectImpl,
                       public engine::SubProject,
                       public engine::qrv::QRVSubProject {
 public:
  // An empty |summary_id| gives the summary the id "<id>/summary".
  SubProjectImpl(std::string id, int kind, std::string name,
                 std::string summary_id = std::string());

  // engine::SubProject:
  int GetKind() const override { return kind_; }
  const std::string& GetName() const override { return name_; }
  SubProjectImpl* GetParentSubProject() const override;
  int GetChildCount() const override { return children_.size(); }
  SubProjectImpl* GetChild(int index) const override { return children_.at(index); }
  int GetSubEngineeringCount() const override { return bills_.size(); }
  SubEngineeringImpl* GetSubEngineering(int index) const override { return bills_.at(index); }
  // The summary: the budget-side entries the sub-project's lines share.
  engine::SharedItemSet* GetSharedItemSet() const override { return summary_.get(); }
  scoped_refptr<engine::ResItemGroup> GroupResItems(engine::ResItemCallBack* callback) override;
  void SetName(const std::string& name) override { name_ = name; }
  // |position| 0 (or out of range) appends.
  bool AddChild(engine::SubProject* child, int position) override;
  bool RemoveChild(engine::SubProject* child) override;
  void RefreshChildren() override {}
  SubEngineeringImpl* GetDJCSRoot() const override { return measure_root(kDJCS); }
  SubEngineeringImpl* GetZJCSRoot() const override { return measure_root(kZJCS); }
  ItemSetImpl* GetMovableItemSet() const override { return item_set(kMovableItems); }
  ItemSetImpl* GetMovableRecordSet() const override { return item_set(kMovableRecords); }
  QTXMTablesImpl* GetQTXMTables() const override { return qtxm_.get(); }
  FeeStoreImpl* GetFeeStore() const override { return fee_store_.get(); }

  // engine::qrv::QRVSubProject:
  engine::SubProject* GetSubProject() override { return this; }
  GroupedItemSetImpl* GetGroupedItemSet() const override { return &grouped_items_; }
  SubProjectImpl* GetChildAt(int index) const override { return children_.at(index); }
  TableImpl* GetZJCSDetailTable() const override { return keyed_table(kZJCSDetail); }
  TableImpl* GetJJFYTable() const override { return keyed_table(kJJFYTable); }
  SubEngineeringImpl* GetJJFYRoot() const override { return measure_root(kJJFY); }
  ItemSetImpl* GetProductItemSet() const override { return item_set(kProductItems); }

  // Host side: the merge containers. Each setter takes a free object into an
  // empty slot (false otherwise); each Ensure makes the holder when absent.
  enum MeasureTree { kDJCS, kZJCS, kJJFY, kMeasureTreeCount };
  enum KeyedTable { kZJCSDetail, kJJFYTable, kKeyedTableCount };
  enum ItemSetKind { kMovableItems, kProductItems, kMovableRecords, kItemSetCount };
  SubEngineeringImpl* measure_root(MeasureTree tree) const { return roots_[tree]->at(0); }
  bool SetMeasureRoot(MeasureTree tree, scoped_refptr<SubEngineeringImpl> root);
  TableImpl* keyed_table(KeyedTable which) const { return keyed_tables_[which]->at(0); }
  bool SetKeyedTable(KeyedTable which, scoped_refptr<TableImpl> table);
  ItemSetImpl* item_set(ItemSetKind kind) const { return item_sets_[kind].get(); }
  ItemSetImpl* EnsureItemSet(ItemSetKind kind);
  QTXMTablesImpl* EnsureQTXMTables();
  FeeStoreImpl* EnsureFeeStore();

  // Host side.
  void set_kind(int kind) { kind_ = kind; }
  void set_name(const std::string& name) { name_ = name; }
  bool AddChild(scoped_refptr<SubProjectImpl> child, int index = -1) {
    return children_.Insert(std::move(child), index);
  }
  scoped_refptr<SubProjectImpl> RemoveChild(const SubProjectImpl* child) {
    return children_.Remove(child);
  }
  bool AddSubEngineering(scoped_refptr<SubEngineeringImpl> bill, int index = -1) {
    return bills_.Insert(std::move(bill), index);
  }
  scoped_refptr<SubEngineeringImpl> RemoveSubEngineering(const SubEngineeringImpl* bill) {
    return bills_.Remove(bill);
  }
  ResSummaryImpl* summary() const { return summary_.get(); }
  // The project at the top of the owner chain, or null.
  ProjectImpl* project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override;

 protected:
  ~SubProjectImpl() override;

 private:
  int kind_;
  std::string name_;
  scoped_refptr<ResSummaryImpl> summary_;
  OwnedChildren<SubProjectImpl> children_{this};
  OwnedChildren<SubEngineeringImpl> bills_{this};
  // The sub-project's own contract-level forms.
  mutable GroupedItemSetImpl grouped_items_{this};
  std::unique_ptr<OwnedChildren<SubEngineeringImpl>> roots_[kMeasureTreeCount];
  std::unique_ptr<OwnedChildren<TableImpl>> keyed_tables_[kKeyedTableCount];
  std::unique_ptr<ItemSetImpl> item_sets_[kItemSetCount];
  std::unique_ptr<QTXMTablesImpl> qtxm_;
  std::unique_ptr<FeeStoreImpl> fee_store_;
};

}  // namespace reference_host
