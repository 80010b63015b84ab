// Renames a resource line by pointing it (and every copy collected from it)
// to an entry of its sub-project that carries the new name: an equal entry
// the sub-project already shares, or a new numbered one. Remembers the entry
// chosen by its last successful rename (not owned).
#pragma once

#include <string>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// The line's old entry is left as it was. Nothing is logged.
class MARROW_QRV_EXPORT QRVResItemChangeNameFunc {
 public:
  // A copy of the line's entry named |name| is looked up by its key in the
  // shared item set of the sub-project above the line: an equal entry found
  // there is chosen; otherwise the copy takes the next number for its number
  // key and joins the set. Stops without change for a null line, a line with
  // no entry, no sub-project above it, or a sub-project with no set, and when
  // the host gives no new entry or the set refuses it.
  void ChangeResItemName(engine::ResItem* item, const std::string& name);

  // The entry the last successful rename chose, or null.
  engine::BaseResItem* GetNewBaseItem() const;

 private:
  engine::BaseResItem* new_base_item_ = nullptr;
};

}  // namespace qrv
}  // namespace marrow
