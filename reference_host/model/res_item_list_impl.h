// The ordered resource lines of one bill: its budget list or its cost list.
// Owned by its SubEngineeringImpl; holds counted references to its lines.
#pragma once

#include "host/base/ref_counted.h"
#include "host/engine/res_item.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/res_item_impl.h"

namespace reference_host {

class SubEngineeringImpl;

class ResItemListImpl : public engine::ResItemList {
 public:
  enum class Side { kBudget, kCost };

  ResItemListImpl(SubEngineeringImpl* owner, Side side);
  ResItemListImpl(const ResItemListImpl&) = delete;
  ResItemListImpl& operator=(const ResItemListImpl&) = delete;
  ~ResItemListImpl() override;

  // engine::ResItemList:
  int GetCount() const override { return items_.size(); }
  engine::ResItem* GetAt(int index) const override { return items_.at(index); }
  engine::DocumentObject* GetOwner() const override;

  // |index| -1 appends. Refused (false, logged) for a line already in a list
  // or whose id the document already holds.
  bool Add(scoped_refptr<ResItemImpl> item, int index = -1);
  // The removed line, or null when it is not in this list.
  scoped_refptr<ResItemImpl> Remove(const ResItemImpl* item);
  int IndexOf(const ResItemImpl* item) const { return items_.IndexOf(item); }
  ResItemImpl* item(int index) const { return items_.at(index); }
  int size() const { return items_.size(); }
  Side side() const { return side_; }
  SubEngineeringImpl* owner() const { return owner_; }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const { items_.AppendTo(members); }

 private:
  SubEngineeringImpl* owner_;
  Side side_;
  OwnedChildren<ResItemImpl> items_;
};

}  // namespace reference_host
