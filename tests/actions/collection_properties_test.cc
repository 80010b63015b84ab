// Properties of collection over random documents and random sequences of
// collect, release, change quantity, undo and redo run by the undo stack.
#include <algorithm>

#include "actions/qrv_res_item_collect_action.h"
#include "actions/qrv_res_item_collect_modify_quantity_action.h"
#include "actions/qrv_res_item_uncollect_action.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemBean;

constexpr double kSnap = 0.0001;

bool Lists(const engine::qrv::QRVResItem* item, const engine::ResItem* copy) {
  const std::vector<engine::ResItem*> copies = ListedCopies(item);
  return std::find(copies.begin(), copies.end(), copy) != copies.end();
}

double Allowed(engine::ResItem* budget) { return ViewOf(budget).GetResItemCollectAllowQuantity(); }

// One to three bills, each with budget lines of random sign and size, cost
// lines, and now and then a cost line linked to one of the bill's lines.
class World {
 public:
  // |foreign_copies|: release and change actions are now and then given a
  // copy that another cost line holds.
  explicit World(bool foreign_copies) : foreign_copies_(foreign_copies) {
    DocumentBuilder builder("p");
    builder.ContractGroup("g", "MaterialForm")
        .ContractEntry("e", "C01", "Cement")
        .SubProject("sp", "Building");
    const int bills = *rc::gen::inRange(1, 4);
    for (int b = 0; b < bills; ++b) {
      const std::string bill = "b" + std::to_string(b);
      builder.Bill(bill, *rc::gen::inRange(0, 5));
      const int budget_lines = *rc::gen::inRange(1, 4);
      const size_t first_budget = budget_ids_.size(), first_cost = cost_ids_.size();
      for (int i = 0; i < budget_lines; ++i) {
        const int quarters =
            *rc::gen::suchThat(rc::gen::inRange(-40, 41), [](int q) { return q != 0; });
        budget_ids_.push_back(bill + "y" + std::to_string(i));
        builder.BudgetLine(budget_ids_.back(), quarters / 4.0, "R" + budget_ids_.back());
      }
      const int cost_lines = *rc::gen::inRange(1, 4);
      for (int i = 0; i < cost_lines; ++i) {
        cost_ids_.push_back(bill + "c" + std::to_string(i));
        builder.CostLine(cost_ids_.back(), "e");
      }
      if (*rc::gen::inRange(0, 4) == 0) {
        builder.Link(
            cost_ids_[first_cost + *rc::gen::inRange<size_t>(0, cost_ids_.size() - first_cost)],
            budget_ids_[first_budget + *rc::gen::inRange<size_t>(0, budget_lines)]);
      }
    }
    doc_ = builder.Build();
    stack_ = std::make_unique<reference_host::UndoStack>(doc_.get());
  }

  ResItemImpl* PickBudget() const { return Find(*rc::gen::elementOf(budget_ids_)); }
  ResItemImpl* PickCost() const { return Find(*rc::gen::elementOf(cost_ids_)); }
  // A copy listed by |cost| (or, when allowed, now and then by another cost
  // line), or null.
  engine::ResItem* PickCopy(ResItemImpl* cost) const {
    const bool foreign = foreign_copies_ && *rc::gen::inRange(0, 4) == 0;
    std::vector<engine::ResItem*> copies = ListedCopies(foreign ? PickCost() : cost);
    if (copies.empty()) return nullptr;
    return copies[*rc::gen::inRange<size_t>(0, copies.size())];
  }
  // Plain halves, or fractions of / offsets from |allowed| to reach the snap.
  static double PickQuantity(double allowed) {
    switch (*rc::gen::inRange(0, 3)) {
      case 0:
        return *rc::gen::inRange(-20, 21) / 2.0;
      case 1:
        return allowed * *rc::gen::element(0.25, 0.5, 1.0, -1.0);
      default:
        return allowed + *rc::gen::element(-0.00009, 0.0, 0.00009, 0.0002);
    }
  }

  // One random step, with what the step itself must have done.
  void Step() {
    switch (*rc::gen::inRange(0, 5)) {
      case 0:
        return StepCollect();
      case 1:
        return StepRelease();
      case 2:
        return StepModify();
      case 3:
        return stack_->Undo();
      default:
        return stack_->Redo();
    }
  }

  void StepCollect() {
    ResItemImpl* cost = PickCost();
    ResItemImpl* budget = PickBudget();
    const double allowed = Allowed(budget);
    double quantity = PickQuantity(allowed);
    const std::vector<engine::ResItem*> before = ListedCopies(cost);
    stack_->Push(new marrow::qrv::QRVResItemCollectAction(cost, budget, quantity));

    const double requested = quantity;
    if (std::fabs(quantity - allowed) < kSnap) quantity = allowed;
    const bool expected = std::fabs(requested) >= 1e-6 && cost->CanBeCollectTarget() &&
                          std::fabs(quantity) <= std::fabs(allowed) &&
                          std::fabs(quantity) >= 1e-6 && quantity / Quantity(budget) > 0;
    const std::vector<engine::ResItem*> after = ListedCopies(cost);
    RC_ASSERT(after.size() == before.size() + (expected ? 1 : 0));
    if (expected) {
      RC_ASSERT(std::equal(before.begin(), before.end(), after.begin()));
      RC_ASSERT(std::fabs(Quantity(after.back()) - quantity) <= 1e-9 * std::fabs(quantity));
      RC_ASSERT(CopyRecord(after.back())->GetTempleteResItem() == budget);
    }
  }

  void StepRelease() {
    ResItemImpl* cost = PickCost();
    scoped_refptr<engine::ResItem> copy(PickCopy(cost));
    const bool listed = copy && Lists(cost, copy.get());
    stack_->Push(new marrow::qrv::QRVResItemUnCollectAction(cost, copy.get()));
    if (!copy) return;
    // Released from both lists when |cost| held it; untouched otherwise.
    auto* budget = dynamic_cast<ResItemImpl*>(CopyRecord(copy.get())->GetTempleteResItem());
    RC_ASSERT(!Lists(cost, copy.get()));
    RC_ASSERT(Lists(budget, copy.get()) == !listed);
  }

  void StepModify() {
    ResItemImpl* cost = PickCost();
    scoped_refptr<engine::ResItem> copy(PickCopy(cost));
    if (!copy) {
      stack_->Push(new marrow::qrv::QRVResItemCollectModifyQuantityAction(cost, nullptr, 1));
      return;
    }
    engine::qrv::QRVResCollectCopy* record = CopyRecord(copy.get());
    const double current = Quantity(copy.get());
    const double allowed = Allowed(record->GetTempleteResItem());
    const double quantity = *rc::gen::inRange(0, 2) ? PickQuantity(current + allowed)
                                                    : *rc::gen::inRange(-20, 21) / 2.0;
    stack_->Push(
        new marrow::qrv::QRVResItemCollectModifyQuantityAction(cost, copy.get(), quantity));
    const bool expected = std::fabs(quantity) >= 1e-6 && record->GetCBResItem() == cost &&
                          std::fabs(quantity) <= std::fabs(current + allowed) &&
                          quantity / Quantity(record->GetTempleteResItem()) > 0;
    const double now = Quantity(copy.get());
    RC_ASSERT(std::fabs(now - (expected ? quantity : current)) <= 1e-9 * std::fabs(now) + 1e-12);
  }

  // The collection model stays whole and within its quantities.
  void CheckInvariants() const {
    for (const std::string& id : budget_ids_) {
      ResItemImpl* budget = Find(id);
      const QRVResItemBean view = ViewOf(budget);
      const double source = Quantity(budget);
      const std::vector<engine::ResItem*> copies = ListedCopies(budget);
      for (engine::ResItem* copy : copies) {
        RC_ASSERT(copy != nullptr);
        RC_ASSERT(std::count(copies.begin(), copies.end(), copy) == 1);
        engine::qrv::QRVResCollectCopy* record = CopyRecord(copy);
        RC_ASSERT(record != nullptr);
        RC_ASSERT(record->GetTempleteResItem() == static_cast<engine::ResItem*>(budget));
        RC_ASSERT(Lists(record->GetCBResItem(), copy));
        RC_ASSERT(doc_->FindObjectById(copy->GetId()) ==
                  static_cast<engine::DocumentObject*>(copy));
        RC_ASSERT(Quantity(copy) * source > 0);
      }
      const double collected = view.GetResItemCollectedQuantity(0);
      RC_ASSERT(std::fabs(collected) <= std::fabs(source) + kSnap);
      if (view.IsBindWithCBRCJ()) {
        RC_ASSERT(copies.empty());
      } else if (std::fabs(collected) < std::fabs(source) &&
                 (collected == 0 || std::fabs(collected) >= kSnap)) {
        const double sum = view.GetResItemCollectAllowQuantity() + collected;
        RC_ASSERT(std::fabs(sum - source) <= 1e-9 * std::fabs(source));
      }
    }
    for (const std::string& id : cost_ids_) {
      ResItemImpl* cost = Find(id);
      const std::vector<engine::ResItem*> copies = ListedCopies(cost);
      if (!cost->CanBeCollectTarget()) RC_ASSERT(copies.empty());
      for (engine::ResItem* copy : copies) {
        RC_ASSERT(std::count(copies.begin(), copies.end(), copy) == 1);
        engine::qrv::QRVResCollectCopy* record = CopyRecord(copy);
        RC_ASSERT(record != nullptr);
        RC_ASSERT(record->GetCBResItem() == static_cast<engine::qrv::QRVResItem*>(cost));
        auto* budget = dynamic_cast<ResItemImpl*>(record->GetTempleteResItem());
        RC_ASSERT(budget != nullptr);
        RC_ASSERT(Lists(budget, copy));
      }
    }
  }

  void CheckNothingCollected() const {
    for (const std::string& id : budget_ids_) {
      const QRVResItemBean view = ViewOf(Find(id));
      RC_ASSERT(ListedCopies(Find(id)).empty());
      RC_ASSERT(!view.IsCollected());
      if (!view.IsBindWithCBRCJ())
        RC_ASSERT(view.GetResItemCollectAllowQuantity() == Quantity(Find(id)));
    }
    for (const std::string& id : cost_ids_) RC_ASSERT(ListedCopies(Find(id)).empty());
  }

  reference_host::UndoStack& stack() { return *stack_; }

 private:
  ResItemImpl* Find(const std::string& id) const { return doc_->Find<ResItemImpl>(id); }

  const bool foreign_copies_;
  std::vector<std::string> budget_ids_;
  std::vector<std::string> cost_ids_;
  std::unique_ptr<reference_host::AppDocumentImpl> doc_;
  std::unique_ptr<reference_host::UndoStack> stack_;
};

RC_GTEST_PROP(CollectionProperties, ModelStaysWholeAndEveryStepDoesWhatItMay, ()) {
  World world(true);
  const int steps = *rc::gen::inRange(1, 30);
  for (int i = 0; i < steps; ++i) {
    world.Step();
    world.CheckInvariants();
  }
}

RC_GTEST_PROP(CollectionProperties, UndoingEveryActionLeavesNothingCollected, ()) {
  // A release action given another cost line's copy releases nothing, yet
  // its undo collects into its own cost line; that is covered on its own.
  World world(false);
  const int steps = *rc::gen::inRange(1, 30);
  for (int i = 0; i < steps; ++i) world.Step();
  while (world.stack().CanUndo()) world.stack().Undo();
  world.CheckNothingCollected();
  while (world.stack().CanRedo()) world.stack().Redo();
  world.CheckInvariants();
  while (world.stack().CanUndo()) world.stack().Undo();
  world.CheckNothingCollected();
}

}  // namespace
