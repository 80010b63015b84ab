// Assigns a cost account to rows of the product module's tables, keeping the
// value every touched row had before. A row tree holds an account at one
// level of each branch only. Holds only its record and what orders the record
// for an undo; copy or move freely.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Each row's value is resolved against the cost account tree of the row's own
// table file: a path becomes its account's id, and a value that is then not
// an id of that tree skips the row. Assigning writes "QRV_CostAccount" into
// the row and removes the field from every ancestor and every descendant.
// Objects that are not rows of such a table are skipped. Nothing is logged.
//
// The record maps each touched object to its text before the first change
// made through this worker; a row is recorded only when it carried the field.
// Cost is O(n log n) in the rows reached (the selection, their ancestors and
// their subtrees), whatever the shape or size of the selection.
class MARROW_QRV_EXPORT QRVTableFunc {
 public:
  QRVTableFunc();
  QRVTableFunc(const QRVTableFunc& other);
  QRVTableFunc(QRVTableFunc&& other) noexcept;
  QRVTableFunc& operator=(const QRVTableFunc& other);
  QRVTableFunc& operator=(QRVTableFunc&& other) noexcept;
  ~QRVTableFunc();

  // Assigns |value| (a path, an id, or "" to clear) to |objects| in order.
  void SetCostAccount(std::vector<engine::DocumentObject*> objects, const std::string& value);
  // Assigns each object its own value, in order; the same as one
  // SetCostAccount call per pair on this worker, done in one pass.
  void SetCostAccount(
      const std::vector<std::pair<engine::DocumentObject*, std::string>>& assignments);

  std::map<engine::DocumentObject*, std::string> GetData() const;

  // The recorded rows in the order an undo is to give each its recorded text
  // back (through SetCostAccount, which clears the branch again): first the
  // rows whose recorded text this worker wrote itself (a row written, then
  // cleared by a later relative in the selection), then the rows whose text
  // was there before; deepest first within each. On a tree that held an
  // account at one level of each branch, every row that held one then
  // replays after every relative it shares a branch with, so it ends holding
  // its text again, whatever the order of the selection. A branch no former
  // text covers ends with the topmost of the written rows it recorded. (Rows
  // whose parent and child links disagree are walked outside the index; for
  // them the order is kept only as far as the walks can tell.)
  std::vector<engine::DocumentObject*> GetUndoOrder() const;

 private:
  // The worker behind both SetCostAccount forms: |values[i]| is the value of
  // |objects[i]|.
  void AssignRows(const std::vector<engine::DocumentObject*>& objects,
                  const std::vector<const std::string*>& values);
  // Records and removes the field of |row| and of all its descendants.
  void TraversalClearCostAccount(engine::dbtables::TupleObject* row);

  std::map<engine::DocumentObject*, std::string> data_;
  // For the undo order: the recorded rows as recorded, each with whether its
  // text is one this worker wrote and its place in the pre-order of the call
  // that recorded it; the rows that completed calls wrote; how many calls
  // recorded rows.
  std::vector<engine::dbtables::TupleObject*> recorded_;
  std::vector<char> recorded_own_;
  std::vector<int> positions_;
  std::vector<engine::dbtables::TupleObject*> written_;
  int recording_calls_ = 0;
};

}  // namespace qrv
}  // namespace marrow
