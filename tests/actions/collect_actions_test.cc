// The collection undo actions run by the host's undo stack: what redo and
// undo change, which notifications the product document hears, and the runs
// that find nothing to work on.
#include "actions/qrv_res_item_collect_action.h"
#include "actions/qrv_res_item_collect_modify_quantity_action.h"
#include "actions/qrv_res_item_uncollect_action.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemCollectAction;
using marrow::qrv::QRVResItemCollectModifyQuantityAction;
using marrow::qrv::QRVResItemUnCollectAction;
using reference_host::CollectNotification;

// A bill of 10 with budget lines "ys" (10) and "ys2" (8) and cost lines
// "cbA" and "cbB".
class CollectActionsTest : public DocumentTest {
 protected:
  CollectActionsTest() {
    builder_.ContractGroup("g1", "MaterialForm")
        .ContractEntry("e1", "C01", "Cement")
        .SubProject("sp1", "Building")
        .Bill("b1", 10)
        .BudgetLine("ys", 10, "R1")
        .BudgetLine("ys2", 8, "R2")
        .CostLine("cbA", "e1")
        .CostLine("cbB", "e1");
  }
  void Build() {
    DocumentTest::Build();
    stack_ = std::make_unique<reference_host::UndoStack>(doc_.get());
  }
  void PushCollect(const std::string& cost, const std::string& budget, double quantity) {
    stack_->Push(new QRVResItemCollectAction(Cost(cost), Item(budget), quantity), "collect");
  }
  const std::vector<CollectNotification>& Notes() const { return doc_->collect_notifications(); }
  static CollectNotification Note(const std::string& budget, const std::string& cost, bool on) {
    return CollectNotification{budget, cost, on};
  }

  std::unique_ptr<reference_host::UndoStack> stack_;
};

TEST_F(CollectActionsTest, UndoOfACollectReleasesEveryPartOfThatLineInThatCostLine) {
  builder_.Collect("ys2", "cbA", 1).Collect("ys", "cbB", 2);
  Build();
  PushCollect("cbA", "ys", 3);
  PushCollect("cbA", "ys", 2);
  EXPECT_THAT(ListedQuantities(Item("cbA")), ElementsAre(1, 3, 2));
  stack_->Undo();  // the second action releases both parts of "ys"
  EXPECT_THAT(ListedQuantities(Item("cbA")), ElementsAre(1));
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(2));  // the part in cbB stays
  stack_->Redo();
  EXPECT_THAT(ListedQuantities(Item("cbA")), ElementsAre(1, 2));
  stack_->Undo();
  stack_->Undo();  // nothing of "ys" left in cbA, but the list is not empty
  EXPECT_THAT(Notes(), ElementsAre(Note("ys", "cbA", true), Note("ys", "cbA", true),
                                   Note("ys", "cbA", false), Note("ys", "cbA", true),
                                   Note("ys", "cbA", false), Note("ys", "cbA", false)));
  EXPECT_DOUBLE_EQ(Allowed("ys"), 8);
}

TEST_F(CollectActionsTest, RefusedCollectStillNotifiesButItsUndoWithNoPartsDoesNot) {
  Build();
  PushCollect("cbA", "ys", 20);
  EXPECT_EQ(Item("cbA")->GetCollect(), nullptr);
  stack_->Undo();
  PushCollect("cbA", "ys", 4);
  ASSERT_TRUE(stack_->CanUndo());
  stack_->Undo();  // leaves an empty object record behind
  stack_->Redo();
  stack_->Undo();
  ResItemImpl* cost = Item("cbA");
  EXPECT_THAT(ListedCopies(cost), IsEmpty());
  stack_->Push(new QRVResItemCollectAction(cost, Item("ys2"), 20), "refused");
  stack_->Undo();  // an empty list: no notification
  EXPECT_THAT(Notes(), ElementsAre(Note("ys", "cbA", true), Note("ys", "cbA", true),
                                   Note("ys", "cbA", false), Note("ys", "cbA", true),
                                   Note("ys", "cbA", false), Note("ys2", "cbA", true)));
}

TEST_F(CollectActionsTest, ReleaseUndoRestoresItsPartAsANewCopyAcrossCycles) {
  builder_.Collect("ys", "cbA", 4, "c4")
      .Collect("ys", "cbA", 1, "c1")
      .Collect("ys", "cbB", 5, "c5");
  Build();
  scoped_refptr<engine::ResItem> released(Item("c4"));
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbA"), Item("c4")), "release");
  EXPECT_THAT(ListedCopies(Item("cbA")), ElementsAre(Item("c1")));
  EXPECT_EQ(doc_->FindObjectById("c4"), nullptr);
  for (int cycle = 0; cycle < 3; ++cycle) {
    SCOPED_TRACE(cycle);
    stack_->Undo();
    std::vector<engine::ResItem*> restored = ListedCopies(Item("cbA"));
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0], Item("c1"));
    EXPECT_DOUBLE_EQ(Quantity(restored[1]), 4);
    EXPECT_NE(restored[1], released.get());  // a new copy; the host gives it c4's id
    EXPECT_EQ(restored[1]->GetId(), "c4");
    EXPECT_EQ(Allowed("ys"), 0);
    stack_->Redo();  // releases the restored part, never c1
    EXPECT_THAT(ListedCopies(Item("cbA")), ElementsAre(Item("c1")));
    EXPECT_DOUBLE_EQ(Allowed("ys"), 4);
  }
  EXPECT_THAT(ListedCopies(Item("cbB")), ElementsAre(Item("c5")));
  std::vector<CollectNotification> expected{Note("ys", "cbA", false)};
  for (int cycle = 0; cycle < 3; ++cycle) {
    expected.push_back(Note("ys", "cbA", true));
    expected.push_back(Note("ys", "cbA", false));
  }
  EXPECT_EQ(Notes(), expected);
  // Operations naming the id reach the part made anew.
  stack_->Undo();
  stack_->Push(new QRVResItemCollectModifyQuantityAction(Cost("cbA"), Item("c4"), 0.5), "modify");
  EXPECT_THAT(ListedQuantities(Item("cbA")), ElementsAre(1, 0.5));
}

// The action trusts its caller that the copy is collected into the given
// cost line: undo collects the stored quantity there whatever redo released.
TEST_F(CollectActionsTest, ReleaseGivenAnotherCostLinesCopyReleasesNothingButItsUndoCollects) {
  builder_.Collect("ys", "cbB", 4, "c4");
  Build();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbA"), Item("c4")));
  EXPECT_THAT(ListedCopies(Item("cbB")), ElementsAre(Item("c4")));
  EXPECT_EQ(Item("cbA")->GetCollect(), nullptr);
  stack_->Undo();
  EXPECT_THAT(ListedQuantities(Item("cbA")), ElementsAre(4));
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4, 4));
  EXPECT_THAT(Notes(), ElementsAre(Note("ys", "cbA", true)));
}

TEST_F(CollectActionsTest, ChangeQuantityUndoSetsThePreviousQuantityBack) {
  builder_.Collect("ys", "cbA", 4, "c4");
  Build();
  stack_->Push(new QRVResItemCollectModifyQuantityAction(Cost("cbA"), Item("c4"), 6), "modify");
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 6);
  stack_->Undo();
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 4);
  stack_->Redo();
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 6);
  stack_->Undo();
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 4);
  EXPECT_THAT(Notes(), IsEmpty());
}

TEST_F(CollectActionsTest, RefusedChangeLeavesTheQuantityThroughRedoAndUndo) {
  builder_.Collect("ys", "cbA", 4, "c4");
  Build();
  LogCapture log;
  stack_->Push(new QRVResItemCollectModifyQuantityAction(Cost("cbA"), Item("c4"), 11), "too much");
  stack_->Undo();  // back to the previous quantity 0, which is refused too
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 4);
  EXPECT_THAT(log.warnings(), ElementsAre("ModifyResItemCollectQuantity剩余可归集的数量不足",
                                          "ModifyResItemCollectQuantity副本人材机的消耗量为为0"));
}

TEST_F(CollectActionsTest, NullItemsGiveRunsThatDoNothing) {
  builder_.Collect("ys", "cbA", 4, "c4");
  Build();
  for (app::UndoAction* action : std::vector<app::UndoAction*>{
           new QRVResItemCollectAction(nullptr, Item("ys"), 3),
           new QRVResItemCollectAction(Cost("cbA"), nullptr, 3),
           new QRVResItemUnCollectAction(Cost("cbA"), nullptr),
           new QRVResItemCollectModifyQuantityAction(Cost("cbA"), nullptr, 2)}) {
    stack_->Push(action);
    stack_->Undo();
    stack_->Redo();
  }
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4));
  EXPECT_THAT(Notes(), IsEmpty());
}

TEST_F(CollectActionsTest, ItemsAreFoundByIdInTheDocumentOfEachRun) {
  builder_.Collect("ys", "cbA", 4, "c4");
  Build();
  auto other = DocumentBuilder("q")
                   .ContractGroup("g9", "MaterialForm")
                   .ContractEntry("e9", "C09")
                   .SubProject("sp9", "Other")
                   .Bill("b9", 1)
                   .BudgetLine("stranger", 5, "R9")
                   .CostLine("cbZ", "e9")
                   .Collect("stranger", "cbZ", 2, "z2")
                   .Build();
  auto* cbZ = other->Find<ResItemImpl>("cbZ");
  stack_->Push(new QRVResItemCollectAction(cbZ, other->Find<ResItemImpl>("stranger"), 1));
  stack_->Push(new QRVResItemUnCollectAction(cbZ, other->Find<ResItemImpl>("z2")));
  stack_->Push(new QRVResItemCollectModifyQuantityAction(cbZ, other->Find<ResItemImpl>("z2"), 1));
  stack_->Undo();
  stack_->Undo();
  stack_->Undo();
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4));
  EXPECT_THAT(ListedQuantities(other->Find<ResItemImpl>("stranger")), ElementsAre(2));
  EXPECT_THAT(Notes(), IsEmpty());
  EXPECT_THAT(other->collect_notifications(), IsEmpty());

  // A cost line that left the document is not found by the undo.
  PushCollect("cbA", "ys", 3);
  doc_->ClearNotifications();
  scoped_refptr<ResItemImpl> removed =
      doc_->Find<reference_host::SubEngineeringImpl>("b1")->cost_list()->Remove(Item("cbA"));
  stack_->Undo();
  EXPECT_THAT(ListedQuantities(removed.get()), ElementsAre(4, 3));
  EXPECT_THAT(Notes(), IsEmpty());
}

TEST_F(CollectActionsTest, OtherDocumentsHearNothingButTheCollectionHappens) {
  auto plain = builder_.BuildPlain();
  reference_host::UndoStack stack(plain.get());
  auto* cost = plain->Find<ResItemImpl>("cbA");
  auto* budget = plain->Find<ResItemImpl>("ys");
  stack.Push(new QRVResItemCollectAction(cost, budget, 3));
  EXPECT_THAT(ListedQuantities(cost), ElementsAre(3));
  stack.Undo();
  EXPECT_THAT(ListedCopies(cost), IsEmpty());
  stack.Redo();
  stack.Push(new QRVResItemUnCollectAction(cost, ListedCopies(cost).at(0)));
  EXPECT_THAT(ListedCopies(cost), IsEmpty());
  stack.Undo();
  EXPECT_THAT(ListedQuantities(budget), ElementsAre(3));
}

}  // namespace
