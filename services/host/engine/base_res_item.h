// Core base resource entry: a resource summary entry resource lines point to.
// Its fields carry code, name, model, unit, price and "QRV_YSCostAccount".
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class MARROW_HOST_API BaseResItem : public virtual DocumentObject {
 public:
  // Takes every field of |source| in place of its own; never its id, owner or
  // attached lines. A null source changes nothing.
  virtual void CopyFrom(const BaseResItem* source) = 0;
  virtual std::string GetName() const = 0;
  virtual void SetName(const std::string& name) = 0;
  // Entries with equal keys stand for the same resource in a shared item set.
  virtual std::string GetKey() const = 0;
  virtual std::string GetUnit() const = 0;
  // Entries of one resource that differ only in price are numbered: the
  // number key is what they share (the code), the number tells them apart.
  virtual std::string GetNumberKey() const = 0;
  // False when the entry carries no number.
  virtual bool GetNumber(int& number) const = 0;
  virtual void SetNumber(int number) = 0;

 protected:
  ~BaseResItem() override = default;
};

}  // namespace engine
