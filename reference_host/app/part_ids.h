// Keeps collected parts reachable by the ids a user or a script has seen. The
// library makes a part anew as a new copy item when it undoes a release and
// each time it redoes a collect; the undo stack gives such a copy the id of
// the part it stands for, so an id once shown keeps naming "that part".
//
// PartWatch notes the parts one run of an undo step makes and releases;
// PartIdKeeper, one per step on the stack, renames what a later run makes.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/base/ref_counted.h"
#include "reference_host/model/estimate_document.h"
#include "reference_host/model/res_item_impl.h"

namespace app {
class AppDocument;
}  // namespace app

namespace reference_host {

// A part that entered or left a document, with the budget and cost lines its
// copy record names ("" for none). |item| is held only while watching.
struct PartChange {
  scoped_refptr<ResItemImpl> item;
  std::string id;
  std::string budget_id;
  std::string cost_id;
};

struct PartChanges {
  std::vector<PartChange> made;      // entered, in order
  std::vector<PartChange> released;  // left, in order
};

// Watches the engine document of |document| (when it is ours) while it
// lives; a watch made while another is active passes everything on to it.
class PartWatch : public CopyItemObserver {
 public:
  explicit PartWatch(app::AppDocument* document);
  PartWatch(const PartWatch&) = delete;
  PartWatch& operator=(const PartWatch&) = delete;
  ~PartWatch();

  // Ends the watch and gives what it saw.
  PartChanges Take();

  // CopyItemObserver:
  void CopyEntered(ResItemImpl* copy) override;
  void CopyLeft(ResItemImpl* copy) override;

 private:
  void Stop();

  EstimateDocument* document_ = nullptr;
  CopyItemObserver* outer_ = nullptr;
  PartChanges changes_;
};

// The ids one undo step's parts had, so that its later runs reuse them:
// - a part its undo makes takes the id of a part its last redo released
//   from the same budget and cost line (the latest released first): the
//   undo of a release gives the part back under its id;
// - a part its redo makes takes the id of the part its previous redo made
//   for the same lines (in order): a redone collect makes the part it made
//   the first time.
// A wanted id that another object holds by then is left alone; the part
// keeps its fresh id.
class PartIdKeeper {
 public:
  // After each redo, the first one too.
  void AfterRedo(EstimateDocument* document, const PartChanges& changes);
  void AfterUndo(EstimateDocument* document, const PartChanges& changes);

 private:
  using Lines = std::pair<std::string, std::string>;  // budget id, cost id
  // Ids by lines, each list in the order they are to be reused.
  using IdsByLines = std::map<Lines, std::vector<std::string>>;

  // Renames the parts in |made| still in |document| after |wanted|, taking
  // each wanted id once; gives the ids the parts have afterwards.
  static IdsByLines Rename(EstimateDocument* document, const std::vector<PartChange>& made,
                           IdsByLines wanted);

  IdsByLines made_by_redo_;
  IdsByLines released_by_redo_;
};

}  // namespace reference_host
