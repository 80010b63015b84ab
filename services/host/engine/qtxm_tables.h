// The five other-items tables of a sub-project, always used in this order;
// each row has the text field "OSName".
#pragma once

#include "host/host_api.h"

namespace engine {
namespace dbtables {
class TableObject;
}  // namespace dbtables

class MARROW_HOST_API QTXMTables {
 public:
  // Each null when the table is absent.
  virtual dbtables::TableObject* GetTable1() const = 0;
  virtual dbtables::TableObject* GetTable2() const = 0;
  virtual dbtables::TableObject* GetTable3() const = 0;
  virtual dbtables::TableObject* GetTable4() const = 0;
  virtual dbtables::TableObject* GetTable5() const = 0;

 protected:
  virtual ~QTXMTables() = default;
};

}  // namespace engine
