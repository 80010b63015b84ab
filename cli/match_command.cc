#include "cli/match_command.h"

#include <cmath>
#include <iomanip>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "beans/qrv_resitem.h"
#include "cli/match_explain.h"
#include "cli/match_session.h"
#include "cli/pairing_file.h"
#include "cli/support.h"
#include "cli/text_table.h"
#include "funcs/rcj_matching/qrv_building_rcj.h"
#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/persist/atomic_file_writer.h"

namespace cli {
namespace {

using json = nlohmann::json;

// What the demo accepts: the same code and name, whatever the unit.
constexpr int kDemoMinScore = 80;

std::string Joined(const std::vector<std::string>& texts, const char* separator = ", ") {
  std::string out;
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? separator : "") + texts[i];
  return out;
}

std::string QuantityText(double quantity) { return std::isnan(quantity) ? "-" : Num(quantity); }

json QuantityJson(double quantity) { return std::isnan(quantity) ? json(nullptr) : json(quantity); }

void PrintSides(const MatchSession& session, std::ostream& out) {
  const auto& context = session.context();
  out << "Contract side: " << context.merged_items.size() << " merged entr"
      << (context.merged_items.size() == 1 ? "y" : "ies") << "\n";
  TextTable contract({"entry", "code", "name", "model", "unit", "quantity", "sources"});
  contract.SetAlign(5, TextTable::Align::kRight);
  for (const MergedItemRef& merged : context.merged_items) {
    const ResourceText text = DescribeMerged(merged);
    contract.AddRow({session.NameOf(merged), text.code, text.name, text.model, text.unit,
                     QuantityText(QuantityOf(merged)), Joined(SourceIds(context, merged))});
  }
  contract.Print(out, "  ");
  out << "\nBudget side: " << context.summaries.size() << " summar"
      << (context.summaries.size() == 1 ? "y" : "ies") << "\n";
  TextTable budget({"summary", "code", "name", "model", "unit", "type", "quantity", "lines"});
  budget.SetAlign(6, TextTable::Align::kRight);
  for (const SummaryRef& summary : context.summaries) {
    const ResourceText text = DescribeSummary(summary);
    budget.AddRow({session.NameOf(summary), text.code, text.name, text.model, text.unit, text.type,
                   QuantityText(QuantityOf(summary)), Joined(MemberIds(summary))});
  }
  budget.Print(out, "  ");
}

void PrintLinks(const MatchSession& session, const marrow::qrv::MatchLinks& links,
                const std::string& title, std::ostream& out) {
  out << "\n" << title << ":\n";
  const Pairing pairing = PairingFromLinks(session, links);
  if (pairing.pairs.empty()) out << "  (none)\n";
  for (const Pairing::Pair& pair : pairing.pairs)
    out << "  " << pair.entry << " <- " << Joined(pair.summaries) << "\n";
}

void PrintExplanations(const MatchSession& session, std::ostream& out) {
  out << "\nWhy alike summaries are not one resource:\n";
  const std::vector<Apart> apart = ExplainApart(session);
  if (apart.empty()) out << "  (no two summaries share a code or a name)\n";
  for (const Apart& pair : apart)
    out << "  " << pair.first << " / " << pair.second << ": " << Joined(pair.reasons, "; ") << "\n";
  const std::vector<LeftOut> left_out = ExplainLeftOut(session);
  out << "\nBudget lines that take no part:\n";
  if (left_out.empty()) out << "  (none)\n";
  for (const LeftOut& line : left_out) out << "  " << line.line << ": " << line.reason << "\n";
}

void PrintSuggestions(const MatchSession& session, const std::vector<Suggestion>& suggestions,
                      std::ostream& out) {
  out << "\nSuggestions for unpaired summaries:\n";
  if (suggestions.empty()) out << "  (every summary is paired)\n";
  for (const Suggestion& suggestion : suggestions) {
    const ResourceText text = DescribeSummary(suggestion.summary);
    out << "  " << session.NameOf(suggestion.summary) << " (" << text.code << " " << text.name
        << "):";
    if (suggestion.candidates.empty()) out << " no candidate";
    out << "\n";
    for (const Candidate& candidate : suggestion.candidates)
      out << "    " << std::setw(3) << candidate.score << "  " << session.NameOf(candidate.entry)
          << "  " << candidate.reason << "\n";
  }
}

json SidesJson(const MatchSession& session) {
  const auto& context = session.context();
  json contract = json::array();
  for (const MergedItemRef& merged : context.merged_items) {
    const ResourceText text = DescribeMerged(merged);
    contract.push_back({{"entry", session.NameOf(merged)},
                        {"code", text.code},
                        {"name", text.name},
                        {"model", text.model},
                        {"unit", text.unit},
                        {"quantity", QuantityJson(QuantityOf(merged))},
                        {"sources", SourceIds(context, merged)}});
  }
  json budget = json::array();
  for (const SummaryRef& summary : context.summaries) {
    const ResourceText text = DescribeSummary(summary);
    budget.push_back({{"summary", session.NameOf(summary)},
                      {"code", text.code},
                      {"name", text.name},
                      {"model", text.model},
                      {"unit", text.unit},
                      {"type", text.type},
                      {"quantity", QuantityJson(QuantityOf(summary))},
                      {"lines", MemberIds(summary)}});
  }
  return {{"contract", contract}, {"budget", budget}};
}

json PairsJson(const Pairing& pairing) {
  json pairs = json::array();
  for (const Pairing::Pair& pair : pairing.pairs)
    pairs.push_back({{"entry", pair.entry}, {"summaries", pair.summaries}});
  return pairs;
}

// Adds to |wanted| the best candidate of each suggestion scoring at least
// |min_score|; returns how many.
int Accept(const std::vector<Suggestion>& suggestions, double min_score,
           marrow::qrv::MatchLinks& wanted) {
  int accepted = 0;
  for (const Suggestion& suggestion : suggestions) {
    if (suggestion.candidates.empty()) continue;
    const Candidate& best = suggestion.candidates.front();
    if (best.score < min_score) continue;
    wanted[best.entry].insert(suggestion.summary);
    ++accepted;
  }
  return accepted;
}

int ShowMatch(const MatchOptions& options) {
  std::string error;
  std::unique_ptr<reference_host::AppDocumentImpl> document =
      LoadDocument(options.document, &error);
  if (!document) {
    PrintError(error);
    return kExitUsage;
  }
  std::unique_ptr<MatchSession> session =
      MatchSession::Open(document.get(), options.sub_project, options.groups, &error);
  if (!session) {
    PrintError(error);
    return kExitUsage;
  }
  marrow::qrv::MatchLinks pairing_links = session->context().current_links;
  const bool accepting = !std::isnan(options.accept_min_score);
  std::vector<Suggestion> suggestions;
  if (options.suggest || accepting) suggestions = Suggest(*session, pairing_links);
  const int accepted = accepting ? Accept(suggestions, options.accept_min_score, pairing_links) : 0;
  const Pairing pairing = PairingFromLinks(*session, pairing_links);

  if (options.json) {
    json out = SidesJson(*session);
    out["subProject"] = options.sub_project;
    out["groups"] = options.groups;
    out["currentLinks"] = PairsJson(PairingFromLinks(*session, session->context().current_links));
    if (options.explain) {
      json apart = json::array();
      for (const Apart& pair : ExplainApart(*session))
        apart.push_back({{"summaries", {pair.first, pair.second}}, {"reasons", pair.reasons}});
      json left_out = json::array();
      for (const LeftOut& line : ExplainLeftOut(*session))
        left_out.push_back({{"line", line.line}, {"reason", line.reason}});
      out["explain"] = {{"apart", apart}, {"leftOut", left_out}};
    }
    if (options.suggest) {
      json list = json::array();
      for (const Suggestion& suggestion : suggestions) {
        json candidates = json::array();
        for (const Candidate& candidate : suggestion.candidates)
          candidates.push_back({{"entry", session->NameOf(candidate.entry)},
                                {"score", candidate.score},
                                {"reason", candidate.reason}});
        list.push_back(
            {{"summary", session->NameOf(suggestion.summary)}, {"candidates", candidates}});
      }
      out["suggest"] = list;
    }
    if (accepting) out["pairing"] = PairsJson(pairing);
    std::cout << out.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
  } else {
    std::cout << "Matching sub-project " << options.sub_project << " with contract groups "
              << Joined(options.groups) << "\n\n";
    PrintSides(*session, std::cout);
    PrintLinks(*session, session->context().current_links, "Current links", std::cout);
    if (options.explain) PrintExplanations(*session, std::cout);
    if (options.suggest) PrintSuggestions(*session, suggestions, std::cout);
    if (accepting) {
      std::cout << "\nAccepted " << accepted << " suggestion(s) scoring at least "
                << Num(options.accept_min_score) << "\n";
      PrintLinks(*session, pairing_links, "Pairing written", std::cout);
    }
  }
  if (options.out_path.empty()) return kExitOk;
  if (!reference_host::WriteFileAtomically(options.out_path, PairingText(pairing), &error)) {
    PrintError(error);
    return kExitRefused;
  }
  if (!options.json)
    std::cout << "\npairing written to " << options.out_path << " (" << pairing.pairs.size()
              << " entr" << (pairing.pairs.size() == 1 ? "y" : "ies") << ")\n";
  return kExitOk;
}

// What the cost side shows of each budget line of the scope.
struct LineState {
  std::set<std::string> linked_to;               // cost line ids
  std::map<std::string, double> collected_into;  // cost line id -> quantity
};
struct Snapshot {
  std::map<std::string, LineState> lines;
  std::set<std::string> cost_lines;  // of the bills those lines stand in
};

reference_host::SubEngineeringImpl* OwnerBill(engine::ResItem* line) {
  return dynamic_cast<reference_host::SubEngineeringImpl*>(
      marrow::qrv::QRVResItemBean(line).GetOwnerBill());
}

Snapshot Take(const MatchSession& session) {
  Snapshot snapshot;
  for (engine::ResItem* line : session.BudgetLines()) {
    LineState& state = snapshot.lines[line->GetId()];
    if (reference_host::SubEngineeringImpl* bill = OwnerBill(line)) {
      if (const reference_host::ResItemListImpl* list = bill->cost_list()) {
        for (int i = 0; i < list->size(); ++i) {
          reference_host::ResItemImpl* cost = list->item(i);
          snapshot.cost_lines.insert(cost->GetId());
          if (cost->IsLinkedTo(line)) state.linked_to.insert(cost->GetId());
        }
      }
    }
    auto* facet = dynamic_cast<engine::qrv::QRVResItem*>(line);
    auto* templete =
        facet ? dynamic_cast<engine::qrv::QRVResCollectTemplete*>(facet->GetCollect()) : nullptr;
    if (!templete) continue;
    std::vector<engine::ResItem*> copies;
    templete->GetCopies(copies);
    for (engine::ResItem* copy : copies) {
      auto* copy_facet = dynamic_cast<engine::qrv::QRVResItem*>(copy);
      auto* record = copy_facet
                         ? dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy_facet->GetCollect())
                         : nullptr;
      double quantity = 0.0;
      if (record && record->GetCBResItem() && copy->GetQuantity(quantity))
        state.collected_into[record->GetCBResItem()->GetId()] += quantity;
    }
  }
  return snapshot;
}

std::string EntryOf(const reference_host::AppDocumentImpl& document, const std::string& cost_id) {
  auto* cost = document.Find<engine::qrv::QRVResItem>(cost_id);
  engine::qrv::QRVBaseResItem* entry = cost ? cost->GetBaseResItem() : nullptr;
  return entry ? entry->GetId() : std::string("no entry");
}

void Report(const MatchSession& session, const Snapshot& before, const Snapshot& after,
            std::ostream& out) {
  const reference_host::AppDocumentImpl& document = session.document();
  int changes = 0;
  auto fresh = [&](const std::string& cost_id) {
    return before.cost_lines.count(cost_id) ? "" : "new ";
  };
  for (const auto& [line, was] : before.lines) {
    const LineState& now = after.lines.at(line);
    for (const std::string& cost : was.linked_to)
      if (!now.linked_to.count(cost)) {
        out << "released  " << line << " from " << cost << " (" << EntryOf(document, cost) << ")\n";
        ++changes;
      }
  }
  for (const auto& [line, now] : after.lines) {
    const LineState& was = before.lines.at(line);
    for (const std::string& cost : now.linked_to)
      if (!was.linked_to.count(cost)) {
        out << "linked    " << line << " to " << fresh(cost) << "cost line " << cost << " ("
            << EntryOf(document, cost) << ")\n";
        ++changes;
      }
    for (const auto& [cost, quantity] : now.collected_into) {
      auto old = was.collected_into.find(cost);
      const double added = quantity - (old == was.collected_into.end() ? 0.0 : old->second);
      if (std::fabs(added) < 1e-9) continue;
      out << "collected " << line << " " << Num(added) << " into " << fresh(cost) << "cost line "
          << cost << " (" << EntryOf(document, cost) << ")\n";
      ++changes;
    }
  }
  // Each new linked cost line whose budget unit is not the contract unit.
  for (const std::string& cost_id : after.cost_lines) {
    if (before.cost_lines.count(cost_id)) continue;
    auto* cost = document.Find<reference_host::ResItemImpl>(cost_id);
    if (!cost || cost->linked_ids().empty() || !cost->GetBaseResItem()) continue;
    auto* budget = document.Find<engine::ResItem>(cost->linked_ids().front());
    engine::BaseResItem* budget_entry = budget ? budget->GetBaseResItem() : nullptr;
    const std::string budget_unit = budget_entry ? budget_entry->GetUnit() : "";
    const std::string cost_unit = cost->GetBaseResItem()->GetUnit();
    if (budget_unit == cost_unit) continue;
    out << "unit      " << cost_id << ": " << budget_unit << " -> " << cost_unit << ", "
        << (cost->GetContent().empty() ? "no conversion known, content cleared"
                                       : "content " + cost->GetContent())
        << "\n";
  }
  if (changes == 0) out << "nothing to release or build: the pairing is what exists\n";
}

int ApplyMatch(const MatchOptions& options) {
  std::string error;
  std::unique_ptr<reference_host::AppDocumentImpl> document =
      LoadDocument(options.document, &error);
  if (!document) {
    PrintError(error);
    return kExitUsage;
  }
  Pairing pairing;
  if (!ReadPairingFile(options.apply, &pairing, &error)) {
    PrintError(error);
    return kExitUsage;
  }
  std::unique_ptr<MatchSession> session =
      MatchSession::Open(document.get(), pairing.sub_project, pairing.groups, &error);
  if (!session) {
    // The scope came from the file: name its members, not the options.
    for (const auto& [option, member] :
         {std::pair<std::string, std::string>{"--sub-project: ", "/subProject: "},
          {"--groups: ", "/groups: "}})
      if (error.compare(0, option.size(), option) == 0)
        error = member + error.substr(option.size());
    PrintError(options.apply + ": " + error);
    return kExitUsage;
  }
  marrow::qrv::MatchLinks wanted;
  if (!ResolvePairing(*session, pairing, options.apply, &wanted, &error)) {
    PrintError(error);
    return kExitUsage;
  }
  const Snapshot before = Take(*session);
  session->context().wanted_links = wanted;
  marrow::qrv::QRVBuildRCJ().Apply(session->context());
  std::cout << "Applied " << options.apply << " to sub-project " << pairing.sub_project
            << " (contract groups " << Joined(pairing.groups) << ")\n";
  Report(*session, before, Take(*session), std::cout);
  if (options.dry_run) return kExitOk;
  const std::string path = options.in_place ? options.document : options.out_path;
  error = SaveDocument(*document, path, options.compact);
  if (!error.empty()) {
    PrintError(error);
    return kExitRefused;
  }
  std::cout << "saved " << path << "\n";
  return kExitOk;
}

}  // namespace

void AddMatchCommand(CLI::App& app, MatchOptions& options, int& exit_code) {
  CLI::App* match = app.add_subcommand(
      "match",
      "Show the budget summaries and merged contract entries of a sub-project side by side "
      "with their links and write a pairing to edit, or apply a pairing (docs/matching.md).");
  match->add_option("DOC", options.document, "document (JSON file)")->required();
  match->add_option("--sub-project", options.sub_project, "root of the scope");
  match->add_option("--groups", options.groups, "contract group ids")->delimiter(',');
  match->add_option("-o,--output", options.out_path,
                    "the pairing file to write; with --apply, the document to write");
  match->add_option("--apply", options.apply, "apply this pairing file");
  match->add_flag("--in-place", options.in_place, "with --apply: write the result back to DOC");
  match->add_flag("--dry-run", options.dry_run, "with --apply: run and report, write nothing");
  match->add_flag("--compact", options.compact,
                  "with --apply: save the document without indentation or spaces");
  match->add_flag("--json", options.json, "print the sides as JSON");
  match->add_flag("--explain", options.explain,
                  "say why alike budget summaries are not one resource");
  match->add_flag("--suggest", options.suggest, "rank contract candidates of unpaired summaries");
  match
      ->add_option("--accept-suggestions", options.accept_min_score,
                   "write the best suggestion scoring at least MIN_SCORE into the pairing")
      ->type_name("MIN_SCORE");
  match->callback([&options, &exit_code] { exit_code = MatchCommand(options); });
}

int MatchCommand(const MatchOptions& options) {
  const bool accepting = !std::isnan(options.accept_min_score);
  if (!options.apply.empty()) {
    if (!options.sub_project.empty() || !options.groups.empty() || options.explain ||
        options.suggest || accepting || options.json) {
      PrintError(
          "--apply takes the scope from the pairing file; it goes with -o, --in-place or "
          "--dry-run only");
      return kExitUsage;
    }
    const int outputs = !options.out_path.empty() + options.in_place + options.dry_run;
    if (outputs != 1) {
      PrintError("--apply needs exactly one of -o OUT.json, --in-place, --dry-run");
      return kExitUsage;
    }
    return ApplyMatch(options);
  }
  if (options.in_place || options.dry_run) {
    PrintError("--in-place and --dry-run go with --apply");
    return kExitUsage;
  }
  if (options.sub_project.empty()) {
    PrintError("--sub-project is required (or --apply PAIRING.json)");
    return kExitUsage;
  }
  if (accepting && options.out_path.empty()) {
    PrintError("--accept-suggestions writes into the pairing file: give -o PAIRING.json");
    return kExitUsage;
  }
  return ShowMatch(options);
}

void RunMatchingDemo(reference_host::AppDocumentImpl* document, const std::string& sub_project,
                     const std::vector<std::string>& groups, std::ostream& out) {
  std::string error;
  std::unique_ptr<MatchSession> session = MatchSession::Open(document, sub_project, groups, &error);
  if (!session) {
    out << "internal error: " << error << "\n";
    return;
  }
  PrintSides(*session, out);
  PrintLinks(*session, session->context().current_links, "Current links", out);
  PrintExplanations(*session, out);
  const std::vector<Suggestion> suggestions = Suggest(*session, session->context().current_links);
  PrintSuggestions(*session, suggestions, out);
  marrow::qrv::MatchLinks wanted = session->context().current_links;
  const int accepted = Accept(suggestions, kDemoMinScore, wanted);
  out << "\nAccepting the " << accepted << " suggestion(s) scoring " << kDemoMinScore
      << " or more and applying:\n";
  PrintLinks(*session, wanted, "Pairing", out);
  out << "\n";
  const Snapshot before = Take(*session);
  session->context().wanted_links = wanted;
  marrow::qrv::QRVBuildRCJ().Apply(session->context());
  Report(*session, before, Take(*session), out);
}

}  // namespace cli
