// Product face of a bill item: its cost resource list and its fee calculator.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/engine/sub_engineering.h"
#include "host/host_api.h"

namespace engine {
class ResItemList;
namespace qrv {

class MARROW_HOST_API QRVSubEngineering : public virtual DocumentObject {
 public:
  virtual SubEngineering* GetSubEngineering() = 0;
  // The cost lines of the bill (entries are QRVResItem faces); may be null.
  virtual ResItemList* GetCBResItemList() const = 0;

 protected:
  ~QRVSubEngineering() override = default;
};

// Budget fee figures of a bill by resource kind ("Labor", "Machine", ...).
class MARROW_HOST_API QRVSubEngineeringFeeCalc {
 public:
  virtual ~QRVSubEngineeringFeeCalc() = default;
  virtual bool GetFeeCost(const std::string& kind, double& value) const = 0;
  virtual bool GetFeeTotalCost(const std::string& kind, double& value) const = 0;
};

}  // namespace qrv
}  // namespace engine
