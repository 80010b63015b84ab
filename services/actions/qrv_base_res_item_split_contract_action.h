// Undoable split of cost lines off a contract-level entry onto a new entry
// next to it; undone by merging the lines back. Holds plain pointers only:
// the group keeps the split-off entry alive, the host the donor and lines.
#pragma once

#include <vector>

#include "host/app/undo_action.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Redo splits the lines off the donor (QRVBaseResItemFunc::SplitContract)
// and remembers the new entry, or null when the split was refused; each redo
// after an undo makes a new entry. Undo merges the lines back onto the donor
// and takes the split-off entry out of its group once it holds no line (one
// that has taken lines since stays, and stays remembered). Nothing is logged.
class MARROW_QRV_EXPORT QRVBaseResItemSplitContractAction : public app::UndoAction {
 public:
  QRVBaseResItemSplitContractAction(engine::qrv::QRVBaseResItem* donor,
                                    const std::vector<engine::qrv::QRVResItem*>& lines);

 protected:
  ~QRVBaseResItemSplitContractAction() override;
  // Neither uses |document|.
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;

 private:
  std::vector<engine::qrv::QRVResItem*> lines_;
  engine::qrv::QRVBaseResItem* split_item_ = nullptr;
  engine::qrv::QRVBaseResItem* donor_;
  // False once an undo's merge was refused; then nothing runs any more.
  bool ready_ = true;
};

}  // namespace qrv
}  // namespace marrow
