// Core sub-project and project. Sub-project kinds: 1 whole, 2 single, 3 unit.
// A sub-project also holds the cost tables that a project merge carries: the
// unit-price and lump-sum measure trees, the movable items and records, the
// five other-items tables and the fee store.
#pragma once

#include <string>

#include "host/base/ref_counted.h"
#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {

class FeeStore;
class ItemSet;
class QTXMTables;
class ResItemCallBack;
class ResItemGroup;
class SharedItemSet;
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
  // The entries the sub-project's resource lines share; may be null.
  virtual SharedItemSet* GetSharedItemSet() const = 0;

  virtual void SetName(const std::string& name) = 0;
  // The same as GetChild.
  virtual SubProject* GetChildAt(int index) const = 0;
  // Takes a free sub-project (one no parent or project holds) in as a child;
  // |position| 0 appends, p > 0 puts it before the child at p - 1. False,
  // with nothing changed, for a child the tree cannot take (one that is not
  // free, or whose ids the document already holds).
  virtual bool AddChild(SubProject* child, int position) = 0;
  // Takes |child| out; it is then free and keeps its own subtree. False when
  // it is not a child of this one.
  virtual bool RemoveChild(SubProject* child) = 0;
  // Brings what the sub-project derives from its children up to date.
  virtual void RefreshChildren() = 0;
  // Roots of the unit-price and lump-sum measure trees; null when absent.
  virtual SubEngineering* GetDJCSRoot() const = 0;
  virtual SubEngineering* GetZJCSRoot() const = 0;
  // Movable items and movable records; null when absent.
  virtual ItemSet* GetMovableItemSet() const = 0;
  virtual ItemSet* GetMovableRecordSet() const = 0;
  // The other-items tables and the fee store; null when absent.
  virtual QTXMTables* GetQTXMTables() const = 0;
  virtual FeeStore* GetFeeStore() const = 0;

 protected:
  ~SubProject() override = default;
};

class MARROW_HOST_API Project : public virtual DocumentObject {
 public:
  virtual const std::string& GetName() const = 0;
  virtual SubProject* GetRootSubProject() const = 0;
  // Makes |root| the root sub-project in place of the present one, taking it
  // from the project that held it as root, if any. The present root is let
  // go. False, with nothing changed, for a sub-project that has a parent or
  // whose ids clash with the document.
  virtual bool SetRootSubProject(SubProject* root) = 0;

 protected:
  ~Project() override = default;
};

}  // namespace engine
