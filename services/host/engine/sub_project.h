// Core sub-project and project. Sub-project kinds: 1 whole, 2 single, 3 unit.
#pragma once

#include <string>

#include "host/base/ref_counted.h"
#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class ResItemCallBack;
class ResItemGroup;
class SubEngineering;

enum SubProjectKind { kSubProjectWhole = 1, kSubProjectSingle = 2, kSubProjectUnit = 3 };

class MARROW_HOST_API SubProject : public virtual DocumentObject {
 public:
  virtual int GetKind() const = 0;
  virtual const std::string& GetName() const = 0;
  virtual SubProject* GetParentSubProject() const = 0;
  virtual int GetChildCount() const = 0;
  virtual SubProject* GetChild(int index) const = 0;
  // Top-level bill items of the sub-project's measure tree.
  virtual int GetSubEngineeringCount() const = 0;
  virtual SubEngineering* GetSubEngineering(int index) const = 0;
  // Aggregates the budget lines of this sub-project and every sub-project
  // below it with |callback|: lines it finds valid, one entry per
  // fingerprint. Never null.
  virtual scoped_refptr<ResItemGroup> GroupResItems(ResItemCallBack* callback) = 0;

 protected:
  ~SubProject() override = default;
};

class MARROW_HOST_API Project : public virtual DocumentObject {
 public:
  virtual const std::string& GetName() const = 0;
  virtual SubProject* GetRootSubProject() const = 0;

 protected:
  ~Project() override = default;
};

}  // namespace engine
