// A sub-project's set of movable members (movable items, product items or
// movable records): objects that move whole from one set to another.
#pragma once

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class MARROW_HOST_API ItemSet {
 public:
  virtual int GetCount() const = 0;
  virtual DocumentObject* GetAt(int index) const = 0;
  // Takes |member| out; it is then free. False when it is not a member.
  virtual bool Remove(DocumentObject* member) = 0;
  // Takes a free member in; |position| 0 appends, p > 0 puts it before the
  // member at p - 1. False, with nothing changed, for one the set cannot
  // take (not free, of another host, or with ids the document holds).
  virtual bool Add(DocumentObject* member, int position) = 0;

 protected:
  virtual ~ItemSet() = default;
};

}  // namespace engine
