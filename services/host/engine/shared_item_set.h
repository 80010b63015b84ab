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

 protected:
  virtual ~SharedItemSet() = default;
};

}  // namespace engine
