// Properties of merge, split, copy-from and rename over random documents and
// random sequences of them with undo and redo on the host's undo stack.
#include <regex>

#include "actions/base_res_item_copy_from_action.h"
#include "actions/qrv_base_res_item_merge_contract_action.h"
#include "actions/qrv_base_res_item_split_contract_action.h"
#include "funcs/qrv_res_item_change_name_func.h"
#include "reference_host/app/rename_line_action.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::BaseResItemGroupImpl;
using reference_host::BaseResItemImpl;

constexpr const char* kNames[] = {"Cement", "Grey cement", "Sand", "Lime"};

// Fresh ids (32 hex digits) named by their first appearance in |text|, so that
// documents that differ only in the ids of entries made afresh compare equal.
// Ids in |known| stay as they are.
std::string Canonical(const std::string& text, const std::set<std::string>& known) {
  static const std::regex kFreshId("\"([0-9a-f]{32})\"");
  std::map<std::string, std::string> names;
  std::string out;
  auto last = text.cbegin();
  for (std::sregex_iterator it(text.begin(), text.end(), kFreshId), end; it != end; ++it) {
    const std::string id = (*it)[1];
    out.append(last, text.cbegin() + it->position(1));
    if (known.count(id))
      out += id;
    else
      out += names.emplace(id, "fresh-" + std::to_string(names.size() + 1)).first->second;
    last = text.cbegin() + it->position(1) + it->length(1);
  }
  out.append(last, text.cend());
  return out;
}

std::set<std::string> HexIds(const std::string& text) {
  static const std::regex kHexId("\"([0-9a-f]{32})\"");
  std::set<std::string> ids;
  for (std::sregex_iterator it(text.begin(), text.end(), kHexId), end; it != end; ++it)
    ids.insert((*it)[1]);
  return ids;
}

// One or two forms of one to four entries; one sub-project whose bills hold
// budget lines of a few codes (some collected) and cost lines spread over the
// entries. Every entry carries the same fields, so that a copy adds none.
class ContractWorld {
 public:
  ContractWorld() {
    DocumentBuilder builder("p");
    const int groups = *rc::gen::inRange(1, 3);
    for (int g = 0; g < groups; ++g) {
      builder.ContractGroup("g" + std::to_string(g), g ? "PlantForm" : "MaterialForm");
      const int entries = *rc::gen::inRange(1, 5);
      for (int e = 0; e < entries; ++e) {
        entry_ids_.push_back("g" + std::to_string(g) + "e" + std::to_string(e));
        builder.ContractEntry(
            entry_ids_.back(), "M" + std::to_string(*rc::gen::inRange(0, 3)),
            *rc::gen::elementOf(std::vector<std::string>(std::begin(kNames), std::end(kNames))));
        Uniform(builder);
      }
    }
    builder.SubProject("sp", "Building");
    const int bills = *rc::gen::inRange(1, 3);
    for (int b = 0; b < bills; ++b) {
      const std::string bill = "b" + std::to_string(b);
      builder.Bill(bill, 10);
      std::vector<std::string> budget, cost;
      for (int i = *rc::gen::inRange(1, 4); i > 0; --i) {
        budget.push_back(bill + "y" + std::to_string(i));
        const std::string code = "C" + std::to_string(*rc::gen::inRange(0, 3));
        builder.BudgetLine(budget.back(), *rc::gen::inRange(1, 9), code);
        if (!codes_.insert(code).second) continue;
        builder.WithName(
            *rc::gen::elementOf(std::vector<std::string>(std::begin(kNames), std::end(kNames))));
        Uniform(builder);
      }
      for (int i = *rc::gen::inRange(0, 5); i > 0; --i) {
        cost.push_back(bill + "c" + std::to_string(i));
        builder.CostLine(cost.back(), *rc::gen::elementOf(entry_ids_), 1);
      }
      for (const std::string& line : budget)
        if (!cost.empty() && *rc::gen::inRange(0, 2))
          builder.Collect(line, *rc::gen::elementOf(cost), 0.5);
      budget_ids_.insert(budget_ids_.end(), budget.begin(), budget.end());
      cost_ids_.insert(cost_ids_.end(), cost.begin(), cost.end());
    }
    doc_ = builder.Build();
    stack_ = std::make_unique<reference_host::UndoStack>(doc_.get());
  }

  std::string Saved() const { return reference_host::SaveDocumentText(*doc_->document()); }

  // Pushes one random action; false when nothing fits the document.
  bool PushRandomAction() {
    switch (*rc::gen::inRange(0, 4)) {
      case 0:
        return PushMerge();
      case 1:
        return PushSplit();
      case 2:
        return PushCopyFrom();
      default:
        return PushRename();
    }
  }

  bool PushMerge() {
    std::vector<BaseResItemImpl*> entries = ListedEntries();
    if (entries.size() < 2) return false;
    const size_t target = *rc::gen::inRange<size_t>(0, entries.size());
    std::vector<engine::qrv::QRVBaseResItem*> sources;
    for (size_t i = 0; i < entries.size(); ++i)
      if (i != target && *rc::gen::inRange(0, 2)) sources.push_back(entries[i]);
    stack_->Push(new marrow::qrv::QRVBaseResItemMergeContractAction(entries[target], sources));
    return true;
  }

  // Now and then a list the split refuses: all lines, or a line of another entry.
  bool PushSplit() {
    std::vector<BaseResItemImpl*> entries = ListedEntries();
    if (entries.empty()) return false;
    BaseResItemImpl* donor = *rc::gen::elementOf(entries);
    std::vector<engine::qrv::QRVResItem*> lines;
    for (const std::string& id : cost_ids_)
      if (Line(id)->GetBaseResItem() == donor && *rc::gen::inRange(0, 3)) lines.push_back(Line(id));
    if (*rc::gen::inRange(0, 5) == 0) lines.push_back(Line(*rc::gen::elementOf(cost_ids_)));
    stack_->Push(new marrow::qrv::QRVBaseResItemSplitContractAction(donor, lines));
    return true;
  }

  bool PushCopyFrom() {
    std::vector<BaseResItemImpl*> entries = ListedEntries();
    for (const std::string& code : codes_)
      entries.push_back(doc_->Find<BaseResItemImpl>("sp:" + code));
    stack_->Push(new marrow::qrv::BaseResItemCopyFromAction(*rc::gen::elementOf(entries),
                                                            *rc::gen::elementOf(entries)));
    return true;
  }

  bool PushRename() {
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    names.push_back("New " + std::to_string(*rc::gen::inRange(0, 3)));
    stack_->Push(new reference_host::RenameLineAction(
        Line(*rc::gen::elementOf(budget_ids_)), *rc::gen::elementOf(names),
        [](engine::ResItem* line, const std::string& name) {
          marrow::qrv::QRVResItemChangeNameFunc().ChangeResItemName(line, name);
        }));
    return true;
  }

  // Every cost line points to an entry that lists it, and no other entry a
  // line or form reaches lists it.
  void CheckEveryLineHasOneEntry() const {
    std::set<BaseResItemImpl*> entries;
    for (BaseResItemImpl* entry : ListedEntries()) entries.insert(entry);
    for (const std::string& id : cost_ids_)
      if (BaseResItemImpl* entry = Line(id)->GetBaseResItem()) entries.insert(entry);
    for (const std::string& id : cost_ids_) {
      BaseResItemImpl* entry = Line(id)->GetBaseResItem();
      RC_ASSERT(entry != nullptr);
      RC_ASSERT(entry->IsAttached(id));
      for (BaseResItemImpl* other : entries)
        if (other != entry) RC_ASSERT(!other->IsAttached(id));
    }
  }

  reference_host::UndoStack& stack() { return *stack_; }

 private:
  // Every entry carries code, name, unit, type, price and number.
  static void Uniform(DocumentBuilder& builder) {
    builder.WithUnit(*rc::gen::element<std::string>("t", "kg"))
        .WithPrice(*rc::gen::inRange(1, 4))
        .WithResType("C")
        .WithNumber(*rc::gen::inRange(0, 3));
  }

  std::vector<BaseResItemImpl*> ListedEntries() const {
    std::vector<BaseResItemImpl*> entries;
    reference_host::ProjectImpl* project = doc_->project();
    for (int g = 0; g < project->GetBaseResItemGroupCount(); ++g)
      for (int e = 0; e < project->GetBaseResItemGroup(g)->GetCount(); ++e)
        entries.push_back(project->GetBaseResItemGroup(g)->entry(e));
    return entries;
  }
  ResItemImpl* Line(const std::string& id) const { return doc_->Find<ResItemImpl>(id); }

  std::vector<std::string> entry_ids_, budget_ids_, cost_ids_;
  std::set<std::string> codes_;
  std::unique_ptr<reference_host::AppDocumentImpl> doc_;
  std::unique_ptr<reference_host::UndoStack> stack_;
};

RC_GTEST_PROP(ContractProperties, UndoingEverythingRestoresTheDocumentByteForByte, ()) {
  ContractWorld world;
  const std::string start = world.Saved();
  const std::set<std::string> known = HexIds(start);
  const int steps = *rc::gen::inRange(1, 20);
  for (int i = 0; i < steps; ++i) {
    switch (*rc::gen::inRange(0, 4)) {
      case 0:
        world.stack().Undo();
        break;
      case 1:
        world.stack().Redo();
        break;
      default: {
        if (!world.PushRandomAction()) break;
        // Redo after undo gives the document the first redo gave.
        const std::string done = Canonical(world.Saved(), known);
        world.stack().Undo();
        world.stack().Redo();
        RC_ASSERT(Canonical(world.Saved(), known) == done);
      }
    }
    world.CheckEveryLineHasOneEntry();
  }
  while (world.stack().CanUndo()) world.stack().Undo();
  RC_ASSERT(world.Saved() == start);
  world.CheckEveryLineHasOneEntry();
  while (world.stack().CanRedo()) {
    world.stack().Redo();
    world.CheckEveryLineHasOneEntry();
  }
  while (world.stack().CanUndo()) world.stack().Undo();
  RC_ASSERT(world.Saved() == start);
}

}  // namespace
