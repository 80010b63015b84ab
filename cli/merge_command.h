// The "merge" command: merges a source project into the current one as a
// node tree file describes (docs/project_merge.md), or writes a starting tree
// for a person to edit (--plan). Inputs are never modified; the result is
// written only when the merge ran, whole or not at all.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "funcs/project/proj_merge_node.h"
#include "reference_host/app/app_document_impl.h"

namespace cli {

struct MergeOptions {
  std::string current;
  std::string source;
  std::string tree;
  std::string out_path;
  bool plan = false;
  bool dry_run = false;
  bool compact = false;  // the merged document saved without indentation
};

void AddMergeCommand(CLI::App& app, MergeOptions& options, int& exit_code);

// Exit codes: 0 merged (or planned), 1 refused by the library or not
// written, 2 bad usage or input (a tree node that cannot be used is named).
int MergeCommand(const MergeOptions& options);

// A node tree read from JSON; owns every node.
struct MergeTree {
  std::vector<std::unique_ptr<marrow::qrv::ProjMergeNode>> nodes;
  marrow::qrv::ProjMergeNode* root() const { return nodes.empty() ? nullptr : nodes[0].get(); }
};

// Reads |text|; false with the failing node's path ("/children/1") and the
// reason in |error|.
bool ParseMergeTree(const std::string& text, MergeTree* tree, std::string* error);

// Both projects' sub-projects side by side under the current root, nothing
// merged: a starting tree for a person to edit.
std::string PlanMergeTree(const reference_host::AppDocumentImpl& current,
                          const reference_host::AppDocumentImpl& source);

// Checks every node against the two documents the way the merge will:
// ids that name sub-projects, source types, kinds of the pairs. False with
// the node's path and the reason in |error|.
bool CheckMergeTree(const MergeTree& tree, const reference_host::AppDocumentImpl& current,
                    const reference_host::AppDocumentImpl& source, std::string* error);

// Runs the merge, printing the pairs, the suffixes handed out, the library's
// lines (duplicate-id conflicts among them) and the rebuilt tree to |out|.
bool RunMerge(const MergeTree& tree, reference_host::AppDocumentImpl& current,
              reference_host::AppDocumentImpl& source, std::ostream& out);

}  // namespace cli
