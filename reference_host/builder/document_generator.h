// Large synthetic estimate documents for benchmarks, tests and the CLI.
//
// The shape follows a real estimate: a project whose root (a whole project)
// holds single sub-projects, each holding unit sub-projects; every unit
// sub-project has a resource summary (its catalogue of budget resources) and
// bills, each bill has entries (node kind 3) holding the budget lines, and its
// own cost lines pointing to contract-level entries. The project carries a
// cost account tree a few levels deep, bill stages, the contract-level forms
// (one of them a self-lease form) and optionally a row table. On request the
// root also carries the cost tables a project merge moves (measure trees,
// keyed, other-items and fee tables, its own forms and item sets), drawn
// after everything else, so documents without them stay as they were.
//
// Some of the budget lines are linked to the first cost line of their bill,
// others are collected (as copy items) into the other cost lines; both
// are set up at host level, without the library. Counts per bill are fixed
// (rounded from the fractions), so the number of objects is known in advance
// (CountObjects). All ids are explicit ("ys<N>", "cb<N>", ...); everything
// else (codes chosen, quantities, prices, accounts) comes from |seed|, so one
// seed always gives the same document.
//
// The model is built directly, detached, and enters its document once at the
// end: linear in the size, about a million objects in a few seconds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/ref_counted.h"
#include "reference_host/app/app_document_impl.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

class BillStageGroupImpl;
class CostAccountGroupImpl;

struct GeneratorOptions {
  std::uint64_t seed = 1;

  // Unit sub-projects (the ones holding bills), grouped under single
  // sub-projects of |sub_projects_per_single| each.
  int sub_projects = 4;
  int sub_projects_per_single = 5;
  int bills_per_sub_project = 50;
  // Entries (node kind 3) under each bill; the budget lines are spread over
  // them. 0 puts the budget lines directly under the bill.
  int entries_per_bill = 2;
  int budget_lines_per_bill = 8;
  int cost_lines_per_bill = 3;
  // Size of each unit sub-project's resource summary.
  int resource_codes = 400;

  // Cost accounts, as a tree |account_depth| levels deep.
  int accounts = 120;
  int account_depth = 3;
  int bill_stages = 12;
  // Contract-level entries, spread over the five contract forms.
  int contract_entries = 600;

  // Rows of one table ("QRV_TargetCostTable"); none when 0. |row_depth| 1
  // makes a flat table, more a forest of binary trees that many levels deep.
  int rows = 0;
  int row_depth = 1;

  // Shares of each bill's budget lines linked to its first cost line and
  // collected into its other cost lines (rounded per bill; together at most
  // every line).
  double collected_fraction = 0.2;
  double linked_fraction = 0.1;

  // Prepended to every id, so that two generated documents can be merged
  // (a project merge refuses a pair whose carried ids the other side holds).
  std::string id_prefix;

  // The cost tables a project merge carries, on the root (whole)
  // sub-project: made only when |merge_tables| is set, sized by the counts.
  // The root also gets building areas.
  bool merge_tables = false;
  // Unit-price measure tree: headings of |measure_fanout| items, each item
  // with |measure_lines| budget lines on entries of the root's summary (its
  // shared item set), which holds |shared_entries| catalogue entries (at
  // most |resource_codes|; lines need at least one).
  int unit_price_items = 0;
  int measure_lines = 0;
  int shared_entries = 0;
  // Lump-sum measure tree: subtitles (node kind 1) of |measure_fanout|
  // lump-sum items. Even subtitles have the same name under every seed, odd
  // ones and the items a random one, so two seeds' trees half match.
  int lump_sum_items = 0;
  int measure_fanout = 10;
  // Items under the JJFY root.
  int jjfy_items = 0;
  // Rows of the lump-sum detail table and of the JJFY table (keyed, some
  // keys repeated), of each of the five other-items tables, and of the fee
  // summary table "Fee" (even rows the same code, base and rate under every
  // seed, odd ones a random rate).
  int keyed_rows = 0;
  int other_item_rows = 0;
  int fee_rows = 0;
  // Entries of the root's own forms (its grouped item set, the five forms),
  // and members of each of the movable item, product item and movable
  // record sets.
  int local_form_entries = 0;
  int set_members = 0;
};

// Linked and collected lines per bill, after rounding and the limits the
// bill's cost lines impose.
struct BillParts {
  int linked = 0;
  int collected = 0;
};
BillParts PartsPerBill(const GeneratorOptions& options);

// The exact number of objects GenerateDocument makes for |options| (as the
// document's index counts them).
std::int64_t CountObjects(const GeneratorOptions& options);
std::int64_t CountBudgetLines(const GeneratorOptions& options);

// Default shapes sized to at least |budget_lines| budget lines, or at least
// |objects| objects in all (exceeding by less than one bill per sub-project).
GeneratorOptions OptionsForBudgetLines(std::int64_t budget_lines, std::uint64_t seed = 1);
GeneratorOptions OptionsForObjects(std::int64_t objects, std::uint64_t seed = 1);
// A document of about |objects| objects whose root carries merge tables
// holding about half of them, the rest in the usual bills; ids begin with
// |id_prefix|. Two of these (other prefixes, other seeds) make a project
// merge that carries every kind of table.
GeneratorOptions OptionsForMerge(std::int64_t objects, const std::string& id_prefix,
                                 std::uint64_t seed = 1);
// Objects of the merge tables alone (part of CountObjects).
std::int64_t CountMergeTableObjects(const GeneratorOptions& options);

std::unique_ptr<EstimateDocument> GenerateEstimateDocument(const GeneratorOptions& options);
std::unique_ptr<AppDocumentImpl> GenerateDocument(const GeneratorOptions& options);

// A free-standing copy of |tree| (same codes, names and shape) whose ids are
// those of |tree| with |id_prefix| in front: the trees of a merged source
// project, for re-pointing references between two trees.
scoped_refptr<CostAccountGroupImpl> CopyCostAccountTree(const CostAccountGroupImpl& tree,
                                                        const std::string& id_prefix);
scoped_refptr<BillStageGroupImpl> CopyBillStages(const BillStageGroupImpl& stages,
                                                 const std::string& id_prefix);

}  // namespace reference_host
