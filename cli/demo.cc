#include "cli/demo.h"

#include <iostream>

#include "cli/accounts_command.h"
#include "cli/demo_sample.h"
#include "cli/document_printer.h"
#include "cli/match_command.h"
#include "cli/matching_sample.h"
#include "cli/op_runner.h"
#include "cli/ops_command.h"
#include "cli/support.h"
#include "reference_host/persist/atomic_file_writer.h"

namespace cli {
namespace {

void Heading(const std::string& title) {
  std::cout << "\n== " << title << " "
            << std::string(title.size() < 60 ? 60 - title.size() : 0, '=') << "\n\n";
}

bool WriteFiles(const reference_host::AppDocumentImpl& sample, const std::string& sample_path,
                const std::string& script_path) {
  std::string error;
  if (!sample_path.empty()) {
    error = SaveDocument(sample, sample_path);
    if (error.empty()) std::cout << "sample written to " << sample_path << '\n';
  }
  if (error.empty() && !script_path.empty()) {
    if (reference_host::WriteFileAtomically(script_path, DemoScriptText(), &error))
      std::cout << "script written to " << script_path << '\n';
  }
  if (error.empty()) return true;
  PrintError(error);
  return false;
}

// Reads |script| against |document|; the built-in scripts always fit the
// sample, so a problem here is the program's own fault.
std::vector<Op> ReadBuiltIn(const nlohmann::json& script,
                            const reference_host::AppDocumentImpl& document) {
  std::vector<Op> ops;
  std::vector<std::string> errors;
  if (!ReadOps(script, document, "", false, &ops, &errors))
    for (const std::string& error : errors)
      std::cerr << "internal error: demo script: " << error << '\n';
  return ops;
}

}  // namespace

int DemoCommand(const std::string& sample_path, const std::string& script_path) {
  std::unique_ptr<reference_host::AppDocumentImpl> document = BuildOfficeBuilding();
  if (!WriteFiles(*document, sample_path, script_path)) return kExitRefused;

  Heading("The sample estimate");
  PrintDocument(*document, std::cout);

  Heading("Cost account tree");
  PrintAccountTree(*document, std::cout);

  Heading("Collection, linking, undo and cost accounts");
  std::cout << "Each step runs through the library; collect, uncollect, modify-quantity and\n"
               "set-cost-account go on the undo stack, links do not.\n\n";
  OpRunner runner(document.get());
  RunAndReport(runner, *document, ReadBuiltIn(DemoScript(), *document), true, std::cout, std::cout);

  Heading("What the library refuses");
  std::cout << "cb-col-r represents ys-col-r by a link, so it takes no collected parts:\n\n";
  RunAndReport(runner, *document,
               ReadBuiltIn(nlohmann::json::parse(
                               R"([{"op": "collect", "cost": "cb-col-r", "budget": "ys-col-r",
                                                      "qty": 1}])"),
                           *document),
               true, std::cout, std::cout);

  Heading("Where costs are booked");
  std::string error;
  for (const char* id : {"ys-reb-steel", "ys-col-r", "e-c01b", "row-1", "b-col"})
    if (!PrintBooking(*document, id, std::cout, &error)) PrintError(error);
  std::cout << '\n';
  for (auto [id, code] :
       {std::pair{"ca-0201", "02"}, {"e-j01", "03"}, {"e-c01", "03"}, {"ys-reb-steel", "02"}})
    if (!PrintBelongs(*document, id, code, std::cout, &error)) PrintError(error);

  Heading("The estimate afterwards");
  PrintDocument(*document, std::cout);
  std::cout << "\nUndo stack: " << runner.stack().Index() << " step(s) applied";
  for (int i = 0; i < runner.stack().Count(); ++i)
    std::cout << (i ? "; " : ": ") << runner.stack().Text(i);
  std::cout << '\n';
  return MatchingDemo("");
}

int MatchingDemo(const std::string& sample_path) {
  std::unique_ptr<reference_host::AppDocumentImpl> harbour = BuildHarbourCentre();
  if (!sample_path.empty()) {
    const std::string error = SaveDocument(*harbour, sample_path);
    if (!error.empty()) {
      PrintError(error);
      return kExitRefused;
    }
    std::cout << "matching sample written to " << sample_path << '\n';
  }
  Heading("Matching budget resources to contract entries");
  std::cout << "The harbour centre's budget lines, grouped into distinct resources, next to\n"
               "the contract entries of both unit projects' forms (entries that stand for\n"
               "one master material merged).\n\n";
  RunMatchingDemo(harbour.get(), kHarbourRoot, HarbourGroups(), std::cout);
  return kExitOk;
}

}  // namespace cli
