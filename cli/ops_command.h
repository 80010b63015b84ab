// The commands that change a document: "run" with a script and the one-op
// commands ("collect", "link", ...). Both load the document, read and check
// every op first, run them, report, and save.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "cli/op_runner.h"
#include "cli/op_script.h"

namespace cli {

struct SaveOptions {
  std::string out_path;  // -o
  bool in_place = false;
  bool dry_run = false;
  bool verbose = false;  // states before and after each op
  bool compact = false;  // --compact: saved without indentation
};

// Runs |ops| in order, reporting each (refusals to |err|). Returns how many
// were refused.
int RunAndReport(OpRunner& runner, const reference_host::AppDocumentImpl& document,
                 const std::vector<Op>& ops, bool verbose, std::ostream& out, std::ostream& err);

// Exit codes: 0 all done, 1 some op refused or the save failed, 2 bad input.
int RunScriptCommand(const std::string& document_path, const std::string& script_path,
                     const SaveOptions& save);
// |op| is one operation object, as the shell options built it.
int RunSingleOpCommand(const std::string& document_path, const nlohmann::json& op,
                       const SaveOptions& save);

}  // namespace cli
