// Core bill item: a bill, an entry under a bill or a measure item, with its
// resource lines, its children and its fee calculator.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class ResItemList;

// Node kinds of a sub-engineering.
enum SubEngineeringNodeKind { kNodeKindBill = 2, kNodeKindEntry = 3, kNodeKindSubEntry = 4 };

class MARROW_HOST_API SubEngineeringFeeCalc {
 public:
  virtual ~SubEngineeringFeeCalc() = default;
};

class MARROW_HOST_API SubEngineering : public virtual DocumentObject {
 public:
  virtual int GetNodeKind() const = 0;
  virtual int GetMeasureKind() const = 0;
  virtual SubEngineering* GetParent() const = 0;
  virtual bool GetQuantity(double& quantity) const = 0;
  virtual SubEngineeringFeeCalc* GetFeeCalc() const = 0;
  // The resource lines directly under this item; may be null.
  virtual ResItemList* GetResItemList() const = 0;
  virtual int GetChildCount() const = 0;
  virtual SubEngineering* GetChildSubEngineering(int index) const = 0;

  virtual std::string GetCode() const = 0;
  virtual void SetCode(const std::string& code) = 0;
  virtual std::string GetName() const = 0;
  virtual void SetName(const std::string& name) = 0;
  // Position among the parent's children; -1 without a parent.
  virtual int GetIndex() const = 0;
  // Takes a free item (no parent or sub-project holds it) in as a child
  // before |before|, or at the end when |before| is null or not a child.
  // False, with nothing changed, for an item the tree cannot take.
  virtual bool AddChild(SubEngineering* child, SubEngineering* before) = 0;
  // Takes |child| out with its subtree; false when it is not a child.
  virtual bool RemoveChild(SubEngineering* child) = 0;
  // Brings what the item derives from its children up to date.
  virtual void RefreshChildren() = 0;

 protected:
  ~SubEngineering() override = default;
};

}  // namespace engine
