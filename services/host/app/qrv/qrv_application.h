// The product module's application object and factory access.
#pragma once

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {
class QRVBaseResItem;
class QRVFactory;
}  // namespace qrv
}  // namespace engine

namespace app {
namespace qrv {

// Creates new contract-level entries.
class MARROW_HOST_API QRVBaseResItemCreator {
 public:
  virtual ~QRVBaseResItemCreator() = default;
  virtual scoped_refptr<engine::qrv::QRVBaseResItem> CreateBaseResItem() = 0;
};

class MARROW_HOST_API QRVApplication {
 public:
  virtual ~QRVApplication() = default;
  virtual QRVBaseResItemCreator* GetBaseResItemCreator() = 0;
};

MARROW_HOST_API engine::qrv::QRVFactory* GetQRVFactory();
MARROW_HOST_API QRVApplication* GetQRVApplication();

}  // namespace qrv
}  // namespace app
