// The "detail" command: the aggregated resource detail of a selection of
// bill items through the library, by amount, with the cumulative share and
// ABC classes; optionally as CSV (docs/matching.md).
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace cli {

struct DetailOptions {
  std::string document;
  std::vector<std::string> bills;
  bool design = false;  // budget lines instead of cost lines
  std::string csv_path;
};

void AddDetailCommand(CLI::App& app, DetailOptions& options, int& exit_code);

// Exit codes: 0 done, 1 the CSV could not be written, 2 bad usage or input.
int DetailCommand(const DetailOptions& options);

}  // namespace cli
