// Moves cost lines between contract-level entries: merge onto the bound entry,
// split some of its lines off onto a new entry. Bound by a non-owning pointer
// (null makes every operation refuse); copy freely.
#pragma once

#include <set>
#include <vector>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// A line always moves in three steps, in this order: its old entry removes
// it, the new entry adds it, the line is pointed to the new entry. Nothing is
// logged; refusals are told by the result.
class MARROW_QRV_EXPORT QRVBaseResItemFunc {
 public:
  explicit QRVBaseResItemFunc(engine::qrv::QRVBaseResItem* item);
  virtual ~QRVBaseResItemFunc();

  // Moves every line (in address order) from the entry it is attached to now
  // onto the bound entry. False for no bound entry or an empty set; else true.
  // A null line is passed over; a line attached to no entry is attached.
  bool MergeContract(const std::set<engine::qrv::QRVResItem*>& items);

  // Moves |items| (in the order given) onto a new entry that copies the bound
  // one, is named after it with "C" appended, and stands right after it in
  // its group. Null, with nothing changed, when no entry is bound, a line is
  // not attached to the bound entry, the bound entry would keep no line, the
  // application gives no creator or entry, or the bound entry has no group.
  engine::qrv::QRVBaseResItem* SplitContract(std::vector<engine::qrv::QRVResItem*> items);

 private:
  engine::qrv::QRVBaseResItem* item_;
};

}  // namespace qrv
}  // namespace marrow
