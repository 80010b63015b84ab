// The host's forward iterator over a sequence of objects it owns: children of
// a resource group, entries of an aggregated group, member lines of an entry.
// The caller owns the iterator; the objects stay the host's.
#pragma once

#include "host/host_api.h"

namespace engine {

template <class T>
class MARROW_HOST_API Iterator {
 public:
  virtual ~Iterator() = default;
  // Back to the first element (a new iterator starts there).
  virtual void First() = 0;
  virtual void Next() = 0;
  virtual bool IsDone() const = 0;
  // Null when done.
  virtual T* Current() const = 0;
};

}  // namespace engine
