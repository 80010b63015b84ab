#include "cli/merge_command.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/log_tap.h"
#include "cli/support.h"
#include "funcs/project/qrv_func.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/persist/atomic_file_writer.h"

namespace cli {
namespace {

using json = nlohmann::json;
using marrow::qrv::ProjMergeNode;

std::string NodePath(const std::string& path) { return path.empty() ? "/" : path; }

bool ReadNode(const json& value, const std::string& path, MergeTree* tree, ProjMergeNode** made,
              std::string* error) {
  auto fail = [&](const std::string& why) {
    *error = "node " + NodePath(path) + ": " + why;
    return false;
  };
  if (!value.is_object()) return fail("expected an object");
  static const std::set<std::string> kKnown = {"id",          "source_id", "name",
                                               "source_type", "merge_fee", "children"};
  for (const auto& member : value.items())
    if (!kKnown.count(member.key())) return fail("unknown member '" + member.key() + "'");
  tree->nodes.push_back(std::make_unique<ProjMergeNode>());
  ProjMergeNode* node = tree->nodes.back().get();
  for (const char* key : {"id", "source_id", "name"}) {
    auto it = value.find(key);
    if (it == value.end()) continue;
    if (!it->is_string()) return fail("'" + std::string(key) + "' must be a text");
    std::string text = it->get<std::string>();
    if (std::string(key) == "id") node->id = text;
    if (std::string(key) == "source_id") node->source_id = text;
    if (std::string(key) == "name") node->name = text;
  }
  if (auto it = value.find("source_type"); it != value.end()) {
    if (!it->is_number_integer() || (it->get<int64_t>() != 1 && it->get<int64_t>() != 2))
      return fail("'source_type' must be 1 (current) or 2 (source)");
    node->source_type = static_cast<int32_t>(it->get<int64_t>());
  }
  if (auto it = value.find("merge_fee"); it != value.end()) {
    if (!it->is_boolean()) return fail("'merge_fee' must be true or false");
    node->merge_fee = it->get<bool>();
  }
  if (auto it = value.find("children"); it != value.end()) {
    if (!it->is_array()) return fail("'children' must be an array");
    for (size_t i = 0; i < it->size(); ++i) {
      ProjMergeNode* child = nullptr;
      if (!ReadNode((*it)[i], path + "/children/" + std::to_string(i), tree, &child, error))
        return false;
      node->children.push_back(child);
    }
  }
  *made = node;
  return true;
}

json PlanNode(const reference_host::SubProjectImpl& sub_project, bool from_source) {
  json node = json::object();
  node[from_source ? "source_id" : "id"] = sub_project.GetId();
  node["name"] = sub_project.GetName();
  node["source_type"] = from_source ? 2 : 1;
  node["merge_fee"] = false;
  json children = json::array();
  for (int i = 0; i < sub_project.GetChildCount(); ++i)
    children.push_back(PlanNode(*sub_project.GetChild(i), from_source));
  node["children"] = children;
  return node;
}

reference_host::SubProjectImpl* RootOf(const reference_host::AppDocumentImpl& document) {
  reference_host::ProjectImpl* project = document.document()->project();
  return project ? project->GetRootSubProject() : nullptr;
}

void PrintTree(const reference_host::SubProjectImpl& sub_project, int depth, std::ostream& out) {
  out << std::string(depth * 2 + 2, ' ') << sub_project.GetName() << " (" << sub_project.GetId()
      << ", kind " << sub_project.GetKind() << ")\n";
  for (int i = 0; i < sub_project.GetChildCount(); ++i)
    PrintTree(*sub_project.GetChild(i), depth + 1, out);
}

void Flatten(const ProjMergeNode* node, std::vector<const ProjMergeNode*>& list) {
  list.push_back(node);
  for (const ProjMergeNode* child : node->children) Flatten(child, list);
}

}  // namespace

bool ParseMergeTree(const std::string& text, MergeTree* tree, std::string* error) {
  json value;
  try {
    value = json::parse(text);
  } catch (const json::parse_error& parse_error) {
    *error = parse_error.what();
    return false;
  }
  ProjMergeNode* root = nullptr;
  return ReadNode(value, "", tree, &root, error);
}

std::string PlanMergeTree(const reference_host::AppDocumentImpl& current,
                          const reference_host::AppDocumentImpl& source) {
  const reference_host::SubProjectImpl* current_root = RootOf(current);
  const reference_host::SubProjectImpl* source_root = RootOf(source);
  if (!current_root) return "{}\n";
  json root = PlanNode(*current_root, false);
  if (source_root) {
    root["source_id"] = source_root->GetId();
    for (int i = 0; i < source_root->GetChildCount(); ++i)
      root["children"].push_back(PlanNode(*source_root->GetChild(i), true));
  }
  return root.dump(2) + "\n";
}

bool CheckMergeTree(const MergeTree& tree, const reference_host::AppDocumentImpl& current,
                    const reference_host::AppDocumentImpl& source, std::string* error) {
  // Node paths in the same pre-order as the merge walks them.
  std::vector<std::pair<const ProjMergeNode*, std::string>> nodes;
  std::vector<std::pair<const ProjMergeNode*, std::string>> pending{{tree.root(), ""}};
  while (!pending.empty()) {
    auto [node, path] = pending.back();
    pending.pop_back();
    nodes.emplace_back(node, path);
    for (size_t i = node->children.size(); i-- > 0;)
      pending.emplace_back(node->children[i], path + "/children/" + std::to_string(i));
  }
  std::set<std::string> named;
  for (const auto& entry : nodes) {
    const ProjMergeNode* node = entry.first;
    const std::string& path = entry.second;
    auto fail = [&](const std::string& why) {
      *error = "node " + NodePath(path) + ": " + why;
      return false;
    };
    auto* mine = current.document()->Find<reference_host::SubProjectImpl>(node->id);
    auto* theirs = source.document()->Find<reference_host::SubProjectImpl>(node->source_id);
    if (!node->id.empty() && !mine)
      return fail("'" + node->id + "' is no sub-project of the current project");
    if (!node->source_id.empty() && !theirs)
      return fail("'" + node->source_id + "' is no sub-project of the source project");
    const std::string& kept = node->source_type == 1 ? node->id : node->source_id;
    if (kept.empty()) return fail("names no sub-project to keep");
    if (!named.insert((node->source_type == 1 ? "current:" : "source:") + kept).second)
      return fail("'" + kept + "' is kept by an earlier node already");
    if (node->merge_fee && (!mine || !theirs))
      return fail("merge_fee needs both 'id' and 'source_id'");
    if (node->merge_fee && mine->GetKind() != theirs->GetKind())
      return fail("merge_fee needs sub-projects of one kind (" + std::to_string(mine->GetKind()) +
                  " and " + std::to_string(theirs->GetKind()) + ")");
  }
  return true;
}

bool RunMerge(const MergeTree& tree, reference_host::AppDocumentImpl& current,
              reference_host::AppDocumentImpl& source, std::ostream& out) {
  std::vector<const ProjMergeNode*> nodes;
  Flatten(tree.root(), nodes);
  out << "pairs merged (from -> into, in this order):\n";
  int pairs = 0;
  for (const ProjMergeNode* node : nodes) {
    if (!node->merge_fee) continue;
    ++pairs;
    if (node->source_type == 1)
      out << "  source " << node->source_id << " -> current " << node->id << "\n";
    else
      out << "  current " << node->id << " -> source " << node->source_id << "\n";
  }
  if (pairs == 0) out << "  (none)\n";

  marrow::qrv::QRVProjectFunc func(current.document()->project());
  LogTap tap;
  bool merged = func.ProjectMerge(source.document()->project(), tree.root());
  out << "suffixes:\n";
  for (const auto& [id, suffix] : func.id_index()) out << "  " << id << " " << suffix << "\n";
  if (func.id_index().empty()) out << "  (none)\n";
  out << "library lines:\n";
  for (const std::string& line : tap.lines()) out << "  " << line << "\n";
  if (tap.lines().empty()) out << "  (none)\n";
  if (!merged) return false;
  out << "rebuilt tree:\n";
  if (const reference_host::SubProjectImpl* root = RootOf(current)) PrintTree(*root, 0, out);
  return true;
}

int MergeCommand(const MergeOptions& options) {
  std::string error;
  auto current = LoadDocument(options.current, &error);
  if (!current) {
    PrintError(error);
    return kExitUsage;
  }
  auto source = LoadDocument(options.source, &error);
  if (!source) {
    PrintError(error);
    return kExitUsage;
  }
  if (options.plan) {
    std::string plan = PlanMergeTree(*current, *source);
    if (options.out_path.empty() || options.out_path == "-") {
      std::cout << plan;
      return kExitOk;
    }
    if (!reference_host::WriteFileAtomically(options.out_path, plan, &error)) {
      PrintError(error);
      return kExitRefused;
    }
    return kExitOk;
  }
  std::string text;
  if (!ReadTextFile(options.tree, &text, &error)) {
    PrintError(error);
    return kExitUsage;
  }
  MergeTree tree;
  if (!ParseMergeTree(text, &tree, &error) || !CheckMergeTree(tree, *current, *source, &error)) {
    PrintError(options.tree + ": " + error);
    return kExitUsage;
  }
  if (!RunMerge(tree, *current, *source, std::cout)) {
    PrintError("the library refused the tree; nothing was written");
    return kExitRefused;
  }
  if (options.dry_run) {
    std::cout << "dry run: nothing written\n";
    return kExitOk;
  }
  std::string failure = SaveDocument(*current, options.out_path, options.compact);
  if (!failure.empty()) {
    PrintError(failure);
    return kExitRefused;
  }
  std::cout << "written: " << options.out_path << "\n";
  return kExitOk;
}

void AddMergeCommand(CLI::App& app, MergeOptions& options, int& exit_code) {
  CLI::App* command =
      app.add_subcommand("merge",
                         "Merge the SOURCE project into the CURRENT one as a node tree describes "
                         "(docs/project_merge.md); --plan writes a starting tree.");
  command->add_option("CURRENT", options.current, "current project (JSON file)")->required();
  command->add_option("SOURCE", options.source, "source project (JSON file)")->required();
  CLI::Option* tree = command->add_option("--tree", options.tree, "node tree (JSON file)");
  CLI::Option* plan =
      command->add_flag("--plan", options.plan, "write a starting tree instead of merging");
  CLI::Option* out = command->add_option("-o,--output", options.out_path,
                                         "where the merged document (or the plan) goes");
  CLI::Option* dry_run = command->add_flag(
      "--dry-run", options.dry_run, "validate and show pairs, suffixes and tree; write nothing");
  CLI::Option* compact = command->add_flag(
      "--compact", options.compact, "save the merged document without indentation or spaces");
  tree->excludes(plan);
  dry_run->excludes(plan)->excludes(out);
  compact->excludes(plan)->excludes(dry_run);
  command->callback([&options, &exit_code, tree, out, dry_run] {
    if (!options.plan && !tree->count()) {
      PrintError("merge needs --tree (or --plan)");
      exit_code = kExitUsage;
      return;
    }
    if (!options.plan && !dry_run->count() && !out->count()) {
      PrintError("merge needs -o OUT.json (or --dry-run)");
      exit_code = kExitUsage;
      return;
    }
    exit_code = MergeCommand(options);
  });
}

}  // namespace cli
