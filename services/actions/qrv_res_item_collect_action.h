// Undoable collect of a quantity of a budget resource line into a cost
// resource line. Stores ids only; the undo stack owns the action by reference.
#pragma once

#include <string>

#include "host/app/undo_action.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Redo collects the quantity as a new part; undo releases every part of that
// budget line in that cost line, not only the one its redo made. Each run
// finds both lines again by id; a missing id, document or line makes the run
// do nothing. A product document is told of each collect and release.
class MARROW_QRV_EXPORT QRVResItemCollectAction : public app::UndoAction {
 public:
  // Records the ids of the lines (an empty id for a null pointer) and the
  // quantity; changes nothing.
  QRVResItemCollectAction(engine::qrv::QRVResItem* cost_item, engine::ResItem* budget_item,
                          double quantity);
  QRVResItemCollectAction(const QRVResItemCollectAction&) = delete;
  QRVResItemCollectAction& operator=(const QRVResItemCollectAction&) = delete;

 protected:
  ~QRVResItemCollectAction() override;
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;
  // Whether DeCollect may release |copy_item|; any copy here.
  virtual bool IsValid(engine::ResItem* copy_item) const;

  // Collects the stored quantity, then notifies (whatever the engine said).
  void Collect(app::AppDocument* document);
  // Releases the parts of the budget line that IsValid accepts, then notifies
  // unless the cost line had no parts at all.
  void DeCollect(app::AppDocument* document);

  std::string cost_item_id_;
  std::string budget_item_id_;
  double quantity_;
};

}  // namespace qrv
}  // namespace marrow
