// Merges a source cost project into the current one: validates the caller's
// node tree (naming the sub-projects that remain), merges the costs of each
// requested sub-project pair table by table, rebuilds the current project's
// sub-project tree and re-points cost-account and bill-stage references to
// the current project's own trees. Holds a non-owning pointer to the current
// project (may be null) and the id index that hands out the merge suffixes.
#pragma once

#include <string>

#include "funcs/project/id_index.h"
#include "funcs/project/proj_merge_node.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

class MARROW_QRV_EXPORT QRVProjectFunc {
 public:
  explicit QRVProjectFunc(engine::qrv::QRVProject* project);
  QRVProjectFunc(const QRVProjectFunc& other);
  QRVProjectFunc& operator=(const QRVProjectFunc& other);
  virtual ~QRVProjectFunc();

  // Runs the whole merge of |source| into the bound project as |root|
  // describes. True when every node passed validation (later stages then
  // run and their failures are only logged); false, with no cost merged and
  // the tree unchanged, when the arguments or a node were refused. A node
  // that is its own ancestor ends the merge like a null child (false, no
  // line). Objects move with a counted reference held; one the receiving
  // container refuses goes back where it was (docs/project_merge.md).
  bool ProjectMerge(engine::qrv::QRVProject* source, const ProjMergeNode* root);

  // The id index: sub-project id to suffix ("_1", "_2", ...). It is never
  // emptied, so it accumulates over every pair this object merges.
  const IdIndex& id_index() const { return id_index_; }

 private:
  // Cost merge of one pair.
  bool SubProjectMerge(engine::SubProject* from, engine::SubProject* into);
  bool WholeMerge(engine::SubProject* from, engine::SubProject* into);
  bool SingleMerge(engine::SubProject* from, engine::SubProject* into);
  bool UnitMerge(engine::SubProject* from, engine::SubProject* into);
  // Rebuilds the current project's sub-project tree from the node tree.
  bool MergeNewSubProject(engine::SubProject* current_root, engine::SubProject* source_root,
                          const ProjMergeNode* root);
  bool UseLocalCostAccountAndBillStage(const engine::qrv::QRVProject* source);

  // The id index.
  void AssignSuffixes(engine::SubProject* from, engine::SubProject* into);
  std::string GetSuffix(engine::SubProject* sub_project) const;
  void ParseIdIndex(const std::string& text);
  std::string IdIndexToJson();

  // Measure-item merges.
  bool WholeDJCSMerge(engine::SubProject* from, engine::SubProject* into);
  bool WholeZJCSDetailTable(engine::SubProject* from, engine::SubProject* into);
  bool WholeZJCSMerge(engine::SubProject* from, engine::SubProject* into);
  // Fee, overview and other-item merges.
  bool WholeGCGKMerge(engine::SubProject* from, engine::SubProject* into);
  bool WholeQTXMMerge(engine::SubProject* from, engine::SubProject* into);
  bool WholeJJFYMerge(engine::SubProject* from, engine::SubProject* into);
  bool WholeFYHZGFMerge(engine::SubProject* from, engine::SubProject* into);

  engine::qrv::QRVProject* project_;
  IdIndex id_index_;
};

}  // namespace qrv
}  // namespace marrow
