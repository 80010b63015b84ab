// Fuzzes operation scripts run the way "marrow-qrv run" runs them (the
// CLI's script checks, runner and report), then checks undo and redo:
//  - the document after the script saves, loads and saves the same;
//  - when the script has only undoable ops (and undo, redo, show): undoing
//    every step gives the document it started from, redoing the steps the
//    script had applied gives the document the script left, and undoing
//    everything again gives the start once more, each but for what
//    undo_comparison.h allows.
//
// Input: byte 0 modulo 7 picks the document: one of kSeedDocuments, or
// with 6 a document in the input itself, up to the first NUL byte.
// The rest is the script: a JSON script text when it starts with '[',
// else bytes that DecodeOpScript turns into one (first byte: bit 0 allows
// ops that are not undoable, bit 1 asks for the -v report).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "beans/qrv_resitem.h"
#include "cli/op_runner.h"
#include "cli/op_script.h"
#include "cli/ops_command.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/op_script_decoder.h"
#include "fuzz/undo_comparison.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "reference_host/base/object_id.h"
#include "reference_host/persist/document_json.h"

namespace {

using nlohmann::json;

// How near what a line has left a collect's quantity is snapped to it
// (docs/cli.md, "collect").
constexpr double kSnapWindow = 0.0001;

// Relative to the source folder, which is also the folder scripts name
// "repoint" sources from. Append only: corpus inputs name documents by
// position.
constexpr const char* kSeedDocuments[] = {
    "examples/small.json",
    "examples/office_building.json",
    "fuzz/documents/accounts_and_rows.json",
    "fuzz/documents/odd_values.json",
    "fuzz/documents/project_without_sub_projects.json",
    "fuzz/documents/no_project.json",
};
constexpr size_t kSeedCount = sizeof(kSeedDocuments) / sizeof(kSeedDocuments[0]);
static_assert(kSeedCount == 6, "docs/fuzzing.md lists the seed documents and their numbers");

// The seed documents, parsed once: each input loads a fresh document from
// the parsed form.
std::vector<json>& SeedDocuments() {
  static std::vector<json> documents;
  return documents;
}

// A script may repoint from the seed documents only: a fuzzed path could
// name a device that never ends.
bool NamesOnlySeedSources(const std::string& text) {
  const json script = json::parse(text, nullptr, false);
  if (!script.is_array()) return true;
  for (const json& op : script) {
    if (!op.is_object() || !op.contains("from")) continue;
    const json& from = op["from"];
    bool seed = false;
    for (const char* path : kSeedDocuments) seed = seed || (from.is_string() && from == path);
    if (!seed) return false;
  }
  return true;
}

// MARROW_FUZZ_EXPLAIN=1 prints the document, the script and the CLI's
// report of each input, as it runs: how to read a saved crash input.
bool Explain() {
  static const bool explain = std::getenv("MARROW_FUZZ_EXPLAIN") != nullptr;
  return explain;
}

// The checked script as a script file would hold it.
std::string ScriptText(const std::vector<cli::Op>& ops) {
  std::string text = "[";
  for (const cli::Op& op : ops) {
    json item = {{"op", op.rule->name}};
    for (const cli::MemberRule& member : op.rule->members) {
      const std::string name = member.name;
      if (name == "cost" && !op.cost.empty()) item[name] = op.cost;
      if (name == "budget" && !op.budget.empty()) item[name] = op.budget;
      if (name == "copy" && !op.copy.empty()) item[name] = op.copy;
      if (name == "qty") item[name] = op.quantity;
      if (name == "budgets") item[name] = op.budgets;
      if (name == "objects") item[name] = op.objects;
      if (name == "account") item[name] = op.account;
      if (name == "from") item[name] = op.from;
    }
    text +=
        (text.size() > 1 ? ",\n " : "") + item.dump(-1, ' ', false, json::error_handler_t::replace);
  }
  return text + "]";
}

// The budget line a part was made from, by the part's copy record ("" when
// the part is gone or names none).
std::string BudgetOf(const reference_host::AppDocumentImpl& document, const std::string& part) {
  engine::ResItem* copy = dynamic_cast<engine::ResItem*>(document.FindObjectById(part));
  engine::ResItem* budget = copy ? marrow::qrv::QRVResItemBean(copy).GetResItemTemplete() : nullptr;
  return budget ? budget->GetId() : "";
}

// The parts an uncollect would release if run now: the named part, or
// every part of the budget line in the cost line.
std::vector<std::string> PartsReleasedBy(const reference_host::AppDocumentImpl& document,
                                         const cli::Op& op) {
  std::vector<std::string> parts;
  if (op.kind != cli::OpKind::kUncollect) return parts;
  auto* cost = dynamic_cast<engine::qrv::QRVResItem*>(document.FindObjectById(op.cost));
  if (!cost) return parts;
  std::vector<engine::ResItem*> copies;
  marrow::qrv::QRVResItemBean(cost).GetCopyResFromQRVResItem(copies);
  for (engine::ResItem* copy : copies)
    if (copy->GetId() == op.copy ||
        (op.copy.empty() && BudgetOf(document, copy->GetId()) == op.budget))
      parts.push_back(copy->GetId());
  return parts;
}

// The part a modify-quantity op changes if run now: the named part, or
// the latest part of the budget line in the cost line ("" when none).
std::string PartChangedBy(const reference_host::AppDocumentImpl& document, const cli::Op& op) {
  if (!op.copy.empty()) return op.copy;
  auto* cost = dynamic_cast<engine::qrv::QRVResItem*>(document.FindObjectById(op.cost));
  if (!cost) return "";
  std::vector<engine::ResItem*> copies;
  marrow::qrv::QRVResItemBean(cost).GetCopyResFromQRVResItem(copies);
  for (auto it = copies.rbegin(); it != copies.rend(); ++it)
    if (*it && BudgetOf(document, (*it)->GetId()) == op.budget) return (*it)->GetId();
  return "";
}

// One step of the undo stack, as the fuzzer follows it beside the stack.
struct Stacked {
  cli::OpKind kind;
  // Of a quantity change: the part, its new quantity, and its quantity
  // before the step last ran forward (what the step's undo asks for).
  std::string part;
  double wanted = 0.0;
  double former = 0.0;
  // Of a release: the parts, their budget line and the quantity they held
  // when the step last ran forward (what the step's undo collects again).
  // Of a collect: the budget line (|wanted| is the quantity asked for).
  std::vector<std::string> released;
  std::string budget;
  double released_quantity = 0.0;
};

// The budget line of |parts| and the sum of their quantities ("" when a
// part is gone or the parts are of different lines).
std::string ReleasedFigures(const reference_host::AppDocumentImpl& document,
                            const std::vector<std::string>& parts, double* sum) {
  std::string budget;
  *sum = 0.0;
  for (const std::string& part : parts) {
    auto* copy = dynamic_cast<engine::ResItem*>(document.FindObjectById(part));
    double quantity = 0.0;
    const std::string line = BudgetOf(document, part);
    if (!copy || line.empty() || !copy->GetQuantity(quantity)) return "";
    if (!budget.empty() && line != budget) return "";
    budget = line;
    *sum += quantity;
  }
  return budget;
}

// The quantity of |part|, what its budget line has left to collect and the
// line's quantity.
bool PartFigures(const reference_host::AppDocumentImpl& document, const std::string& part,
                 double* quantity, double* left, double* line) {
  auto* copy = dynamic_cast<engine::ResItem*>(document.FindObjectById(part));
  engine::ResItem* budget = copy ? marrow::qrv::QRVResItemBean(copy).GetResItemTemplete() : nullptr;
  if (!budget || !copy->GetQuantity(*quantity)) return false;
  *left = marrow::qrv::QRVResItemBean(budget).GetResItemCollectAllowQuantity();
  *line = marrow::qrv::QRVResItemBean(budget).GetResItemCollectSrcQuantity();
  return true;
}

// Follows the undo stack through a run: which kind of step each undo and
// redo runs, and whether a documented rule is about to make the documents
// differ from what the comparisons expect (docs/cli.md, "What undo
// promises"); the input is then not compared. Such rules: a quantity change
// is refused when the quantity asked for exceeds the part's quantity plus
// what is left to collect, with no tolerance, and a part's quantity is its
// ratio times the line's, so giving back a former quantity can exceed that
// sum in the last binary digits; a release's undo and a collect's redo
// collect again under the snapping of every collect.
class StackFollower {
 public:
  StackFollower(cli::OpRunner& runner, const reference_host::AppDocumentImpl& document)
      : runner_(runner), document_(document) {}

  // Call before |op| runs.
  void Before(const cli::Op& op) {
    index_ = runner_.stack().Index();
    part_.clear();
    const Stacked* step = nullptr;
    double asked = 0.0;
    if (op.kind == cli::OpKind::kModifyQuantity) {
      part_ = PartChangedBy(document_, op);
    } else if (op.kind == cli::OpKind::kUndo && index_ > 0 && index_ <= Size()) {
      step = &stacked_[index_ - 1];
      asked = step->former;
    } else if (op.kind == cli::OpKind::kRedo && index_ < Size()) {
      step = &stacked_[index_];
      asked = step->wanted;
    }
    if (step && step->kind == cli::OpKind::kModifyQuantity) part_ = step->part;
    released_.clear();
    if (op.kind == cli::OpKind::kUncollect) released_ = PartsReleasedBy(document_, op);
    if (op.kind == cli::OpKind::kRedo && step && step->kind == cli::OpKind::kUncollect)
      released_ = step->released;
    released_budget_ = ReleasedFigures(document_, released_, &released_quantity_);
    if (op.kind == cli::OpKind::kUndo && step && step->kind == cli::OpKind::kUncollect)
      CheckCollectAgain(*step);
    if (op.kind == cli::OpKind::kRedo && step && step->kind == cli::OpKind::kCollect)
      CheckSnapAgain(*step);
    double left = 0.0, line = 0.0;
    if (part_.empty() || !PartFigures(document_, part_, &quantity_, &left, &line)) {
      part_.clear();
      return;
    }
    // The sums behind |left| are exact to the digits of the largest figure
    // in them, the line's quantity (on a line of 1e300 a part of 2 is lost).
    const double room = std::fabs(quantity_ + left);
    const double scale = std::max({1.0, std::fabs(asked), std::fabs(line)});
    const double short_by = std::fabs(asked) - room;
    if (step && short_by > 0 && short_by <= 1e-9 * scale)
      Diverge("the engine refuses a quantity change by rounding alone");
    // A snapped collect can leave a line holding up to the window more than
    // its quantity (what is left disregards a collected total under it).
    if (step && short_by > 0 && short_by < kSnapWindow + 1e-9 * scale)
      Diverge("a quantity change is refused by what a snapped collect took beyond the line");
  }

  // Call after |op| ran.
  void After(const cli::Op& op) {
    const int now = runner_.stack().Index();
    if (now == index_ + 1 && op.kind != cli::OpKind::kRedo) {
      stacked_.resize(index_);
      stacked_.push_back({op.kind, part_, op.quantity, quantity_, released_,
                          op.kind == cli::OpKind::kCollect ? op.budget : released_budget_,
                          released_quantity_});
    } else if (now == index_ + 1 && index_ < Size()) {
      if (!part_.empty()) stacked_[index_].former = quantity_;
      if (stacked_[index_].kind == cli::OpKind::kUncollect)
        for (const std::string& part : stacked_[index_].released)
          if (document_.FindObjectById(part)) redo_released_nothing_ = true;
      if (!released_budget_.empty()) stacked_[index_].released_quantity = released_quantity_;
    } else if (now == index_ - 1 && index_ <= Size()) {
      undid_ = stacked_[index_ - 1].kind;
    }
  }

  // The kind of the step the last op undid, if it undid one.
  std::optional<cli::OpKind> undid() {
    std::optional<cli::OpKind> kind = undid_;
    undid_.reset();
    return kind;
  }
  // Whether a redone release left a part it released the first time.
  bool redo_released_nothing() const {
    if (redo_released_nothing_ && Explain())
      std::fprintf(stderr, "not compared: a redone release found nothing to release\n");
    return redo_released_nothing_;
  }
  // Whether the documents may differ from here on by a documented rule
  // (docs/cli.md, "What undo promises"), so that the run is not compared.
  bool diverged() const {
    if (!diverged_.empty() && Explain())
      std::fprintf(stderr, "not compared: %s\n", diverged_.c_str());
    return !diverged_.empty();
  }

 private:
  int Size() const { return static_cast<int>(stacked_.size()); }

  // A release's undo collects the released quantity again, bound by what
  // the line has left with no tolerance, like a quantity change: where the
  // line's parts summed to its quantity only by rounding, nothing is left
  // for the parts again (docs/cli.md, "What undo promises").
  void CheckCollectAgain(const Stacked& step) {
    double left = 0.0, line = 0.0;
    if (!LineFigures(step.budget, &left, &line)) return;
    const double asked = step.released_quantity;
    const double scale = std::max({1.0, std::fabs(asked), std::fabs(line)});
    if (asked > left && asked - left <= 1e-9 * scale)
      Diverge("a release's undo is refused by rounding alone");
    // Within the window the part comes back with what is left instead,
    // and an older step's undo may find too little.
    if (asked != left && std::fabs(asked - left) < kSnapWindow)
      Diverge("a release's undo is snapped to what is left");
  }

  // A collect's redo asks for the same quantity again, and a quantity within
  // 0.0001 of what the line has left is snapped to it. What is left is a
  // sum of parts; after releases and their undos it can come out in other
  // rounding than the first time, so a quantity at the edge of that window
  // may be snapped once and refused the next time (docs/cli.md).
  void CheckSnapAgain(const Stacked& step) {
    double left = 0.0, line = 0.0;
    if (!LineFigures(step.budget, &left, &line)) return;
    const double scale = std::max({1.0, std::fabs(step.wanted), std::fabs(line)});
    if (std::fabs(std::fabs(step.wanted - left) - kSnapWindow) <= 1e-9 * scale)
      Diverge("rounding alone decides whether a redone collect is snapped or refused");
  }

  // What the budget line |id| has left to collect and its quantity; false
  // when there is no such line.
  bool LineFigures(const std::string& id, double* left, double* line) const {
    auto* budget = dynamic_cast<engine::ResItem*>(document_.FindObjectById(id));
    if (id.empty() || !budget) return false;
    *left = marrow::qrv::QRVResItemBean(budget).GetResItemCollectAllowQuantity();
    *line = marrow::qrv::QRVResItemBean(budget).GetResItemCollectSrcQuantity();
    return true;
  }

  void Diverge(const char* why) {
    if (diverged_.empty()) diverged_ = why;
  }

  cli::OpRunner& runner_;
  const reference_host::AppDocumentImpl& document_;
  std::vector<Stacked> stacked_;
  int index_ = 0;
  std::string part_;
  double quantity_ = 0.0;
  std::vector<std::string> released_;
  std::string released_budget_;
  double released_quantity_ = 0.0;
  std::optional<cli::OpKind> undid_;
  std::string diverged_;
  bool redo_released_nothing_ = false;
};

bool OnlyUndoable(const std::vector<cli::Op>& ops) {
  for (const cli::Op& op : ops)
    if (!op.rule->undoable && op.kind != cli::OpKind::kUndo && op.kind != cli::OpKind::kRedo &&
        op.kind != cli::OpKind::kShow)
      return false;
  return true;
}

// Runs |name| ("undo" or "redo") |times| times, as script ops would.
// False when a documented rule made the documents diverge on the way.
bool Repeat(cli::OpRunner& runner, const reference_host::AppDocumentImpl& document,
            StackFollower& follower, const char* name, int times) {
  std::vector<cli::Op> ops;
  std::vector<std::string> errors;
  if (!cli::ReadOps(json::array({{{"op", name}}}), document, "", false, &ops, &errors))
    fuzz::Fail(std::string("the CLI refuses a bare ") + name);
  std::ostringstream report;
  for (int i = 0; i < times; ++i) {
    follower.Before(ops[0]);
    runner.Run(ops[0], report);
    follower.After(ops[0]);
  }
  return !follower.diverged();
}

// |got| must equal |want|; else the two, made comparable, must be equal.
// Most runs give the same bytes, which need no parsing.
template <class MakeComparable>
void ExpectSame(const std::string& want, const std::string& got, MakeComparable comparable,
                const std::string& what) {
  if (want == got) return;
  const fuzz::Comparable sides = comparable(got);
  if (sides.want != sides.got && Explain()) {
    // Both sides whole, for a diff tool.
    std::ofstream("fuzz-want.json") << sides.want.dump(2) << '\n';
    std::ofstream("fuzz-got.json") << sides.got.dump(2) << '\n';
    std::fprintf(stderr, "compared sides written to fuzz-want.json and fuzz-got.json\n");
  }
  if (sides.want != sides.got)
    fuzz::Fail(what, fuzz::FirstDifference(sides.want.dump(2), sides.got.dump(2)));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLibraryLogging();
  for (const char* path : kSeedDocuments) {
    const std::string text = fuzz::ReadFileOrFail(std::string(MARROW_SOURCE_DIR) + "/" + path);
    reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
    if (!loaded) fuzz::Fail(std::string("seed document ") + path + " does not load", loaded.error);
    SeedDocuments().push_back(json::parse(text));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Parts get fresh ids; the same input must make the same ones.
  reference_host::SeedObjectIds(1);

  const size_t pick = data[0] % (kSeedCount + 1);
  const uint8_t* script = data + 1;
  size_t script_size = size - 1;
  reference_host::LoadResult loaded;
  if (pick < kSeedCount) {
    loaded = reference_host::LoadDocumentJson(SeedDocuments()[pick]);
  } else {
    const void* end = std::memchr(script, 0, script_size);
    if (!end) return 0;
    const size_t length = static_cast<const uint8_t*>(end) - script;
    loaded = reference_host::LoadDocumentText(
        std::string(reinterpret_cast<const char*>(script), length));
    script += length + 1;
    script_size -= length + 1;
  }
  if (!loaded) return 0;
  reference_host::AppDocumentImpl& document = *loaded.document;
  const std::string start = fuzz::SaveText(document);

  std::vector<cli::Op> ops;
  std::vector<std::string> errors;
  bool verbose = false;
  if (script_size > 0 && script[0] == '[') {
    const std::string text(reinterpret_cast<const char*>(script), script_size);
    if (!NamesOnlySeedSources(text)) return 0;
    if (!cli::ReadScript(text, "script", document, MARROW_SOURCE_DIR, &ops, &errors)) return 0;
  } else {
    fuzz::DecoderOptions options;
    options.undoable_only = script_size == 0 || !(script[0] & 1);
    verbose = script_size > 0 && (script[0] & 2);
    for (size_t i = 0; i < kSeedCount; ++i) options.repoint_sources.push_back(kSeedDocuments[i]);
    const json decoded = fuzz::DecodeOpScript(script_size ? script + 1 : script,
                                              script_size ? script_size - 1 : 0, document, options);
    if (!cli::ReadOps(decoded, document, MARROW_SOURCE_DIR, false, &ops, &errors)) return 0;
  }

  if (Explain())
    std::fprintf(stderr, "document: %s\nscript: %s\n",
                 pick < kSeedCount ? kSeedDocuments[pick] : "(in the input)",
                 ScriptText(ops).c_str());

  // One op at a time, so that the applied collects are known.
  cli::OpRunner runner(&document);
  std::ostringstream out, err;
  fuzz::ScriptEffects effects;
  std::map<std::pair<std::string, std::string>, int> collected;
  bool undid = false;
  StackFollower follower(runner, document);
  for (const cli::Op& op : ops) {
    follower.Before(op);
    // Known before the op runs: a released part leaves the document.
    const std::vector<std::string> parts = PartsReleasedBy(document, op);
    const std::string changed_line = op.kind == cli::OpKind::kModifyQuantity
                                         ? BudgetOf(document, PartChangedBy(document, op))
                                         : "";
    std::vector<std::string> budgets;
    for (const std::string& part : parts) budgets.push_back(BudgetOf(document, part));
    const bool refused = cli::RunAndReport(runner, document, {op}, verbose, out, err) > 0;
    if (!refused && op.kind == cli::OpKind::kCollect) {
      effects.collects.emplace(op.budget, op.cost);
      ++collected[{op.budget, op.cost}];
    }
    undid = undid || (!refused && op.kind == cli::OpKind::kUndo);
    if (!refused && !changed_line.empty()) effects.changed_lines.insert(changed_line);
    follower.After(op);
    if (follower.undid() == cli::OpKind::kSetCostAccount) effects.undid_account_step = true;
    if (!refused && op.kind == cli::OpKind::kUncollect) {
      effects.released.insert(parts.begin(), parts.end());
      for (const std::string& budget : budgets) effects.releases.emplace(budget, op.cost);
    }
    if (Explain()) {
      std::fprintf(stderr, "%s%s", out.str().c_str(), err.str().c_str());
      out.str("");
      err.str("");
    }
  }
  for (const auto& [pair, times] : collected)
    effects.undid_repeated_collect = effects.undid_repeated_collect || (undid && times > 1);
  const std::string end = fuzz::SaveText(document);
  if (end != start) fuzz::CheckReloads(end, "the document after the script");
  if (!OnlyUndoable(ops) || follower.diverged()) return 0;

  const int applied = runner.stack().Index();
  const int steps = runner.stack().Count();
  const auto undone = [&](const std::string& got) {
    return fuzz::UndoComparable(start, got, effects);
  };
  const auto redone = [&](const std::string& got) {
    return fuzz::RedoComparable(start, end, got, effects);
  };
  if (!Repeat(runner, document, follower, "undo", applied)) return 0;
  ExpectSame(start, fuzz::SaveText(document), undone,
             "undoing every step does not give the start document back");
  if (!Repeat(runner, document, follower, "redo", applied)) return 0;
  if (fuzz::RedoCanRepeat(start, effects))
    ExpectSame(end, fuzz::SaveText(document), redone,
               "redoing the undone steps does not give the script's result");
  if (!Repeat(runner, document, follower, "redo", steps - applied)) return 0;
  // Where a redone release found nothing to release, undoing it still
  // collects the part again, so undoing everything cannot give the start
  // (docs/cli.md).
  if (follower.redo_released_nothing()) return 0;
  if (!Repeat(runner, document, follower, "undo", steps)) return 0;
  ExpectSame(start, fuzz::SaveText(document), undone,
             "undoing every step after redoing all does not give the start document back");
  return 0;
}
