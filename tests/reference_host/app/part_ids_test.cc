// Collected parts keep their ids through the undo stack: a release undone
// brings its part back under its id, a collect redone makes its part under
// the id it had, and a wanted id held by another object is left alone.
#include "reference_host/app/part_ids.h"

#include "actions/qrv_res_item_collect_action.h"
#include "actions/qrv_res_item_collect_modify_quantity_action.h"
#include "actions/qrv_res_item_uncollect_action.h"
#include "reference_host/model/table_impl.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemCollectAction;
using marrow::qrv::QRVResItemCollectModifyQuantityAction;
using marrow::qrv::QRVResItemUnCollectAction;

// Runs its actions as one step, undoing them in reverse (as the program's
// script steps do).
class Composite : public app::UndoAction {
 public:
  explicit Composite(std::vector<scoped_refptr<app::UndoAction>> actions)
      : actions_(std::move(actions)) {}

 protected:
  ~Composite() override = default;
  void InternalRedo(app::AppDocument* document) override {
    for (auto& action : actions_) action->Redo(document);
  }
  void InternalUndo(app::AppDocument* document) override {
    for (auto it = actions_.rbegin(); it != actions_.rend(); ++it) (*it)->Undo(document);
  }

 private:
  std::vector<scoped_refptr<app::UndoAction>> actions_;
};

// Budget line "ys" (10) with parts p1 (1) and p3 (3) in "cbA" and p2 (2) in
// "cbB".
class PartIdsTest : public DocumentTest {
 protected:
  PartIdsTest() {
    builder_.ContractGroup("g1", "MaterialForm")
        .ContractEntry("e1", "C01", "Cement")
        .SubProject("sp1", "Building")
        .Bill("b1", 10)
        .BudgetLine("ys", 10, "R1")
        .CostLine("cbA", "e1")
        .CostLine("cbB", "e1")
        .Collect("ys", "cbA", 1, "p1")
        .Collect("ys", "cbB", 2, "p2")
        .Collect("ys", "cbA", 3, "p3");
    Build();
    stack_ = std::make_unique<reference_host::UndoStack>(doc_.get());
  }
  scoped_refptr<app::UndoAction> Release(const std::string& cost, const std::string& part) {
    return new QRVResItemUnCollectAction(Cost(cost), Item(part));
  }
  // Ids and quantities of the parts a line lists, in order.
  std::vector<std::pair<std::string, double>> Parts(const std::string& line) const {
    std::vector<std::pair<std::string, double>> parts;
    for (engine::ResItem* copy : ListedCopies(Item(line)))
      parts.emplace_back(copy->GetId(), Quantity(copy));
    return parts;
  }
  using Parts_ = std::vector<std::pair<std::string, double>>;

  std::unique_ptr<reference_host::UndoStack> stack_;
};

TEST_F(PartIdsTest, PartsReleasedInOneStepComeBackUnderTheirOwnIds) {
  stack_->Push(new Composite({Release("cbA", "p1"), Release("cbA", "p3")}), "release both");
  EXPECT_EQ(Parts("cbA"), Parts_{});
  stack_->Undo();  // p3 is collected again first, then p1
  EXPECT_EQ(Parts("cbA"), (Parts_{{"p3", 3}, {"p1", 1}}));
  stack_->Redo();
  stack_->Undo();
  EXPECT_EQ(Parts("cbA"), (Parts_{{"p3", 3}, {"p1", 1}}));
}

TEST_F(PartIdsTest, RedoOfACollectMakesItsPartUnderTheIdItHad) {
  stack_->Push(new QRVResItemCollectAction(Cost("cbB"), Item("ys"), 4), "collect");
  const std::string made = ListedCopies(Item("cbB")).back()->GetId();
  stack_->Push(new QRVResItemCollectModifyQuantityAction(Cost("cbB"), Item(made), 3), "modify");
  stack_->Undo();
  stack_->Undo();  // releases p2 as well: every part of "ys" in "cbB"
  EXPECT_EQ(Parts("cbB"), Parts_{});
  stack_->Redo();
  EXPECT_EQ(Parts("cbB"), (Parts_{{made, 4}}));
  stack_->Redo();  // the change names the part by its id
  EXPECT_EQ(Parts("cbB"), (Parts_{{made, 3}}));
}

TEST_F(PartIdsTest, AnIdTakenMeanwhileIsLeftToItsHolder) {
  stack_->Push(Release("cbA", "p1"), "release p1");
  // Another object takes the free id.
  auto* table = new reference_host::TableImpl("t", "Rows");
  doc_->project()->AddTable(table);
  table->AddRow(new reference_host::TupleImpl("p1"));
  stack_->Undo();
  std::vector<engine::ResItem*> parts = ListedCopies(Item("cbA"));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_NE(parts[1]->GetId(), "p1");
  EXPECT_DOUBLE_EQ(Quantity(parts[1]), 1);
  EXPECT_NE(dynamic_cast<reference_host::TupleImpl*>(doc_->FindObjectById("p1")), nullptr);
}

TEST_F(PartIdsTest, AStepRunByTheCallerKeepsItsIdsWhenPushedApplied) {
  scoped_refptr<app::UndoAction> release = Release("cbA", "p3");
  reference_host::PartWatch watch(doc_.get());
  release->Redo(doc_.get());
  const reference_host::PartChanges changes = watch.Take();
  ASSERT_EQ(changes.released.size(), 1u);
  EXPECT_EQ(changes.released[0].id, "p3");
  EXPECT_EQ(changes.released[0].budget_id, "ys");
  EXPECT_EQ(changes.released[0].cost_id, "cbA");
  EXPECT_TRUE(changes.made.empty());

  stack_->PushApplied(release, "release p3", changes);
  EXPECT_EQ(Parts("cbA"), (Parts_{{"p1", 1}}));  // not released twice
  stack_->Undo();
  EXPECT_EQ(Parts("cbA"), (Parts_{{"p1", 1}, {"p3", 3}}));
}

}  // namespace
