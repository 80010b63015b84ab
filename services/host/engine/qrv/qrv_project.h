// Product faces of sub-projects and of the project root.
#pragma once

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
class ItemSet;
class SubProject;
namespace dbtables {
class TableObject;
}  // namespace dbtables
namespace qrv {

class QRVBaseResItemGroup;
class QRVSubEngineering;
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
  // The lump-sum detail table and the JJFY table, whose rows carry keys;
  // null when absent.
  virtual dbtables::TableObject* GetZJCSDetailTable() const = 0;
  virtual dbtables::TableObject* GetJJFYTable() const = 0;
  // Root of the JJFY bill items; null when absent.
  virtual QRVSubEngineering* GetJJFYRoot() const = 0;
  // Product items; null when absent.
  virtual ItemSet* GetProductItemSet() const = 0;

 protected:
  ~QRVSubProject() override = default;
};

class MARROW_HOST_API QRVProject : public virtual DocumentObject {
 public:
  // The same sub-project as the core face's GetRootSubProject.
  virtual QRVSubProject* GetRootSubProject() const = 0;
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
