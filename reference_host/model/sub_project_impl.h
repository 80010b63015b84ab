// A sub-project node (1 whole, 2 single, 3 unit): child sub-projects, the
// top-level bills of its measure tree, its resource summary and its own
// contract-level forms. Owned by its
// parent sub-project, or by the project when it is the root.
#pragma once

#include <string>
#include <vector>

#include "host/engine/qrv/qrv_project.h"
#include "host/engine/sub_project.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/grouped_item_set_impl.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"

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
  scoped_refptr<engine::ResItemGroup> GroupResItems(engine::ResItemCallBack* callback) override;

  // engine::qrv::QRVSubProject:
  engine::SubProject* GetSubProject() override { return this; }
  GroupedItemSetImpl* GetGroupedItemSet() const override { return &grouped_items_; }
  SubProjectImpl* GetChildAt(int index) const override { return children_.at(index); }

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
};

}  // namespace reference_host
