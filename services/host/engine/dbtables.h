// Row tables: a table of rows, where rows form trees.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
namespace dbtables {

class TupleObject;

class MARROW_HOST_API TableObject : public virtual DocumentObject {
 public:
  virtual const std::string& GetName() const = 0;
  // Top-level rows, in order.
  virtual int GetRowCount() const = 0;
  virtual TupleObject* GetRow(int index) const = 0;
  // Takes a free row (no table or row holds it) in with its subtree;
  // |position| 0 appends, p > 0 puts it before the row at p - 1. False, with
  // nothing changed, for a row the table cannot take.
  virtual bool AddRow(TupleObject* row, int position) = 0;
  // Takes a top-level row out with its subtree; false when it is not one.
  virtual bool RemoveRow(TupleObject* row) = 0;
  // Brings what the table derives from its rows up to date.
  virtual void RefreshChildren() = 0;

 protected:
  ~TableObject() override = default;
};

class MARROW_HOST_API TupleObject : public virtual DocumentObject {
 public:
  virtual TableObject* GetTable() const = 0;
  // Null for a top-level row.
  virtual TupleObject* GetParent() const = 0;
  virtual int GetChildCount() const = 0;
  virtual TupleObject* GetChild(int index) const = 0;
  // The key of a row of a keyed table (the lump-sum detail and JJFY tables).
  virtual std::string GetRowKey() const = 0;
  virtual void SetRowKey(const std::string& key) = 0;

 protected:
  ~TupleObject() override = default;
};

}  // namespace dbtables
}  // namespace engine
