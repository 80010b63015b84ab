// Renaming a resource line through an equal entry of its sub-project, or a
// new numbered one, and the application's undo step around it.
#include "funcs/qrv_res_item_change_name_func.h"
#include "reference_host/app/rename_line_action.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/failing_factories.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemChangeNameFunc;
using reference_host::BaseResItemImpl;
using reference_host::ResSummaryImpl;

// Sub-project sp1 shares "sp1:C001" (Cement, t) and "grey" (Grey cement, t,
// also code C001); budget line ys1 (Cement) is collected into cb1 twice and
// into cb2 once; ys2 points to "sp1:C002" (Sand).
class RenameTest : public DocumentTest {
 protected:
  RenameTest() {
    doc_ = DocumentBuilder("p")
               .ContractGroup("g1", "MaterialForm")
               .ContractEntry("e1", "M01", "Cement")
               .SubProject("sp1", "Building")
               .BudgetEntry("grey", "C001-x", "Grey cement")
               .WithCode("C001")
               .WithUnit("t")
               .Bill("b1", 10)
               .BudgetLine("ys1", 10, "C001")
               .WithName("Cement")
               .WithUnit("t")
               .BudgetLine("ys2", 4, "C002")
               .WithName("Sand")
               .CostLine("cb1", "e1")
               .CostLine("cb2", "e1")
               .Collect("ys1", "cb1", 2, "copy1")
               .Collect("ys1", "cb1", 1, "copy2")
               .Collect("ys1", "cb2", 3, "copy3")
               .Build();
  }
  ResSummaryImpl* Summary() const {
    return doc_->Find<reference_host::SubProjectImpl>("sp1")->summary();
  }
};

TEST_F(RenameTest, ANameAnEqualEntryHasReusesThatEntry) {
  const int entries = Summary()->size();
  QRVResItemChangeNameFunc rename;
  rename.ChangeResItemName(Item("ys1"), "Grey cement");
  EXPECT_EQ(rename.GetNewBaseItem(), Entry("grey"));
  EXPECT_EQ(Item("ys1")->GetBaseResItem(), Entry("grey"));
  EXPECT_EQ(Summary()->size(), entries);
  // The old entry stays as it was.
  EXPECT_EQ(Entry("sp1:C001")->name(), "Cement");
}

TEST_F(RenameTest, ANewNameAddsOneNumberedEntry) {
  const int entries = Summary()->size();
  QRVResItemChangeNameFunc rename;
  rename.ChangeResItemName(Item("ys2"), "Coarse sand");
  auto* added = dynamic_cast<BaseResItemImpl*>(rename.GetNewBaseItem());
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(Summary()->size(), entries + 1);
  EXPECT_EQ(Summary()->entry(entries), added);
  EXPECT_EQ(added->name(), "Coarse sand");
  EXPECT_EQ(added->code(), "C002");
  EXPECT_EQ(added->number(), 1);
  EXPECT_EQ(Item("ys2")->GetBaseResItem(), added);
  EXPECT_EQ(doc_->FindObjectById(added->GetId()), static_cast<engine::DocumentObject*>(added));

  // The next new name of that code takes the next number; renaming back to
  // a name the set has reuses it.
  rename.ChangeResItemName(Item("ys2"), "Fine sand");
  EXPECT_EQ(dynamic_cast<BaseResItemImpl*>(rename.GetNewBaseItem())->number(), 2);
  rename.ChangeResItemName(Item("ys2"), "Coarse sand");
  EXPECT_EQ(rename.GetNewBaseItem(), added);
  EXPECT_EQ(Summary()->size(), entries + 2);
}

TEST_F(RenameTest, NumbersFollowTheHighestNumberOfTheCode) {
  doc_ = DocumentBuilder("p")
             .SubProject("sp1", "Building")
             .BudgetEntry("grey", "C001", "Grey cement")
             .WithNumber(6)
             .BudgetEntry("lime", "C002", "Lime")
             .WithNumber(9)
             .Bill("b1", 10)
             .BudgetLine("ys1", 10, "C001")
             .Build();
  QRVResItemChangeNameFunc rename;
  rename.ChangeResItemName(Item("ys1"), "White cement");
  EXPECT_EQ(dynamic_cast<BaseResItemImpl*>(rename.GetNewBaseItem())->number(), 7);
}

TEST_F(RenameTest, ACollectedLineTakesEveryCopyAlong) {
  QRVResItemChangeNameFunc rename;
  rename.ChangeResItemName(Item("ys1"), "White cement");
  engine::BaseResItem* chosen = rename.GetNewBaseItem();
  for (const char* id : {"ys1", "copy1", "copy2", "copy3"})
    EXPECT_EQ(Item(id)->GetBaseResItem(), chosen) << id;
  // The cost lines keep their contract entry.
  EXPECT_EQ(Item("cb1")->GetBaseResItem(), Entry("e1"));
}

TEST_F(RenameTest, WithoutEntrySubProjectOrNewEntryNothingChanges) {
  QRVResItemChangeNameFunc rename;
  rename.ChangeResItemName(Item("ys2"), "Grey cement");
  engine::BaseResItem* former = rename.GetNewBaseItem();
  BaseResItemImpl* entry = Item("ys2")->GetBaseResItem();
  const std::string before = Saved();

  rename.ChangeResItemName(nullptr, "Lime");
  Item("ys2")->SetBaseResItem(nullptr);
  rename.ChangeResItemName(Item("ys2"), "Lime");
  EXPECT_EQ(Item("ys2")->GetBaseResItem(), nullptr);
  Item("ys2")->SetBaseResItem(entry);
  // A free line: no sub-project above it.
  scoped_refptr<ResItemImpl> free_line(new ResItemImpl("free"));
  free_line->SetBaseResItem(Entry("grey"));
  rename.ChangeResItemName(free_line.get(), "Lime");
  {
    test_support::ScopedFactoryFailure fail(test_support::FactoryStep::kEngineFactory);
    rename.ChangeResItemName(Item("ys1"), "Lime");
  }
  EXPECT_EQ(rename.GetNewBaseItem(), former);
  EXPECT_EQ(free_line->GetBaseResItem(), Entry("grey"));
  EXPECT_EQ(Saved(), before);
}

TEST_F(RenameTest, TheSetFollowsFieldChangesOfItsEntries) {
  // "grey" becomes "Lime" after the set was first asked: renaming to Lime
  // finds it, renaming to Grey cement does not.
  QRVResItemChangeNameFunc rename;
  rename.ChangeResItemName(Item("ys1"), "Grey cement");
  Entry("grey")->SetName("Lime");
  rename.ChangeResItemName(Item("ys1"), "Lime");
  EXPECT_EQ(rename.GetNewBaseItem(), Entry("grey"));
  rename.ChangeResItemName(Item("ys1"), "Grey cement");
  EXPECT_NE(rename.GetNewBaseItem(), Entry("grey"));
}

TEST_F(RenameTest, TheApplicationsStepUndoesARename) {
  const std::string before = Saved();
  reference_host::UndoStack stack(doc_.get());
  auto rename = [](engine::ResItem* line, const std::string& name) {
    QRVResItemChangeNameFunc().ChangeResItemName(line, name);
  };
  stack.Push(new reference_host::RenameLineAction(Item("ys1"), "White cement", rename));
  stack.Push(new reference_host::RenameLineAction(Item("ys2"), "Grey cement", rename));
  const std::string renamed = Saved();
  EXPECT_NE(renamed, before);
  stack.Undo();
  stack.Undo();
  EXPECT_EQ(Saved(), before);
  stack.Redo();
  EXPECT_EQ(Item("ys1")->GetBaseResItem()->name(), "White cement");
  EXPECT_EQ(Item("copy3")->GetBaseResItem(), Item("ys1")->GetBaseResItem());
  EXPECT_EQ(dynamic_cast<BaseResItemImpl*>(Item("ys1")->GetBaseResItem())->number(), 1);
}

}  // namespace
