// The fee store of a sub-project: its fee tables by key, among them the fee
// summary table "Fee", whose rows carry code, calculation base, rate and
// amount, and whose total is an expression over the row codes.
#pragma once

#include <string>

#include "host/engine/dbtables.h"
#include "host/host_api.h"

namespace engine {

class MARROW_HOST_API FeeRow : public virtual dbtables::TupleObject {
 public:
  virtual std::string GetCode() const = 0;
  virtual void SetCode(const std::string& code) = 0;
  virtual std::string GetCalculationBase() const = 0;
  // False, and |value| untouched, when the row has none.
  virtual bool GetRate(double& value) const = 0;
  virtual bool GetAmount(double& value) const = 0;

 protected:
  ~FeeRow() override = default;
};

class MARROW_HOST_API FeeTable : public virtual dbtables::TableObject {
 public:
  // The row at |index| seen as a fee row; null when it is not one.
  virtual FeeRow* GetRowAt(int index) const = 0;
  virtual std::string GetExpression() const = 0;
  virtual void SetExpression(const std::string& expression) = 0;

 protected:
  ~FeeTable() override = default;
};

class MARROW_HOST_API FeeStore {
 public:
  // The table with |key| ("Fee" for the fee summary), or null.
  virtual FeeTable* GetTable(const std::string& key) const = 0;

 protected:
  virtual ~FeeStore() = default;
};

}  // namespace engine
