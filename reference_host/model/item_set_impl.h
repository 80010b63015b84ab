// A sub-project's set of movable members (movable items, product items or
// movable records) and the plain member object such sets hold. The set is
// owned by its SubProjectImpl and owns its members; members enter and leave
// the sub-project's document with it.
#pragma once

#include <string>
#include <vector>

#include "host/engine/item_set.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

// A movable item or record: an id and fields, nothing else.
class MovableMemberImpl : public DocumentObjectImpl {
 public:
  explicit MovableMemberImpl(std::string id = std::string()) : DocumentObjectImpl(std::move(id)) {}

 protected:
  ~MovableMemberImpl() override = default;
};

class ItemSetImpl : public engine::ItemSet {
 public:
  explicit ItemSetImpl(DocumentObjectImpl* holder) : members_(holder) {}
  ~ItemSetImpl() override = default;

  // engine::ItemSet:
  int GetCount() const override { return members_.size(); }
  DocumentObjectImpl* GetAt(int index) const override { return members_.at(index); }
  bool Remove(engine::DocumentObject* member) override;
  bool Add(engine::DocumentObject* member, int position) override;

  bool Add(scoped_refptr<DocumentObjectImpl> member) { return members_.Insert(std::move(member)); }
  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
    members_.AppendTo(members);
  }

 private:
  OwnedChildren<DocumentObjectImpl> members_;
};

}  // namespace reference_host
