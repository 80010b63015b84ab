// Core resource item (a labour, material or machinery line) and the ordered
// lists that hold resource items under a bill.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class BaseResItem;

class MARROW_HOST_API ResItem : public virtual DocumentObject {
 public:
  // False when the item has no quantity to give.
  virtual bool GetQuantity(double& quantity) const = 0;
  // Takes the source's fields, quantity, entry and source reference; never its
  // owner, its collection record or its links.
  virtual void CopyFrom(const ResItem* source) = 0;
  // Detaches the item from the list that holds it; 0 means no owner at all.
  virtual void ResetOwnerRef(int owner) = 0;
  // Id of the object this line was taken from (a quota entry, a template).
  virtual std::string GetSourceRef() const = 0;
  virtual void SetSourceRef(const std::string& source) = 0;
  // The entry of the resource summary this line points to, or null.
  virtual BaseResItem* GetBaseResItem() const = 0;
  // Points the line to |entry| (null: to none). Entries keep their own lists
  // of attached lines; this changes none of them.
  virtual void SetBaseResItem(BaseResItem* entry) = 0;

 protected:
  ~ResItem() override = default;
};

// An ordered list of resource items held by one owner (a bill or an entry).
class MARROW_HOST_API ResItemList {
 public:
  virtual int GetCount() const = 0;
  virtual ResItem* GetAt(int index) const = 0;
  // The object holding the list: a sub-engineering.
  virtual DocumentObject* GetOwner() const = 0;

 protected:
  virtual ~ResItemList() = default;
};

}  // namespace engine
