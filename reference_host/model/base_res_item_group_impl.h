// A contract-level resource form (e.g. "SelfLeaseMachineForm") of a project
// or of one sub-project, owning its entries in order. Owned by its
// ProjectImpl, or by the grouped item set of its SubProjectImpl.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class ProjectImpl;
class SubProjectImpl;

class BaseResItemGroupImpl : public DocumentObjectImpl,
                             public engine::qrv::QRVBaseResItemGroup,
                             public engine::qrv::QRVBaseResItemGroupFile {
 public:
  BaseResItemGroupImpl(std::string id, std::string form_name);

  // engine::qrv::QRVBaseResItemGroup:
  const std::string& GetFormName() const override { return form_name_; }
  int GetCount() const override { return entries_.size(); }
  engine::qrv::QRVBaseResItem* GetAt(int index) const override { return entries_.at(index); }
  // engine::qrv::QRVBaseResItemGroupFile: the tree of the owning project.
  engine::qrv::QRVCostAccountGroupFile* GetCostAccountGroup() const override;
  // A form of the project belongs to the root sub-project.
  engine::qrv::QRVSubProject* GetOwnerSubProject() const override;
  std::unique_ptr<engine::Iterator<engine::qrv::QRVBaseResItem>> CreateChildIterator()
      const override;

  void set_form_name(const std::string& form_name) { form_name_ = form_name; }
  bool Add(scoped_refptr<BaseResItemImpl> entry, int index = -1) {
    return entries_.Insert(std::move(entry), index);
  }
  scoped_refptr<BaseResItemImpl> Remove(const BaseResItemImpl* entry) {
    return entries_.Remove(entry);
  }
  BaseResItemImpl* entry(int index) const { return entries_.at(index); }
  int IndexOf(const BaseResItemImpl* entry) const { return entries_.IndexOf(entry); }
  // The project that owns the form, directly or through a sub-project.
  ProjectImpl* project() const;
  // The sub-project that owns the form, or null for a form of the project.
  SubProjectImpl* sub_project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    entries_.AppendTo(members);
  }

 protected:
  ~BaseResItemGroupImpl() override = default;

 private:
  std::string form_name_;
  OwnedChildren<BaseResItemImpl> entries_{this};
};

}  // namespace reference_host
