// Copying one base resource entry's fields onto another, undoably, and the
// merge-changed report to the product document.
#include "actions/base_res_item_copy_from_action.h"
#include "actions/base_res_item_merge_changed_action.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/failing_factories.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::BaseResItemCopyFromAction;
using marrow::qrv::BaseResItemMergeChangedAction;
using reference_host::BaseResItemImpl;
using reference_host::keys::kCode;
using reference_host::keys::kName;
using reference_host::keys::kPrice;
using reference_host::keys::kUnit;

// The contract entry "target" (code S01, Steel, t, 4100, a note only it has)
// and "source" (code S02, Rebar, kg, 5.2, a lease quantity only it has).
class CopyFromTest : public DocumentTest {
 protected:
  CopyFromTest() {
    doc_ = DocumentBuilder("p")
               .ContractGroup("g1", "MaterialForm")
               .ContractEntry("target", "S01", "Steel")
               .WithUnit("t")
               .WithPrice(4100)
               .WithField("Note", "only the target")
               .ContractEntry("source", "S02", "Rebar")
               .WithUnit("kg")
               .WithPrice(5.2)
               .WithLeaseQuantity("12")
               .Build();
  }
  engine::FieldContainer::FieldMap Fields(const std::string& id) const {
    return Entry(id)->fields()->GetAllFields();
  }
  scoped_refptr<app::UndoAction> CopyAction() const {
    return new BaseResItemCopyFromAction(Entry("target"), Entry("source"));
  }
};

// Each write asks for notification; the backup is a free entry of its own.
TEST_F(CopyFromTest, RedoTakesEverySourceFieldAndKeepsTheTargetsOwn) {
  const int notified = Entry("target")->fields()->notification_count();
  const size_t objects = doc_->document()->object_count();
  scoped_refptr<app::UndoAction> copy = CopyAction();
  copy->Redo(doc_.get());
  engine::FieldContainer::FieldMap expected = Fields("source");
  expected.emplace("Note", "only the target");
  EXPECT_EQ(Fields("target"), expected);
  EXPECT_EQ(Fields("source").size(), 5u);
  EXPECT_EQ(Entry("target")->fields()->notification_count(), notified + 5);
  EXPECT_EQ(doc_->document()->object_count(), objects);
}

TEST_F(CopyFromTest, UndoPutsBackTheTargetAsItWasWhenTheActionWasBuilt) {
  scoped_refptr<app::UndoAction> copy = CopyAction();
  const engine::FieldContainer::FieldMap built = Fields("target");
  // Changed between building and redo: undo restores the earlier state.
  Entry("target")->SetName("Steel, renamed");
  copy->Redo(doc_.get());
  copy->Undo(doc_.get());
  // Undo only overwrites: the lease quantity the target lacked stays.
  engine::FieldContainer::FieldMap expected = built;
  expected.emplace(reference_host::keys::kLeaseQuantity, "12");
  EXPECT_EQ(Fields("target"), expected);
  copy->Redo(doc_.get());
  EXPECT_EQ(Entry("target")->name(), "Rebar");
}

TEST_F(CopyFromTest, NothingHappensWithoutTargetSourceOrBackup) {
  const std::string before = reference_host::SaveDocumentText(*doc_->document());
  std::vector<scoped_refptr<app::UndoAction>> actions = {
      new BaseResItemCopyFromAction(nullptr, Entry("source")),
      new BaseResItemCopyFromAction(Entry("target"), nullptr)};
  {
    test_support::ScopedFactoryFailure fail(test_support::FactoryStep::kEngineFactory);
    actions.push_back(CopyAction());
  }
  {
    test_support::ScopedFactoryFailure fail(test_support::FactoryStep::kCreateBaseResItem);
    actions.push_back(CopyAction());
  }
  for (auto& action : actions) {
    action->Redo(doc_.get());
    action->Undo(doc_.get());
  }
  EXPECT_EQ(reference_host::SaveDocumentText(*doc_->document()), before);
}

TEST(MergeChanged, RedoAndUndoTellTheProductDocumentAlike) {
  auto doc = DocumentBuilder("p")
                 .ContractGroup("g1", "MaterialForm")
                 .ContractEntry("e1", "S01", "Steel")
                 .Build();
  scoped_refptr<app::UndoAction> action =
      new BaseResItemMergeChangedAction(doc->Find<BaseResItemImpl>("e1"));
  action->Redo(doc.get());
  action->Undo(doc.get());
  EXPECT_THAT(doc->merge_changed_notifications(), ElementsAre("e1", "e1"));
}

TEST(MergeChanged, NothingHappensWithoutEntryOrProductDocument) {
  auto doc = DocumentBuilder("p")
                 .ContractGroup("g1", "MaterialForm")
                 .ContractEntry("e1", "S01", "Steel")
                 .Build();
  auto plain = DocumentBuilder("q")
                   .ContractGroup("g1", "MaterialForm")
                   .ContractEntry("e1", "S01", "Steel")
                   .BuildPlain();
  scoped_refptr<app::UndoAction> unbound = new BaseResItemMergeChangedAction(nullptr);
  unbound->Redo(doc.get());
  scoped_refptr<app::UndoAction> bound =
      new BaseResItemMergeChangedAction(doc->Find<BaseResItemImpl>("e1"));
  bound->Redo(plain.get());
  bound->Undo(nullptr);
  EXPECT_THAT(doc->merge_changed_notifications(), IsEmpty());
}

}  // namespace
