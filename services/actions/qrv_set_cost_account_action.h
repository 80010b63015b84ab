// Undoable assignment of one cost account to a selection of table rows or of
// contract-level resources. Holds non-owning pointers to the selection; the
// undo stack owns the action by reference.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/app/undo_action.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// The first object decides the kind: table rows go through QRVTableFunc,
// contract-level resources through QRVResItemFunc; objects of another kind
// than the first are skipped. Redo assigns and records the former values
// afresh; undo assigns each recorded value back through the same worker, so
// replaying a row clears its ancestors and descendants again. Rows are
// replayed in the order of QRVTableFunc::GetUndoOrder, which gives every row
// that held an account before the redo its account back, whatever the order
// of the selection, on a tree that held one at one level of each branch. A
// selected row that held none may keep the assigned one (see
// docs/cost_accounts.md). The host keeps the objects alive while the action
// can run. (The class name's spelling is the product's own.)
class MARROW_QRV_EXPORT QRVSetCostAccountSetviceAction : public app::UndoAction {
 public:
  // |cost_account| is a path, an id, or "" to clear. Changes nothing.
  QRVSetCostAccountSetviceAction(std::vector<engine::DocumentObject*> objects,
                                 const std::string& cost_account);
  QRVSetCostAccountSetviceAction(const QRVSetCostAccountSetviceAction&) = delete;
  QRVSetCostAccountSetviceAction& operator=(const QRVSetCostAccountSetviceAction&) = delete;

 protected:
  ~QRVSetCostAccountSetviceAction() override;
  // Neither uses |document|.
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;

 private:
  std::vector<engine::DocumentObject*> objects_;
  std::string cost_account_;
  std::map<engine::DocumentObject*, std::string> data_;  // Filled by redo.
  std::vector<engine::DocumentObject*> row_order_;       // Recorded rows, in replay order.
};

}  // namespace qrv
}  // namespace marrow
