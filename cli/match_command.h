// The "match" command: shows both sides of a budget-to-contract resource
// match with the links that exist and writes a pairing file for a person to
// edit (with explanations and suggestions on request), or applies a pairing
// file through the library and reports what changed.
#pragma once

#include <CLI/CLI.hpp>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace cli {

struct MatchOptions {
  std::string document;
  std::string sub_project;
  std::vector<std::string> groups;
  std::string out_path;  // the pairing (show) or the document (apply)
  std::string apply;     // a pairing file to apply
  bool in_place = false;
  bool compact = false;  // the document saved without indentation
  bool dry_run = false;
  bool json = false;
  bool explain = false;
  bool suggest = false;
  double accept_min_score = std::numeric_limits<double>::quiet_NaN();
};

// Registers "match" on |app|; the command's exit code lands in |exit_code|.
void AddMatchCommand(CLI::App& app, MatchOptions& options, int& exit_code);

// Exit codes: 0 done, 1 a file could not be written, 2 bad usage or input.
int MatchCommand(const MatchOptions& options);

// The demo's walk through one match on |document|: collect, explain,
// suggest, then apply the pairing the suggestions make.
void RunMatchingDemo(reference_host::AppDocumentImpl* document, const std::string& sub_project,
                     const std::vector<std::string>& groups, std::ostream& out);

}  // namespace cli
