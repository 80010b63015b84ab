// The entries a sub-project shares among its resource lines, found by key,
// and the numbering of new entries.
#pragma once

#include <string>

#include "host/host_api.h"

namespace engine {

class BaseResItem;

// Hands out entry numbers, one sequence per number key.
class MARROW_HOST_API NumberAllocator {
 public:
  virtual ~NumberAllocator() = default;
  // The number a new entry with |number_key| takes.
  virtual int Next(const std::string& number_key) = 0;
};

class MARROW_HOST_API SharedItemSet {
 public:
  // An entry of the set whose key is |key|, or null.
  virtual BaseResItem* Find(const std::string& key) const = 0;
  // Takes a free entry (one no container holds) into the set; false, with
  // nothing changed, for any other.
  virtual bool Add(BaseResItem* entry) = 0;
  virtual NumberAllocator* GetNumberAllocator() = 0;
  // Every member: the entries the set holds, then those it shares with the
  // sets that hold them.
  virtual int GetMemberCount() const = 0;
  virtual BaseResItem* GetMemberAt(int index) const = 0;
  // Lists |entry| as a member the set shares; the set that holds it keeps
  // it. A member already listed changes nothing; false for null.
  virtual bool AddMember(BaseResItem* entry) = 0;

 protected:
  virtual ~SharedItemSet() = default;
};

}  // namespace engine
