// Undoable merge of contract-level entries: every cost line of the sources
// moves onto the target and the emptied sources leave their groups. Holds
// counted references to the target and the sources, so a source its group
// has dropped lives as long as the action.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "host/app/undo_action.h"
#include "host/base/ref_counted.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// The lines of each source are recorded when the action is built. Redo moves
// each source's recorded lines (from wherever they are attached then) onto the
// target, in source address order, and takes the source out of its group;
// undo puts each source back into the group it left and moves its recorded
// lines back to it. The caller keeps the lines alive and never names the
// target among the sources. Nothing is logged.
class MARROW_QRV_EXPORT QRVBaseResItemMergeContractAction : public app::UndoAction {
 public:
  // A source given twice is recorded once; null sources are passed over.
  QRVBaseResItemMergeContractAction(engine::qrv::QRVBaseResItem* target,
                                    const std::vector<engine::qrv::QRVBaseResItem*>& sources);

 protected:
  ~QRVBaseResItemMergeContractAction() override;
  // Neither uses |document|.
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;

 private:
  using EntryRef = scoped_refptr<engine::qrv::QRVBaseResItem>;
  // Orders references by the entries' addresses.
  struct ByAddress {
    bool operator()(const EntryRef& a, const EntryRef& b) const {
      return std::less<engine::qrv::QRVBaseResItem*>()(a.get(), b.get());
    }
  };

  EntryRef target_;
  std::map<EntryRef, std::vector<engine::qrv::QRVResItem*>, ByAddress> source_lines_;
  // Filled by redo: the group each source was taken out of.
  std::map<engine::qrv::QRVBaseResItem*, engine::qrv::QRVBaseResItemGroup*> source_groups_;
};

}  // namespace qrv
}  // namespace marrow
