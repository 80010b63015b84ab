// Product faces of sub-projects and of the project root.
#pragma once

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
class SubProject;
namespace qrv {

class QRVBaseResItemGroup;
class QRVBillStageGroup;
class QRVCostAccountGroup;
class QRVGroupedItemSet;

class MARROW_HOST_API QRVSubProject : public virtual DocumentObject {
 public:
  // The core face of the same object.
  virtual SubProject* GetSubProject() = 0;
  // The contract-level forms of this sub-project; never null.
  virtual QRVGroupedItemSet* GetGroupedItemSet() const = 0;
  virtual int GetChildCount() const = 0;
  virtual QRVSubProject* GetChildAt(int index) const = 0;

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
