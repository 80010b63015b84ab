// marrow-qrv: command-line wiring only; each command lives in its own unit.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <list>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/accounts_command.h"
#include "cli/demo.h"
#include "cli/detail_command.h"
#include "cli/document_printer.h"
#include "cli/match_command.h"
#include "cli/merge_command.h"
#include "cli/merge_sample.h"
#include "cli/op_script.h"
#include "cli/ops_command.h"
#include "cli/support.h"

namespace {

constexpr const char* kFooter =
    "Exit codes: 0 success; 1 an operation was refused or a file could not be written; 2 bad usage "
    "or input.\n"
    "collect, uncollect, modify-quantity, set-cost-account, merge-contract, split-contract, "
    "copy-from,\n"
    "merge-changed and rename are undoable (undo/redo in scripts); link, link-group, unlink and "
    "repoint\n"
    "are not. Library log lines go to the log folder beside the "
    "library.";

void AddSaveOptions(CLI::App* command, cli::SaveOptions& save) {
  CLI::Option* out = command->add_option(
      "-o,--output", save.out_path,
      "write the result here (a regular file or a link to one; - for standard output)");
  CLI::Option* in_place =
      command->add_flag("--in-place", save.in_place, "write the result back to DOC");
  CLI::Option* dry_run =
      command->add_flag("--dry-run", save.dry_run, "run and report, write nothing");
  out->excludes(in_place)->excludes(dry_run);
  in_place->excludes(dry_run);
  command->add_flag("--compact", save.compact,
                    "save without indentation or spaces (smaller; loads as the indented form)");
  command->add_flag("-v,--verbose", save.verbose,
                    "show the state of the touched objects before and after");
}

// One command per operation that makes sense alone; it builds the same
// operation object a script would hold.
struct OpCommand {
  std::string document;
  std::map<std::string, std::string> texts;
  std::map<std::string, std::vector<std::string>> lists;
  double number = 0;
  cli::SaveOptions save;
};

void AddOpCommand(CLI::App& app, const cli::OpRule& rule, OpCommand& state, int& exit_code) {
  CLI::App* command = app.add_subcommand(rule.name, rule.help);
  command->add_option("DOC", state.document, "document (JSON file)")->required();
  for (const cli::MemberRule& member : rule.members) {
    const std::string flag = std::string("--") + member.name;
    CLI::Option* option;
    switch (member.type) {
      case cli::MemberRule::Type::kNumber:
        option = command->add_option(flag, state.number, member.help);
        break;
      case cli::MemberRule::Type::kIdList:
        option = command->add_option(flag, state.lists[member.name], member.help)->delimiter(',');
        break;
      default:
        option = command->add_option(flag, state.texts[member.name], member.help);
        break;
    }
    if (member.required) option->required();
  }
  AddSaveOptions(command, state.save);
  command->callback([&rule, &state, &exit_code, command] {
    nlohmann::json op = {{"op", rule.name}};
    for (const cli::MemberRule& member : rule.members) {
      if (!command->count(std::string("--") + member.name)) continue;
      switch (member.type) {
        case cli::MemberRule::Type::kNumber:
          op[member.name] = state.number;
          break;
        case cli::MemberRule::Type::kIdList:
          op[member.name] = state.lists[member.name];
          break;
        default:
          op[member.name] = state.texts[member.name];
          break;
      }
    }
    exit_code = cli::RunSingleOpCommand(state.document, op, state.save);
  });
}

}  // namespace

int main(int argc, char** argv) {
  cli::QuietLogging();
  int exit_code = cli::kExitOk;

  CLI::App app("marrow-qrv: read, change and demonstrate cost estimate documents", "marrow-qrv");
  app.require_subcommand(1);
  app.footer(kFooter);

  std::string show_document;
  bool show_json = false;
  CLI::App* show =
      app.add_subcommand("show",
                         "Print the project: sub-projects, bills and resource lines with "
                         "their quantities, links, parts and cost accounts.");
  show->add_option("DOC", show_document, "document (JSON file)")->required();
  show->add_flag("--json", show_json, "print the same content as JSON");
  show->callback([&] { exit_code = cli::ShowCommand(show_document, show_json); });

  std::string sample_path, script_path, contract_script_path;
  CLI::App* demo = app.add_subcommand("demo",
                                      "Build the built-in office building sample, show it and walk "
                                      "through collection, linking, undo and cost accounts.");
  demo->add_option("--write-sample", sample_path, "also save the sample document here");
  demo->add_option("--write-script", script_path, "also save the demo's operation script here");
  demo->add_option("--write-contract-script", contract_script_path,
                   "also save the demo's contract entry script here");
  std::string matching_sample_path;
  demo->add_option("--write-matching-sample", matching_sample_path,
                   "only save the matching sample here and walk through matching");
  bool merge_demo = false;
  std::string merge_folder;
  demo->add_flag("--merge", merge_demo, "only walk through merging two projects");
  demo->add_option("--write-merge-samples", merge_folder,
                   "with --merge: save the two merge samples and their tree into this folder");
  demo->callback([&] {
    if (merge_demo) {
      exit_code = cli::MergeDemo(merge_folder);
      return;
    }
    exit_code = matching_sample_path.empty()
                    ? cli::DemoCommand(sample_path, script_path, contract_script_path)
                    : cli::MatchingDemo(matching_sample_path);
  });

  std::string run_document, run_script;
  cli::SaveOptions run_save;
  CLI::App* run =
      app.add_subcommand("run",
                         "Run a script of operations (a JSON array; see docs/cli.md). The "
                         "whole script is checked before anything changes.");
  run->add_option("DOC", run_document, "document (JSON file)")->required();
  run->add_option("OPS", run_script, "operation script (JSON file)")->required();
  AddSaveOptions(run, run_save);
  run->callback([&] { exit_code = cli::RunScriptCommand(run_document, run_script, run_save); });

  std::list<OpCommand> op_commands;  // stable addresses for the option bindings
  for (const cli::OpRule& rule : cli::OpRules())
    if (rule.shell) AddOpCommand(app, rule, op_commands.emplace_back(), exit_code);

  std::string accounts_document, of_id;
  std::vector<std::string> belongs;
  CLI::App* accounts =
      app.add_subcommand("accounts",
                         "Print the cost account tree with positions and paths, or "
                         "answer where an object is booked.");
  accounts->add_option("DOC", accounts_document, "document (JSON file)")->required();
  accounts->add_option("--of", of_id, "which cost accounts the object with this id is booked to");
  accounts->add_option("--belongs", belongs, "whether object ID lies under the account with CODE")
      ->expected(2)
      ->type_name("ID CODE");
  accounts->callback([&] { exit_code = cli::AccountsCommand(accounts_document, of_id, belongs); });

  cli::MatchOptions match_options;
  cli::AddMatchCommand(app, match_options, exit_code);
  cli::DetailOptions detail_options;
  cli::AddDetailCommand(app, detail_options, exit_code);
  cli::MergeOptions merge_options;
  cli::AddMergeCommand(app, merge_options, exit_code);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? cli::kExitOk : cli::kExitUsage;
  } catch (const std::exception& error) {
    std::cerr << "internal error: " << error.what() << '\n';
    return cli::kExitRefused;
  }
  return exit_code;
}
