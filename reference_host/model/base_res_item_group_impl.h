// A contract-level resource form (e.g. "SelfLeaseMachineForm") of a project,
// owning its entries in order. Owned by its ProjectImpl.
#pragma once

#include <string>
#include <vector>

#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class ProjectImpl;

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

  void set_form_name(const std::string& form_name) { form_name_ = form_name; }
  bool Add(scoped_refptr<BaseResItemImpl> entry, int index = -1) {
    return entries_.Insert(std::move(entry), index);
  }
  scoped_refptr<BaseResItemImpl> Remove(const BaseResItemImpl* entry) {
    return entries_.Remove(entry);
  }
  BaseResItemImpl* entry(int index) const { return entries_.at(index); }
  int IndexOf(const BaseResItemImpl* entry) const { return entries_.IndexOf(entry); }
  ProjectImpl* project() const;

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
