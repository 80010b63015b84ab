// The ordered resource lines of one bill: its budget list or its cost list.
// Held in place by its SubEngineeringImpl (or owned by it once taken over
// from the product factory); holds counted references to its lines. The
// storage for lines is made with the first one: walks ask every bill item
// for both lists, and most of them stay empty.
#pragma once

#include <memory>

#include "host/base/ref_counted.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/res_item_impl.h"

namespace reference_host {

class SubEngineeringImpl;

class ResItemListImpl : public engine::qrv::QRVCBResItemList {
 public:
  enum class Side { kBudget, kCost };

  // A null |owner| makes a free list (the product factory's), which a bill
  // takes over with Adopt.
  ResItemListImpl(SubEngineeringImpl* owner, Side side);
  ResItemListImpl(const ResItemListImpl&) = delete;
  ResItemListImpl& operator=(const ResItemListImpl&) = delete;
  ~ResItemListImpl() override;

  // engine::ResItemList:
  int GetCount() const override { return size(); }
  engine::ResItem* GetAt(int index) const override { return item(index); }
  engine::DocumentObject* GetOwner() const override;
  // engine::qrv::QRVCBResItemList: refused (logged) for a line that is not
  // ours or already stands in a list.
  void AddCBResItem(engine::qrv::QRVResItem* item, engine::qrv::QRVResItem* before) override;
  // Nothing to bring up to date; counted for tests.
  void Refresh() override { ++refresh_count_; }
  int refresh_count() const { return refresh_count_; }
  // Becomes |owner|'s list; only a free, empty list can.
  bool Adopt(SubEngineeringImpl* owner, Side side);

  // |index| -1 appends. Refused (false, logged) for a line already in a list
  // or whose id the document already holds.
  bool Add(scoped_refptr<ResItemImpl> item, int index = -1);
  // The removed line, or null when it is not in this list.
  scoped_refptr<ResItemImpl> Remove(const ResItemImpl* item);
  int IndexOf(const ResItemImpl* item) const { return lines_ ? lines_->IndexOf(item) : -1; }
  ResItemImpl* item(int index) const { return lines_ ? lines_->at(index) : nullptr; }
  int size() const { return lines_ ? lines_->size() : 0; }
  Side side() const { return side_; }
  SubEngineeringImpl* owner() const { return owner_; }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
    if (lines_) lines_->AppendTo(members);
  }
  // Lets go of every line, which leaves the list; the caller takes them out
  // of the document first.
  void Clear();

 private:
  SubEngineeringImpl* owner_;
  std::unique_ptr<OwnedChildren<ResItemImpl>> lines_;
  Side side_;
  int refresh_count_ = 0;
};

}  // namespace reference_host
