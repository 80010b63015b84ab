// The core object factory. New objects stand in no list and no document.
#pragma once

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {

class BaseResItem;
class ResItem;

class MARROW_HOST_API Factory {
 public:
  virtual ~Factory() = default;
  // A free-standing item with no reference yet: the caller takes the first.
  virtual ResItem* CreateResItem() = 0;
  virtual scoped_refptr<BaseResItem> CreateBaseResItem() = 0;
};

}  // namespace engine
