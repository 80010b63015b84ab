// Product faces of sub-projects and of the project root.
#pragma once

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class QRVBaseResItemGroup;
class QRVBillStageGroup;
class QRVCostAccountGroup;

class MARROW_HOST_API QRVSubProject : public virtual DocumentObject {
 protected:
  ~QRVSubProject() override = default;
};

class MARROW_HOST_API QRVProject : public virtual DocumentObject {
 public:
  virtual QRVCostAccountGroup* GetCostAccountGroup() const = 0;
  virtual QRVBillStageGroup* GetBillStageGroup() const = 0;
  // Contract-level resource forms.
  virtual int GetBaseResItemGroupCount() const = 0;
  virtual QRVBaseResItemGroup* GetBaseResItemGroup(int index) const = 0;

 protected:
  ~QRVProject() override = default;
};

}  // namespace qrv
}  // namespace engine
