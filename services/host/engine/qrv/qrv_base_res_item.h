// Contract-level base resource entries, the forms (groups) that hold them and
// the grouped item set through which a sub-project finds its forms.
#pragma once

#include <memory>
#include <string>

#include "host/engine/document_object.h"
#include "host/engine/iterator.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class QRVBaseResItem;
class QRVCostAccountGroupFile;
class QRVResItem;
class QRVSubProject;

class MARROW_HOST_API QRVBaseResItemGroup : public virtual DocumentObject {
 public:
  // The form name, e.g. "SelfLeaseMachineForm".
  virtual const std::string& GetFormName() const = 0;
  virtual int GetCount() const = 0;
  virtual QRVBaseResItem* GetAt(int index) const = 0;
  // The sub-project whose grouped item set holds the form; forms of the
  // whole project belong to its root sub-project.
  virtual QRVSubProject* GetOwnerSubProject() const = 0;
  // Over the form's entries, in order.
  virtual std::unique_ptr<Iterator<QRVBaseResItem>> CreateChildIterator() const = 0;

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

// The forms a sub-project holds, found by id.
class MARROW_HOST_API QRVGroupedItemSet {
 public:
  // Null when the set holds no form with that id.
  virtual QRVBaseResItemGroup* FindGroupById(const std::string& id) const = 0;
  virtual int GetGroupCount() const = 0;
  virtual QRVBaseResItemGroup* GetGroupAt(int index) const = 0;

 protected:
  virtual ~QRVGroupedItemSet() = default;
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

  // The object that stands for the resource itself: entries of different
  // forms and sub-projects that share it are one resource. An entry that
  // shares none answers itself when |self_when_none|, else null.
  virtual DocumentObject* GetIdentityItem(bool self_when_none) const = 0;
  // The contract quantity; false when the entry has none.
  virtual bool GetQuantity(double& quantity) const = 0;
  virtual void SetQuantity(const double& quantity) = 0;
  // The text the entry is listed by.
  virtual std::string GetSortText() const = 0;
  virtual std::string GetName() const = 0;
  virtual std::string GetUnit() const = 0;

 protected:
  ~QRVBaseResItem() override = default;
};

}  // namespace qrv
}  // namespace engine
