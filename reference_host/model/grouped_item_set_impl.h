// A sub-project's contract-level forms (its grouped item set). Owned by its
// SubProjectImpl, which owns the forms in it. The root sub-project's set also
// answers the forms of the whole project, after its own. A sub-project holds
// a handful of forms, so lookups walk them.
#pragma once

#include <string>
#include <vector>

#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class ProjectImpl;
class SubProjectImpl;

class GroupedItemSetImpl : public engine::qrv::QRVGroupedItemSet {
 public:
  explicit GroupedItemSetImpl(SubProjectImpl* owner);
  GroupedItemSetImpl(const GroupedItemSetImpl&) = delete;
  GroupedItemSetImpl& operator=(const GroupedItemSetImpl&) = delete;
  ~GroupedItemSetImpl() override = default;

  // engine::qrv::QRVGroupedItemSet:
  BaseResItemGroupImpl* FindGroupById(const std::string& id) const override;
  int GetGroupCount() const override;
  BaseResItemGroupImpl* GetGroupAt(int index) const override;

  // The sub-project's own forms.
  bool Add(scoped_refptr<BaseResItemGroupImpl> group, int index = -1) {
    return groups_.Insert(std::move(group), index);
  }
  scoped_refptr<BaseResItemGroupImpl> Remove(const BaseResItemGroupImpl* group) {
    return groups_.Remove(group);
  }
  int size() const { return groups_.size(); }
  BaseResItemGroupImpl* group(int index) const { return groups_.at(index); }
  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const { groups_.AppendTo(members); }

 private:
  // The project's forms when the owner is the project's root, else none.
  const ProjectImpl* ProjectOfRoot() const;

  SubProjectImpl* owner_;
  OwnedChildren<BaseResItemGroupImpl> groups_;
};

}  // namespace reference_host
