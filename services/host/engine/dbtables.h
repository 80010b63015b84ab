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

 protected:
  ~TupleObject() override = default;
};

}  // namespace dbtables
}  // namespace engine
