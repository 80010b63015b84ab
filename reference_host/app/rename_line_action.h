// The application's undo step around a rename of a resource line. The rename
// itself is the library's (handed in as a function); the step remembers what
// it replaced, the line's entry, its collected copies' entries and any entry
// it added to the sub-project's summary, and puts that back on undo. Holds
// counted references to everything it remembers.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/app/undo_action.h"
#include "host/base/ref_counted.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_item_impl.h"

namespace reference_host {

class ResSummaryImpl;

class RenameLineAction : public app::UndoAction {
 public:
  using Rename = std::function<void(engine::ResItem* line, const std::string& name)>;

  // Changes nothing; a null line makes redo and undo do nothing.
  RenameLineAction(ResItemImpl* line, std::string name, Rename rename);
  RenameLineAction(const RenameLineAction&) = delete;
  RenameLineAction& operator=(const RenameLineAction&) = delete;

 protected:
  ~RenameLineAction() override;
  // Each redo runs the rename afresh; undo puts back what that redo replaced.
  void InternalRedo(app::AppDocument* document) override;
  void InternalUndo(app::AppDocument* document) override;

 private:
  scoped_refptr<ResItemImpl> line_;
  std::string name_;
  Rename rename_;
  // Filled by redo: the line and its copies with their entries before.
  std::vector<std::pair<scoped_refptr<ResItemImpl>, scoped_refptr<BaseResItemImpl>>> before_;
  ResSummaryImpl* summary_ = nullptr;
  scoped_refptr<BaseResItemImpl> added_;
};

}  // namespace reference_host
