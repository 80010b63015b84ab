// The bill stages of a project.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class MARROW_HOST_API QRVBillStage : public virtual DocumentObject {
 public:
  virtual const std::string& GetName() const = 0;

 protected:
  ~QRVBillStage() override = default;
};

class MARROW_HOST_API QRVBillStageGroup : public virtual DocumentObject {
 public:
  virtual int GetBillStageCount() const = 0;
  virtual QRVBillStage* GetBillStage(int index) const = 0;
  virtual QRVBillStage* FindBillStageById(const std::string& id) const = 0;
  // Where names repeat, the first stage in order.
  virtual QRVBillStage* FindBillStageByName(const std::string& name) const = 0;

 protected:
  ~QRVBillStageGroup() override = default;
};

}  // namespace qrv
}  // namespace engine
