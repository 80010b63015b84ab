// Contract-level base resource entries and the forms (groups) that hold them.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class QRVBaseResItem;
class QRVCostAccountGroupFile;
class QRVResItem;

class MARROW_HOST_API QRVBaseResItemGroup : public virtual DocumentObject {
 public:
  // The form name, e.g. "SelfLeaseMachineForm".
  virtual const std::string& GetFormName() const = 0;
  virtual int GetCount() const = 0;
  virtual QRVBaseResItem* GetAt(int index) const = 0;

 protected:
  ~QRVBaseResItemGroup() override = default;
};

// The file face of a group: reaches the cost account tree of its project.
class MARROW_HOST_API QRVBaseResItemGroupFile : public virtual DocumentObject {
 public:
  virtual QRVCostAccountGroupFile* GetCostAccountGroup() const = 0;

 protected:
  ~QRVBaseResItemGroupFile() override = default;
};

class MARROW_HOST_API QRVBaseResItem : public virtual DocumentObject {
 public:
  // The contract-level group the entry belongs to. A budget-side entry is
  // owned by something else than this group (or reports none).
  virtual QRVBaseResItemGroup* GetGroup() const = 0;
  // Id of the entry's cost account; empty for none.
  virtual std::string GetCostAccount() const = 0;
  virtual void SetCostAccount(const std::string& account_id) = 0;
  // Resource type code; "FB" marks a subcontract resource.
  virtual std::string GetResType() const = 0;
  // Registers a cost line with the entry.
  virtual void AddResItem(QRVResItem* cost_item) = 0;
  // Self-lease forms keep a lease quantity; false when the entry has none.
  virtual bool GetLeaseQuantity(double& quantity) const = 0;
  virtual void SetLeaseQuantityText(const std::string& text) = 0;
  virtual void Recalculate() = 0;

 protected:
  ~QRVBaseResItem() override = default;
};

}  // namespace qrv
}  // namespace engine
