// Where undoing collection gives back more or other than the saved document
// held before, because the library's rules say so (docs/cli.md, "What undo
// promises"): each difference, exactly, on a document saved before and after.
#include "actions/qrv_res_item_collect_action.h"
#include "actions/qrv_res_item_collect_modify_quantity_action.h"
#include "actions/qrv_res_item_uncollect_action.h"
#include "funcs/qrv_collect_ys_to_cb.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemCollectAction;
using marrow::qrv::QRVResItemCollectModifyQuantityAction;
using marrow::qrv::QRVResItemUnCollectAction;
using nlohmann::json;

// The object with |id| in a saved document's project (ids are unique).
json* SavedLine(json& saved, const std::string& id) {
  std::vector<json*> stack{&saved["project"]};
  while (!stack.empty()) {
    json* node = stack.back();
    stack.pop_back();
    if (node->is_object() && node->contains("id") && (*node)["id"] == id) return node;
    if (node->is_structured())
      for (json& child : *node) stack.push_back(&child);
  }
  return nullptr;
}

json* SavedCopy(json& saved, const std::string& id) {
  if (!saved.contains("copies")) return nullptr;
  for (json& copy : saved["copies"])
    if (copy["id"] == id) return &copy;
  return nullptr;
}

// A bill with budget line "ys" (10) and cost lines "cbA" (quantity 5) and
// "cbB"; "ys2" (4) is collected 1 into "cbB" as "y2" from the start.
class UndoPromisesTest : public DocumentTest {
 protected:
  UndoPromisesTest() {
    builder_.ContractGroup("g1", "MaterialForm")
        .ContractEntry("e1", "C01", "Cement")
        .SubProject("sp1", "Building")
        .Bill("b1", 10)
        .BudgetLine("ys", 10, "R1")
        .BudgetLine("ys2", 4, "R2")
        .CostLine("cbA", "e1", 5)
        .CostLine("cbB", "e1")
        .Collect("ys2", "cbB", 1, "y2");
  }
  void Build() {
    DocumentTest::Build();
    stack_ = std::make_unique<reference_host::UndoStack>(doc_.get());
    before_ = Saved();
  }
  json Saved() const { return json::parse(reference_host::SaveDocumentText(*doc_->document())); }

  std::unique_ptr<reference_host::UndoStack> stack_;
  json before_;
};

TEST_F(UndoPromisesTest, CollectUndoneLeavesTheRecordsItAttachedEmpty) {
  Build();
  stack_->Push(new QRVResItemCollectAction(Cost("cbA"), Item("ys"), 4), "collect");
  stack_->Undo();
  json after = Saved();
  // Exactly the two empty records differ.
  EXPECT_EQ(SavedLine(after, "ys")->at("record"), json({{"kind", "templete"}}));
  EXPECT_EQ(SavedLine(after, "cbA")->at("record"), json({{"kind", "object"}}));
  SavedLine(after, "ys")->erase("record");
  SavedLine(after, "cbA")->erase("record");
  EXPECT_EQ(after.dump(), before_.dump());

  // And the library sees them, in the document and once it is loaded again:
  // the cost line has nothing to collect any more (5 before), and the budget
  // line is refused as a collection target.
  auto reloaded =
      reference_host::LoadDocumentText(reference_host::SaveDocumentText(*doc_->document()));
  ASSERT_TRUE(reloaded) << reloaded.error;
  for (auto* doc : {doc_.get(), reloaded.document.get()}) {
    auto* cost = doc->Find<ResItemImpl>("cbA");
    auto* budget = doc->Find<ResItemImpl>("ys");
    EXPECT_EQ(ViewOf(cost).GetResItemCollectAllowQuantity(), 0);
    LogCapture log;
    EXPECT_FALSE(marrow::qrv::YsRCJCollectWithCB().YSRcjCollectToCB(
        budget, doc->Find<ResItemImpl>("ys2"), 1));
    EXPECT_THAT(log.warnings(), ElementsAre("没有找到成本的归集对象"));
  }
}

TEST_F(UndoPromisesTest, CollectUndoneReleasesThePartsThatWereThereBefore) {
  Build();
  stack_->Push(new QRVResItemCollectAction(Cost("cbB"), Item("ys2"), 2), "collect");
  stack_->Undo();
  // "y2" is released with the new part: gone from both records and the file.
  json after = Saved();
  EXPECT_EQ(SavedCopy(after, "y2"), nullptr);
  json expected = before_;
  expected.erase("copies");
  SavedLine(expected, "ys2")->at("record").erase("copies");
  SavedLine(expected, "cbB")->at("record").erase("copies");
  EXPECT_EQ(after.dump(), expected.dump());
}

TEST_F(UndoPromisesTest, ReleaseUndoneMakesThePartAnewFromItsBudgetLine) {
  // Collected into cbB after "y2": "q" (2 of ys), with a content and a field
  // of its own, and an owner record pointing at itself.
  builder_.Collect("ys", "cbB", 2, "q")
      .WithContent("hand-made")
      .WithField("Note", engine::FieldValue("x"));
  Build();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbB"), Item("y2")), "release y2");
  stack_->Undo();
  json after = Saved();
  // Listed last now, after "q", in the cost line's record.
  EXPECT_EQ(SavedLine(after, "cbB")->at("record")["copies"], json({"q", "y2"}));
  // The same part: a fresh copy of "ys2" holding 1, under its id.
  EXPECT_EQ(*SavedCopy(after, "y2"), *SavedCopy(before_, "y2"));

  stack_->Redo();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbB"), Item("q")), "release q");
  stack_->Undo();
  // What "q" had of its own is gone: it is made from "ys" as it is now.
  json made = *SavedCopy(before_, "q");
  made.erase("content");
  made["fields"].erase("Note");
  json after_q = Saved();
  EXPECT_EQ(*SavedCopy(after_q, "q"), made);
}

TEST_F(UndoPromisesTest, ChangeUndoneRecomputesTheRatioAndRefreshesTheFigures) {
  // A part of "ys" (10) whose saved ratio 0.0017 gives 10 x 0.0017 =
  // 0.016999999999999998, and that over 10 is 0.0016999999999999997.
  builder_.Collect("ys", "cbA", 1, "r").WithField("QRV_RICollectRatio", engine::FieldValue(0.0017));
  Build();
  const double former = Quantity(Item("r"));
  stack_->Push(new QRVResItemCollectModifyQuantityAction(Cost("cbA"), Item("r"), 2), "change");
  stack_->Undo();
  EXPECT_EQ(Quantity(Item("r")), former);
  json after = Saved();
  json& ratio = (*SavedCopy(after, "r"))["fields"]["QRV_RICollectRatio"];
  EXPECT_EQ(ratio, former / 10);
  EXPECT_NE(ratio, 0.0017);
  ratio = 0.0017;
  // The change refreshed the cost line's figure and its entry's (the sum of
  // its registered lines: cbA 5, cbB 0), and so did the undo; nothing puts
  // the figures saved before back.
  EXPECT_EQ(SavedLine(after, "cbA")->at("collectedQuantity"), Quantity(Item("r")));
  SavedLine(after, "cbA")->erase("collectedQuantity");
  json& entry = *SavedLine(after, "e1");
  EXPECT_EQ(entry.at("registeredQuantity"), 5.0);
  entry.erase("registeredQuantity");
  EXPECT_EQ(after.dump(), before_.dump());
}

// A cost line that represents budget lines by a link is no collection
// target, so the undo of a release from it, which collects the part again,
// is refused: the part stays released.
TEST_F(UndoPromisesTest, ReleaseFromALinkedCostLineIsNotUndone) {
  builder_.BudgetLine("ys3", 2, "R3").Link("cbB", "ys3");
  Build();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbB"), Item("y2")), "release y2");
  json released = Saved();
  LogCapture log;
  stack_->Undo();
  EXPECT_THAT(log.warnings(), ElementsAre("预算关联过来的人材机不可做归集 失败"));
  EXPECT_EQ(SavedCopy(released, "y2"), nullptr);
  EXPECT_EQ(Saved().dump(), released.dump());
}

// A part's quantity is its ratio times the line's, and a change may ask for
// no more than the part's quantity plus what is left, with no tolerance.
// Here the line (5) is fully collected: 1 + 2 into cbA, 2 into cbB. After
// the 2 became 0.12567693795921434, 5 - (1 + 0.12567693795921434 + 2) +
// 0.12567693795921434 is 1.9999999999999998, so giving back the 2 is
// refused and the part keeps its changed quantity.
TEST_F(UndoPromisesTest, ChangeUndoIsRefusedWhenRoundingLeavesTooLittle) {
  builder_.BudgetLine("ys5", 5, "R5")
      .Collect("ys5", "cbA", 1, "p1")
      .Collect("ys5", "cbA", 2, "p2")
      .Collect("ys5", "cbB", 2, "p3");
  Build();
  stack_->Push(
      new QRVResItemCollectModifyQuantityAction(Cost("cbA"), Item("p2"), 0.12567693795921434),
      "change");
  const json changed = Saved();
  LogCapture log;
  stack_->Undo();
  EXPECT_THAT(log.warnings(), ElementsAre("ModifyResItemCollectQuantity剩余可归集的数量不足"));
  EXPECT_EQ(Quantity(Item("p2")), 0.12567693795921434);
  EXPECT_EQ(Saved().dump(), changed.dump());
}

// The undo of a release collects the part again, under the same bound: on
// a line of 1e300 collected 0.0001 + 1e300, the sum is 1e300 by rounding,
// so releasing the 0.0001 leaves nothing, and the undo is refused, silently
// as every collect beyond the bound is.
TEST_F(UndoPromisesTest, ReleaseUndoIsRefusedWhenRoundingLeftNothing) {
  builder_.BudgetLine("big", 1e300, "R6")
      .Collect("big", "cbA", 0.0001, "small")
      .Collect("big", "cbB", 1e300, "rest");
  Build();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbA"), Item("small")), "release small");
  json released = Saved();
  LogCapture log;
  stack_->Undo();
  EXPECT_THAT(log.warnings(), IsEmpty());
  EXPECT_EQ(SavedCopy(released, "small"), nullptr);
  EXPECT_EQ(Saved().dump(), released.dump());
}

// A collect's redo asks for the quantity the collect was given, not for
// what it took: 9.99985 was snapped to the 9.9998 left; once a part of
// 0.0001 went elsewhere meanwhile, 9.99985 is beyond the window and the
// redo collects nothing, silently.
TEST_F(UndoPromisesTest, CollectRedoneAsksForItsQuantityAgain) {
  builder_.Collect("ys", "cbB", 0.0002, "small");
  Build();
  stack_->Push(new QRVResItemCollectAction(Cost("cbA"), Item("ys"), 9.99985), "collect");
  ASSERT_EQ(ListedCopies(Item("cbA")).size(), 1u);
  EXPECT_DOUBLE_EQ(Quantity(ListedCopies(Item("cbA"))[0]), 9.9998);
  stack_->Undo();
  ASSERT_TRUE(marrow::qrv::YsRCJCollectWithCB().YSRcjCollectToCB(Cost("cbB"), Item("ys"), 0.0001));
  LogCapture log;
  stack_->Redo();
  EXPECT_THAT(log.warnings(), IsEmpty());
  EXPECT_THAT(ListedCopies(Item("cbA")), IsEmpty());
}

// What is left disregards a collected total under 0.0001, so a collect of
// 9.99995 beside a part of 0.00005 snaps to the whole 10 and the line holds
// 10.00005; changing the part to 5 and back then asks for 10 where 9.99995
// is room, and the undo is refused.
TEST_F(UndoPromisesTest, ChangeUndoIsRefusedWhereASnappedCollectOverfilledTheLine) {
  builder_.Collect("ys", "cbB", 0.00005, "tiny");
  Build();
  stack_->Push(new QRVResItemCollectAction(Cost("cbA"), Item("ys"), 9.99995), "collect");
  ASSERT_EQ(ListedCopies(Item("cbA")).size(), 1u);
  engine::ResItem* part = ListedCopies(Item("cbA"))[0];
  EXPECT_DOUBLE_EQ(Quantity(part), 10.0);
  stack_->Push(new QRVResItemCollectModifyQuantityAction(Cost("cbA"), part, 5), "change");
  LogCapture log;
  stack_->Undo();
  EXPECT_THAT(log.warnings(), ElementsAre("ModifyResItemCollectQuantity剩余可归集的数量不足"));
  EXPECT_DOUBLE_EQ(Quantity(part), 5.0);
}

// The undo of a release is a collect, and snaps as one: with 0.00005 left
// beside the released 4, the part comes back with all 4.00005.
TEST_F(UndoPromisesTest, ReleaseUndoSnapsToWhatIsLeft) {
  builder_.Collect("ys", "cbA", 4, "p1").Collect("ys", "cbB", 5.99995, "p2");
  Build();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbA"), Item("p1")), "release p1");
  stack_->Undo();
  ASSERT_NE(Item("p1"), nullptr);
  EXPECT_DOUBLE_EQ(Quantity(Item("p1")), 4.00005);
  EXPECT_EQ(Allowed("ys"), 0.0);
}

// Undo restores a part under its id, and redo of a collect makes its part
// under the id it had; but the library's release action follows the copy its
// own undo made, so once the undo of the collect has released that copy, the
// release, redone, finds nothing to release.
TEST_F(UndoPromisesTest, ReleaseOfAPartMadeByAnUndoneCollectRedoesToNothing) {
  Build();
  stack_->Push(new QRVResItemCollectAction(Cost("cbA"), Item("ys"), 4), "collect");
  const std::string made = ListedCopies(Item("cbA")).at(0)->GetId();
  stack_->Push(new QRVResItemUnCollectAction(Cost("cbA"), Item(made)), "release");
  const std::string first_run = reference_host::SaveDocumentText(*doc_->document());
  stack_->Undo();
  stack_->Undo();
  stack_->Redo();
  stack_->Redo();
  EXPECT_NE(reference_host::SaveDocumentText(*doc_->document()), first_run);
  ASSERT_EQ(ListedCopies(Item("cbA")).size(), 1u);
  EXPECT_EQ(ListedCopies(Item("cbA"))[0]->GetId(), made);
}

}  // namespace
