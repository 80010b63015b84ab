// The product-module factory of collection records. A new record has no
// reference yet: whoever attaches it takes the first.
#pragma once

#include "host/host_api.h"

namespace engine {
namespace qrv {

class QRVResCollectCopy;
class QRVResCollectObj;
class QRVResCollectTemplete;

class MARROW_HOST_API QRVFactory {
 public:
  virtual ~QRVFactory() = default;
  virtual QRVResCollectObj* CreateResCollectObj() = 0;
  virtual QRVResCollectCopy* CreateResCollectCopy() = 0;
  virtual QRVResCollectTemplete* CreateResCollectTemplete() = 0;
};

}  // namespace qrv
}  // namespace engine
