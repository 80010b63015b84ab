// A view over one resource item (a labour, material or machinery line): its
// side (budget or cost), its collection records and collected quantities, and
// the cost accounts it ends up in. Holds one non-owning pointer; copy freely.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Collection model: a budget item carries a templete record listing the copy
// items made from it; a cost item carries an object record listing the copies
// collected into it; each copy carries a copy record naming both, and its
// field "QRV_RICollectRatio" holds copy quantity / budget quantity.
//
// Every query on an empty view answers false, 0, null or nothing. Container
// arguments are never cleared: results are appended, inserted or added.
class MARROW_QRV_EXPORT QRVResItemBean {
 public:
  explicit QRVResItemBean(engine::qrv::QRVResItem* item);
  // Cross casts to the product facet; an item without one makes an empty view.
  explicit QRVResItemBean(engine::ResItem* item);
  explicit QRVResItemBean(std::nullptr_t);
  QRVResItemBean(const QRVResItemBean& other);
  QRVResItemBean& operator=(const QRVResItemBean& other);
  ~QRVResItemBean();

  // A budget-side item: its base entry is owned by something other than the
  // group the entry reports.
  bool IsUsedByYS() const;
  // A budget-side item whose templete record reports collected copies.
  bool IsCollected() const;
  // A cost line of the owner bill is linked to this item.
  bool IsBindWithCBRCJ() const;
  engine::qrv::QRVResItem* GetLinkedCBRes() const;
  // The bill holding the item (for an entry under a bill, the bill above it),
  // a lump-sum measure item, or null.
  engine::SubEngineering* GetOwnerBill() const;
  // For a copy item, the budget item it was made from.
  engine::ResItem* GetResItemTemplete() const;

  // With |create|, an item without any record gets a new one attached. An
  // item carrying a record of another kind answers null.
  engine::qrv::QRVResCollectObj* GetResItemCollectObj(bool create) const;
  engine::qrv::QRVResCollectCopy* GetResItemCollectCopy() const;
  engine::qrv::QRVResCollectTemplete* GetResItemCollectTemplete(bool create) const;
  // Called on the view of a copy item: attaches a copy record naming
  // |cost_item| and |budget_item|. Null (with a warning) for bad arguments or
  // a copy that already carries a record.
  engine::qrv::QRVResCollectCopy* CreateResItemCollectCopy(engine::qrv::QRVResItem* cost_item,
                                                           engine::ResItem* budget_item) const;
  // Called on the view of a budget item: a new free-standing copy holding
  // |quantity| of it, in no list and without a record. Nobody holds a
  // reference to it yet: the caller takes the first.
  engine::ResItem* CreateResItemCopy(double quantity) const;

  // The item's own quantity; 0 when unreadable.
  double GetResItemCollectSrcQuantity() const;
  // Sum of the collected copies. |mode|: 0 all, 1 only cost items whose base
  // entry has type "FB", 2 all but those.
  double GetResItemCollectedQuantity(int mode) const;
  // What may still be collected: 0 for a linked item, a cost item or a copy.
  double GetResItemCollectAllowQuantity() const;

  // Adds each collected copy's quantity under its cost account code ("" for
  // none).
  void GetResItemCollectedCostAccountQuantity(std::map<std::string, double>& quantities);
  // Appends the cost item of each collected copy (once per copy).
  void GetCollectedCBResItem(std::vector<engine::qrv::QRVResItem*>& cost_items);
  // On a cost item: appends the copies collected into it.
  void GetCopyResFromQRVResItem(std::vector<engine::ResItem*>& copies);
  // Inserts the codes of the cost accounts the item ends up in.
  void GetCostAccount(std::set<std::string>& codes);

 private:
  engine::qrv::QRVResItem* item_;
};

}  // namespace qrv
}  // namespace marrow
