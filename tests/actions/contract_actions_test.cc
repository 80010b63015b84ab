// The undo actions of contract-level entries: merge and split with their
// undo, on the reference host's undo stack, and the host calls undo makes.
#include "actions/qrv_base_res_item_merge_contract_action.h"
#include "actions/qrv_base_res_item_split_contract_action.h"
#include "funcs/qrv_base_res_item_func.h"
#include "reference_host/app/factories_impl.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/contract_mocks.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVBaseResItemFunc;
using marrow::qrv::QRVBaseResItemMergeContractAction;
using marrow::qrv::QRVBaseResItemSplitContractAction;
using reference_host::BaseResItemGroupImpl;
using reference_host::BaseResItemImpl;
using testing::InSequence;
using testing::Return;

// Form g1: a (lines a1, a2), b (b1, b2), c (c1), d (none); form g2: e (e1).
class ContractActionTest : public DocumentTest {
 protected:
  ContractActionTest() {
    doc_ = DocumentBuilder("p")
               .ContractGroup("g1", "MaterialForm")
               .ContractEntry("a", "S01", "Steel")
               .ContractEntry("b", "S01", "Steel (B)")
               .ContractEntry("c", "S02", "Rebar")
               .ContractEntry("d", "S03", "Wire")
               .ContractGroup("g2", "PlantForm")
               .ContractEntry("e", "J01", "Crane")
               .SubProject("sp1", "Building")
               .Bill("bill", 10)
               .CostLine("a1", "a", 1)
               .CostLine("a2", "a", 2)
               .CostLine("b1", "b", 3)
               .CostLine("b2", "b", 4)
               .CostLine("c1", "c", 5)
               .CostLine("e1", "e", 6)
               .Build();
    stack_ = std::make_unique<reference_host::UndoStack>(doc_.get());
  }
  std::vector<engine::qrv::QRVBaseResItem*> Entries(const std::vector<std::string>& ids) const {
    std::vector<engine::qrv::QRVBaseResItem*> out;
    for (const std::string& id : ids) out.push_back(Entry(id));
    return out;
  }

  std::unique_ptr<reference_host::UndoStack> stack_;
};

TEST_F(ContractActionTest, MergeMovesTheSourcesLinesAndDropsTheSources) {
  const std::string before = Saved();
  stack_->Push(new QRVBaseResItemMergeContractAction(Entry("a"), Entries({"e", "b"})));
  EXPECT_THAT(Attached(Entry("a")), ElementsAre("a1", "a2", "b1", "b2", "e1"));
  for (const char* id : {"b1", "b2", "e1"}) EXPECT_EQ(Item(id)->GetBaseResItem(), Entry("a"));
  EXPECT_THAT(Order("g1"), ElementsAre("a", "c", "d"));
  EXPECT_THAT(Order("g2"), IsEmpty());
  EXPECT_EQ(doc_->FindObjectById("b"), nullptr);

  stack_->Undo();
  EXPECT_THAT(Order("g1"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(Order("g2"), ElementsAre("e"));
  EXPECT_THAT(Attached(Entry("b")), ElementsAre("b1", "b2"));
  EXPECT_THAT(Attached(Entry("e")), ElementsAre("e1"));
  EXPECT_THAT(Attached(Entry("a")), ElementsAre("a1", "a2"));
  EXPECT_EQ(Saved(), before);

  stack_->Redo();
  EXPECT_THAT(Attached(Entry("a")), ElementsAre("a1", "a2", "b1", "b2", "e1"));
  EXPECT_THAT(Order("g1"), ElementsAre("a", "c", "d"));
}

TEST_F(ContractActionTest, ASourceGivenTwiceIsRecordedOnce) {
  stack_->Push(new QRVBaseResItemMergeContractAction(Entry("a"), Entries({"b", "b"})));
  stack_->Undo();
  EXPECT_THAT(Attached(Entry("b")), ElementsAre("b1", "b2"));
  EXPECT_THAT(Order("g1"), ElementsAre("a", "b", "c", "d"));
}

TEST_F(ContractActionTest, RedoTakesEachRecordedLineFromWhereItIsThen) {
  stack_->Push(new QRVBaseResItemMergeContractAction(Entry("a"), Entries({"b"})));
  stack_->Undo();
  // b1 went elsewhere in between.
  QRVBaseResItemFunc(Entry("c")).MergeContract({Cost("b1")});
  stack_->Redo();
  EXPECT_THAT(Attached(Entry("a")), ElementsAre("a1", "a2", "b1", "b2"));
  EXPECT_THAT(Attached(Entry("c")), ElementsAre("c1"));
  EXPECT_EQ(Item("b1")->GetBaseResItem(), Entry("a"));
}

TEST_F(ContractActionTest, TheLinesRecordedAreThoseOfTheSourceWhenBuilt) {
  scoped_refptr<app::UndoAction> merge =
      new QRVBaseResItemMergeContractAction(Entry("a"), Entries({"b"}));
  // b1 leaves for c after the action was built, c1 joins b: redo takes the
  // lines b had then, from wherever they are.
  QRVBaseResItemFunc(Entry("c")).MergeContract({Cost("b1")});
  QRVBaseResItemFunc(Entry("b")).MergeContract({Cost("c1")});
  BaseResItemImpl* b = Entry("b");
  merge->Redo(doc_.get());
  EXPECT_THAT(Attached(Entry("a")), ElementsAre("a1", "a2", "b1", "b2"));
  EXPECT_THAT(Attached(Entry("c")), IsEmpty());
  // c1 stays with b, which has left its form.
  EXPECT_EQ(Item("c1")->GetBaseResItem(), b);
  EXPECT_EQ(doc_->FindObjectById("b"), nullptr);
}

TEST_F(ContractActionTest, TheActionKeepsAFreeSourceAlive) {
  // A source that no form holds: only the lines and the action reach it.
  scoped_refptr<engine::BaseResItem> made = app::GetEngineFactory()->CreateBaseResItem();
  auto* loose = dynamic_cast<BaseResItemImpl*>(made.get());
  base::WeakPtr<base::Object> alive = loose->AsWeakPtr();
  QRVBaseResItemFunc(loose).MergeContract({Cost("c1")});
  scoped_refptr<app::UndoAction> merge = new QRVBaseResItemMergeContractAction(Entry("a"), {loose});
  made.reset();
  merge->Redo(doc_.get());
  EXPECT_TRUE(alive);  // the lines left it: only the action holds it
  merge->Undo(doc_.get());
  EXPECT_EQ(Item("c1")->GetBaseResItem(), alive.get());
  merge->Redo(doc_.get());
  merge.reset();
  EXPECT_FALSE(alive);
}

TEST_F(ContractActionTest, SplitAndItsUndo) {
  const std::string before = Saved();
  stack_->Push(new QRVBaseResItemSplitContractAction(Entry("b"), Costs({"b2"})));
  ASSERT_EQ(Order("g1").size(), 5u);
  const std::string split_id = Order("g1")[2];
  auto* split = doc_->Find<BaseResItemImpl>(split_id);
  EXPECT_EQ(split->name(), "Steel (B)C");
  EXPECT_THAT(Attached(split), ElementsAre("b2"));
  EXPECT_EQ(Item("b2")->GetBaseResItem(), split);

  stack_->Undo();
  EXPECT_THAT(Order("g1"), ElementsAre("a", "b", "c", "d"));
  EXPECT_EQ(doc_->FindObjectById(split_id), nullptr);
  EXPECT_EQ(Saved(), before);

  // A fresh entry, in the same place.
  stack_->Redo();
  const std::vector<std::string> again = Order("g1");
  ASSERT_EQ(again.size(), 5u);
  EXPECT_NE(again[2], split_id);
  EXPECT_EQ(doc_->Find<BaseResItemImpl>(again[2])->name(), "Steel (B)C");
  EXPECT_EQ(Item("b2")->GetBaseResItem(), doc_->Find<BaseResItemImpl>(again[2]));
}

TEST_F(ContractActionTest, ASplitOffEntryThatTookLinesSinceStays) {
  stack_->Push(new QRVBaseResItemSplitContractAction(Entry("a"), Costs({"a1"})));
  const std::string split_id = Order("g1")[1];
  QRVBaseResItemFunc(Entry(split_id)).MergeContract({Cost("c1")});
  stack_->Undo();
  EXPECT_THAT(Attached(Entry("a")), ElementsAre("a1", "a2"));
  EXPECT_THAT(Attached(Entry(split_id)), ElementsAre("c1"));
  EXPECT_THAT(Order("g1"), ElementsAre("a", split_id, "b", "c", "d"));
  // Still remembered: the next undo (after a redo) merges back again.
  stack_->Redo();
  EXPECT_EQ(Order("g1").size(), 6u);
}

TEST_F(ContractActionTest, RefusedMergesAndSplitsLeaveNothingToUndo) {
  const std::string before = Saved();
  stack_->Push(new QRVBaseResItemMergeContractAction(Entry("a"), {}));
  stack_->Push(new QRVBaseResItemSplitContractAction(Entry("c"), Costs({"c1"})));
  EXPECT_EQ(Saved(), before);
  stack_->Undo();
  stack_->Undo();
  EXPECT_EQ(Saved(), before);
  stack_->Push(new QRVBaseResItemMergeContractAction(nullptr, Entries({"b"})));
  stack_->Push(new QRVBaseResItemSplitContractAction(Entry("a"), {}));
  stack_->Push(new QRVBaseResItemSplitContractAction(nullptr, Costs({"a1"})));
  EXPECT_EQ(Saved(), before);
}

TEST(ContractCallOrder, MergeUndoMovesEachLineBackInThreeSteps) {
  using testing::NiceMock;
  scoped_refptr<MockEntry> target(new NiceMock<MockEntry>);
  scoped_refptr<MockEntry> source(new NiceMock<MockEntry>);
  MockGroup group;
  scoped_refptr<MockLine> first(new NiceMock<MockLine>), second(new NiceMock<MockLine>);
  source->WalksOver({first.get(), second.get()});
  ON_CALL(*source, GetGroup).WillByDefault(Return(&group));
  scoped_refptr<app::UndoAction> merge =
      new QRVBaseResItemMergeContractAction(target.get(), {source.get()});
  EXPECT_CALL(group, RemoveBaseResItem(source.get())).WillOnce(Return(true));
  merge->Redo(nullptr);
  testing::Mock::VerifyAndClearExpectations(&group);
  {
    InSequence order;
    EXPECT_CALL(group, AddBaseResItem(source.get(), nullptr, true)).WillOnce(Return(true));
    for (MockLine* line : {first.get(), second.get()}) {
      EXPECT_CALL(*target, RemoveResItem(line));
      EXPECT_CALL(*source, AddResItem(line));
      EXPECT_CALL(*line, SetBaseResItem(source.get()));
    }
  }
  merge->Undo(nullptr);
}

}  // namespace
