// The project merge sample: the civil works and the installation works of
// one office building, priced apart, each with its own account tree, stages
// and cost tables; and the tree that merges them. Used by the demo and
// written to examples/.
#pragma once

#include <memory>
#include <string>

#include "reference_host/app/app_document_impl.h"

namespace cli {

std::unique_ptr<reference_host::AppDocumentImpl> BuildCivilWorks();
std::unique_ptr<reference_host::AppDocumentImpl> BuildInstallationWorks();
// The node tree (JSON text) that merges the installation works into the
// civil works.
std::string MergeSampleTree();

// Writes the two samples and the tree into |folder| (civil_works.json,
// installation_works.json, merge_tree.json) when it is not empty, then shows
// the plan, the dry run and the merged result. Exit codes: 0 done, 1 a file
// could not be written or the merge was refused.
int MergeDemo(const std::string& folder);

}  // namespace cli
