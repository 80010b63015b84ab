// A contract-level resource form (e.g. "SelfLeaseMachineForm") of a project
// or of one sub-project, owning its entries in order. Owned by its
// ProjectImpl, or by the grouped item set of its SubProjectImpl. An entry taken out
// keeps its place (and stays alive) until the form is gone, so that adding
// it back without a position restores the order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/place_keeping_children.h"

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
  // With |position|, right after it; without, where the entry stood when it
  // was taken out of this form, or else at the end. Refused (false, logged)
  // for a foreign entry, one another container holds, or a position that is
  // not in the form. |notify| counts a change observers would hear of.
  bool AddBaseResItem(engine::qrv::QRVBaseResItem* entry, engine::qrv::QRVBaseResItem* position,
                      bool notify) override;
  bool RemoveBaseResItem(engine::qrv::QRVBaseResItem* entry) override;
  // Rebuilds the form's index of its entries and frees slots nothing stands
  // in. Changes nothing a save would show.
  void RefreshChildren() override;
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
  // Entries taken out whose place the form keeps.
  int removed_entry_count() const { return entries_.place_holder_count(); }
  int notification_count() const { return notification_count_; }
  int refresh_count() const { return refresh_count_; }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    entries_.AppendTo(members);
  }

 protected:
  ~BaseResItemGroupImpl() override = default;

 private:
  std::string form_name_;
  PlaceKeepingChildren<BaseResItemImpl> entries_{this};
  int notification_count_ = 0;
  int refresh_count_ = 0;
};

}  // namespace reference_host
