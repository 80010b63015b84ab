// The product-module factory: collection records, contract-level entries,
// cost lines and cost line lists. A new record or line has no reference yet:
// whoever attaches it takes the first. New entries, lines and lists stand in
// no group, list or bill.
#pragma once

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class QRVBaseResItem;
class QRVCBResItemList;
class QRVResCollectCopy;
class QRVResCollectObj;
class QRVResCollectTemplete;
class QRVResItem;

class MARROW_HOST_API QRVFactory {
 public:
  virtual ~QRVFactory() = default;
  virtual QRVResCollectObj* CreateResCollectObj() = 0;
  virtual QRVResCollectCopy* CreateResCollectCopy() = 0;
  virtual QRVResCollectTemplete* CreateResCollectTemplete() = 0;
  // A detached entry, in no form and no document.
  virtual scoped_refptr<QRVBaseResItem> CreateBaseResItem() = 0;
  // A free cost line with no reference yet.
  virtual QRVResItem* CreateCBResItem() = 0;
  // An empty list for a bill that has none; QRVSubEngineering::
  // SetCBResItemList takes it over.
  virtual QRVCBResItemList* CreateCBResItemList() = 0;
};

}  // namespace qrv
}  // namespace engine
