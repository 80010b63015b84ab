// Core base resource entry: a resource summary entry resource lines point to.
// Its fields carry code, name, unit, price and "QRV_YSCostAccount".
#pragma once

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class MARROW_HOST_API BaseResItem : public virtual DocumentObject {
 protected:
  ~BaseResItem() override = default;
};

}  // namespace engine
