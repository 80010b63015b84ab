// The "demo" command: builds the sample, shows it, and walks through
// collection, linking, undo and cost accounts with the library.
#pragma once

#include <string>

namespace cli {

// Writes the sample document and the scenario script first when the paths
// are given. Exit codes: 0 done, 1 a file could not be written.
int DemoCommand(const std::string& sample_path, const std::string& script_path);

// The matching part of the demo, on the harbour sample (written to
// |sample_path| first when given).
int MatchingDemo(const std::string& sample_path);

}  // namespace cli
