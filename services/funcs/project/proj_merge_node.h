// The caller's description of one node of the sub-project tree a project
// merge is to produce. Built and owned by the caller, children included; the
// merge only reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrow {
namespace qrv {

struct ProjMergeNode {
  // Id of a sub-project of the current project; empty when the node names
  // none.
  std::string id;
  // Id of a sub-project of the source project; empty when the node names
  // none.
  std::string source_id;
  // Name given to the remaining sub-project.
  std::string name;
  // Which sub-project remains: 1 the current project's (id), 2 the source
  // project's (source_id).
  int32_t source_type = 1;
  // The costs of the two named sub-projects are merged.
  bool merge_fee = false;
  // Child nodes, in order; not owned.
  std::vector<ProjMergeNode*> children;
};

}  // namespace qrv
}  // namespace marrow
