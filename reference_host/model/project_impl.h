// The project root: root sub-project, cost account tree, bill stages,
// contract-level resource forms and row tables. Owned by its
// EstimateDocument; owns all of these.
#pragma once

#include <string>
#include <vector>

#include "host/engine/qrv/qrv_project.h"
#include "host/engine/sub_project.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"

namespace reference_host {

class ProjectImpl : public DocumentObjectImpl,
                    public engine::Project,
                    public engine::qrv::QRVProject {
 public:
  // Empty ids for the tree and the stages give "<id>/cost-accounts" and
  // "<id>/bill-stages".
  ProjectImpl(std::string id, std::string name, std::string cost_accounts_id = std::string(),
              std::string bill_stages_id = std::string());

  // engine::Project:
  const std::string& GetName() const override { return name_; }
  SubProjectImpl* GetRootSubProject() const override { return root_.at(0); }

  // engine::qrv::QRVProject:
  CostAccountGroupImpl* GetCostAccountGroup() const override { return cost_accounts_.at(0); }
  BillStageGroupImpl* GetBillStageGroup() const override { return bill_stages_.at(0); }
  int GetBaseResItemGroupCount() const override { return groups_.size(); }
  BaseResItemGroupImpl* GetBaseResItemGroup(int index) const override { return groups_.at(index); }

  // Host side.
  void set_name(const std::string& name) { name_ = name; }
  // Replaces any earlier root.
  bool SetRootSubProject(scoped_refptr<SubProjectImpl> root);
  // engine::Project: also takes the root of another project.
  bool SetRootSubProject(engine::SubProject* root) override;
  CostAccountGroupImpl* cost_accounts() const { return GetCostAccountGroup(); }
  BillStageGroupImpl* bill_stages() const { return GetBillStageGroup(); }
  bool AddBaseResItemGroup(scoped_refptr<BaseResItemGroupImpl> group, int index = -1) {
    return groups_.Insert(std::move(group), index);
  }
  scoped_refptr<BaseResItemGroupImpl> RemoveBaseResItemGroup(const BaseResItemGroupImpl* group) {
    return groups_.Remove(group);
  }
  bool AddTable(scoped_refptr<TableImpl> table, int index = -1) {
    return tables_.Insert(std::move(table), index);
  }
  scoped_refptr<TableImpl> RemoveTable(const TableImpl* table) { return tables_.Remove(table); }
  int table_count() const { return tables_.size(); }
  TableImpl* table(int index) const { return tables_.at(index); }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override;

 protected:
  ~ProjectImpl() override = default;

 private:
  std::string name_;
  // Single-slot lists keep ownership and document membership uniform.
  OwnedChildren<SubProjectImpl> root_{this};
  OwnedChildren<CostAccountGroupImpl> cost_accounts_{this};
  OwnedChildren<BillStageGroupImpl> bill_stages_{this};
  OwnedChildren<BaseResItemGroupImpl> groups_{this};
  OwnedChildren<TableImpl> tables_{this};
};

}  // namespace reference_host
