// A project merge where one side's sub-project shows its core face only: a
// CoreOnlySubProject delegates every core operation to a real sub-project
// and has no product face; a CoreOnlyFacedProject is a real source project
// whose document answers such a decorator for the ids it is told. The decorators
// hold counted references to the real objects and never enter a document.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/res_item_group.h"
#include "host/engine/sub_project.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace test_support {

class CoreOnlySubProject : public engine::SubProject {
 public:
  explicit CoreOnlySubProject(reference_host::SubProjectImpl* real) : real_(real) {}

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return real_->GetDocument(); }
  engine::DocumentObject* GetOwner() const override { return real_->GetOwner(); }
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  int GetKind() const override { return real_->GetKind(); }
  const std::string& GetName() const override { return real_->GetName(); }
  engine::SubProject* GetParentSubProject() const override { return real_->GetParentSubProject(); }
  int GetChildCount() const override { return real_->GetChildCount(); }
  engine::SubProject* GetChild(int index) const override { return real_->GetChild(index); }
  int GetSubEngineeringCount() const override { return real_->GetSubEngineeringCount(); }
  engine::SubEngineering* GetSubEngineering(int index) const override {
    return real_->GetSubEngineering(index);
  }
  scoped_refptr<engine::ResItemGroup> GroupResItems(engine::ResItemCallBack* callback) override {
    return real_->GroupResItems(callback);
  }
  engine::SharedItemSet* GetSharedItemSet() const override { return real_->GetSharedItemSet(); }
  void SetName(const std::string& name) override { real_->SetName(name); }
  engine::SubProject* GetChildAt(int index) const override { return real_->GetChild(index); }
  bool AddChild(engine::SubProject* child, int position) override {
    return real_->AddChild(child, position);
  }
  bool RemoveChild(engine::SubProject* child) override { return real_->RemoveChild(child); }
  void RefreshChildren() override { real_->RefreshChildren(); }
  engine::SubEngineering* GetDJCSRoot() const override { return real_->GetDJCSRoot(); }
  engine::SubEngineering* GetZJCSRoot() const override { return real_->GetZJCSRoot(); }
  engine::ItemSet* GetMovableItemSet() const override { return real_->GetMovableItemSet(); }
  engine::ItemSet* GetMovableRecordSet() const override { return real_->GetMovableRecordSet(); }
  engine::QTXMTables* GetQTXMTables() const override { return real_->GetQTXMTables(); }
  engine::FeeStore* GetFeeStore() const override { return real_->GetFeeStore(); }

 protected:
  ~CoreOnlySubProject() override = default;

 private:
  scoped_refptr<reference_host::SubProjectImpl> real_;
};

// The product face of a real project (to merge from, never bound to the
// service object); its document finds the decorators first.
class CoreOnlyFacedProject : public engine::qrv::QRVProject, public engine::Document {
 public:
  explicit CoreOnlyFacedProject(reference_host::ProjectImpl* real) : real_(real) {}

  // Sub-project |id| is found with its core face only.
  void ShowCoreOnly(const std::string& id) {
    auto* real =
        dynamic_cast<reference_host::SubProjectImpl*>(real_->GetDocument()->FindObjectById(id));
    if (real) core_only_[id] = new CoreOnlySubProject(real);
  }

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return const_cast<CoreOnlyFacedProject*>(this); }
  engine::DocumentObject* GetOwner() const override { return real_->GetOwner(); }
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  // engine::qrv::QRVProject:
  engine::qrv::QRVSubProject* GetRootSubProject() const override {
    return real_->GetRootSubProject();
  }
  engine::qrv::QRVCostAccountGroup* GetCostAccountGroup() const override {
    return real_->GetCostAccountGroup();
  }
  engine::qrv::QRVBillStageGroup* GetBillStageGroup() const override {
    return real_->GetBillStageGroup();
  }
  int GetBaseResItemGroupCount() const override { return real_->GetBaseResItemGroupCount(); }
  engine::qrv::QRVBaseResItemGroup* GetBaseResItemGroup(int index) const override {
    return real_->GetBaseResItemGroup(index);
  }
  // engine::Document:
  engine::DocumentObject* FindObjectById(const std::string& id) const override {
    auto found = core_only_.find(id);
    if (found != core_only_.end()) return found->second.get();
    return real_->GetDocument()->FindObjectById(id);
  }
  void GetAllObjects(std::vector<engine::DocumentObject*>& objects) const override {
    real_->GetDocument()->GetAllObjects(objects);
  }

 protected:
  ~CoreOnlyFacedProject() override = default;

 private:
  scoped_refptr<reference_host::ProjectImpl> real_;
  std::map<std::string, scoped_refptr<CoreOnlySubProject>> core_only_;
};

}  // namespace test_support
