#include "cli/ops_command.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>

#include "cli/document_printer.h"
#include "cli/support.h"
#include "reference_host/persist/atomic_file_writer.h"
#include "reference_host/persist/document_json.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr char kStandardOutput[] = "-";

bool ToStandardOutput(const SaveOptions& save) {
  return !save.in_place && save.out_path == kStandardOutput;
}

// Where the result goes, or false with a usage error printed. The target is
// checked before anything runs, and again by the save.
bool CheckSaveOptions(const std::string& document_path, const SaveOptions& save,
                      std::string* target) {
  const int given = !save.out_path.empty() + save.in_place + save.dry_run;
  if (given != 1) {
    std::cerr << "error: give exactly one of -o OUT.json, --in-place or --dry-run\n";
    return false;
  }
  *target = save.in_place ? document_path : save.out_path;
  if (save.dry_run || ToStandardOutput(save)) return true;
  const std::string option = save.in_place ? "--in-place: " : "-o: ";
  const fs::path folder = fs::path(*target).parent_path();
  std::error_code ec;
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    PrintError(option + "folder " + folder.string() + " does not exist");
    return false;
  }
  std::string error;
  if (!reference_host::CheckSaveTarget(*target, &error)) {
    PrintError(option + error);
    return false;
  }
  return true;
}

// With "-o -" the document alone goes to standard output and every report
// to standard error.
int RunLoaded(reference_host::AppDocumentImpl& document, const std::vector<Op>& ops,
              const std::string& target, const SaveOptions& save) {
  OpRunner runner(&document);
  std::ostream& report = ToStandardOutput(save) ? std::cerr : std::cout;
  const int refused = RunAndReport(runner, document, ops, save.verbose, report, std::cerr);
  report << ops.size() << " operation" << (ops.size() == 1 ? "" : "s") << ": "
         << ops.size() - refused << " done, " << refused << " refused\n";
  if (save.dry_run) {
    report << "dry run: nothing written\n";
  } else if (ToStandardOutput(save)) {
    reference_host::SaveOptions options;
    options.compact = save.compact;
    std::cout << reference_host::SaveDocumentText(*document.document(), options) << std::flush;
    if (!std::cout) {
      PrintError("-o -: cannot write to standard output");
      return kExitRefused;
    }
    report << "written to standard output\n";
  } else {
    const std::string error = SaveDocument(document, target, save.compact);
    if (!error.empty()) {
      PrintError(error);
      return kExitRefused;
    }
    std::cout << "saved " << target << '\n';
  }
  return refused ? kExitRefused : kExitOk;
}

std::string NotificationText(const reference_host::CollectNotification& note) {
  return note.budget_item_id + (note.collected ? " collected into " : " released from ") +
         note.cost_item_id;
}

using OpsReader = std::function<bool(const reference_host::AppDocumentImpl& document,
                                     std::vector<Op>* ops, std::vector<std::string>* errors)>;

int RunOpsCommand(const std::string& document_path, const SaveOptions& save,
                  const OpsReader& read) {
  std::string target, error;
  if (!CheckSaveOptions(document_path, save, &target)) return kExitUsage;
  std::unique_ptr<reference_host::AppDocumentImpl> document = LoadDocument(document_path, &error);
  if (!document) {
    PrintError(error);
    return kExitUsage;
  }
  std::vector<Op> ops;
  std::vector<std::string> errors;
  if (!read(*document, &ops, &errors)) {
    for (const std::string& line : errors) PrintError(line);
    std::cerr << "nothing was run; the document is unchanged\n";
    return kExitUsage;
  }
  return RunLoaded(*document, ops, target, save);
}

}  // namespace

int RunAndReport(OpRunner& runner, const reference_host::AppDocumentImpl& document,
                 const std::vector<Op>& ops, bool verbose, std::ostream& out, std::ostream& err) {
  int refused = 0;
  for (const Op& op : ops) {
    const std::vector<std::string> objects =
        verbose ? runner.ObjectsOf(op) : std::vector<std::string>();
    std::vector<std::string> before;
    for (const std::string& id : objects) before.push_back(ObjectState(document, id));
    std::ostringstream shown;
    const OpOutcome outcome = runner.Run(op, shown);

    std::ostream& to = outcome.applied ? out : err;
    out.flush();
    to << (op.place.empty() ? "" : op.place + " ") << op.Describe() << ": "
       << (outcome.applied ? "done" : "refused")
       << (outcome.note.empty() ? "" : " (" + outcome.note + ")") << '\n';
    for (const std::string& message : outcome.messages) to << "    library: " << message << '\n';
    for (size_t i = 0; i < objects.size(); ++i) {
      to << "    before  " << before[i] << '\n';
      to << "    after   " << ObjectState(document, objects[i]) << '\n';
    }
    // The collection actions tell the document after every run, whatever
    // the engine answered; next to a refusal that line must not read as a
    // change.
    std::string refusal;
    if (!outcome.applied)
      refusal = outcome.messages.empty()
                    ? " (the engine refused; nothing changed)"
                    : " (the engine refused: " + outcome.messages.front() + ")";
    for (const auto& note : outcome.notifications)
      to << "    document told: " << NotificationText(note) << refusal << '\n';
    for (const std::string& id : outcome.merge_changed)
      to << "    document told: the merge state of " << id << " changed\n";
    to.flush();
    out << shown.str();
    refused += !outcome.applied;
  }
  return refused;
}

int RunScriptCommand(const std::string& document_path, const std::string& script_path,
                     const SaveOptions& save) {
  return RunOpsCommand(document_path, save,
                       [&](const reference_host::AppDocumentImpl& document, std::vector<Op>* ops,
                           std::vector<std::string>* errors) {
                         std::string text, error;
                         if (!ReadTextFile(script_path, &text, &error)) {
                           errors->push_back(error);
                           return false;
                         }
                         return ReadScript(text, script_path, document,
                                           fs::path(script_path).parent_path().string(), ops,
                                           errors);
                       });
}

int RunSingleOpCommand(const std::string& document_path, const nlohmann::json& op,
                       const SaveOptions& save) {
  return RunOpsCommand(document_path, save,
                       [&](const reference_host::AppDocumentImpl& document, std::vector<Op>* ops,
                           std::vector<std::string>* errors) {
                         return ReadOps(op, document, "", true, ops, errors);
                       });
}

}  // namespace cli
