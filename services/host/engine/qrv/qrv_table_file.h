// The file face of a product-module row table: reaches its cost account tree.
#pragma once

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class QRVCostAccountGroupFile;

class MARROW_HOST_API QRVTableObjectFile : public virtual DocumentObject {
 public:
  virtual QRVCostAccountGroupFile* GetCostAccountGroup() const = 0;

 protected:
  ~QRVTableObjectFile() override = default;
};

}  // namespace qrv
}  // namespace engine
