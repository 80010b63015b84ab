// The host's resource lines, entries and collection records.
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

RC_GTEST_PROP(CopyItemQuantity, IsBudgetQuantityTimesRatio, (int budget_units, int ratio_percent)) {
  RC_PRE(budget_units % 100000 != 0);
  const double budget_quantity = (budget_units % 100000) / 10.0;
  const double ratio = (ratio_percent % 1000) / 100.0;
  auto doc = CollectedDocument();
  doc->Find<ResItemImpl>("ys1")->SetQuantity(budget_quantity);
  auto* copy = doc->Find<ResItemImpl>("copy1");
  copy->fields()->SetDouble(reference_host::keys::kCollectRatio, ratio);
  double quantity = 0;
  RC_ASSERT(copy->GetQuantity(quantity));
  RC_ASSERT(quantity == budget_quantity * ratio);
  doc->Find<ResItemImpl>("ys1")->ClearQuantity();  // no budget quantity: none either
  RC_ASSERT(!copy->GetQuantity(quantity));
}

TEST(CopyItemQuantity, DeletedBudgetLineLeavesNoDanglingReference) {
  auto doc = CollectedDocument();
  scoped_refptr<ResItemImpl> copy = doc->Find<ResItemImpl>("copy1");
  auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect());
  auto* b1 = doc->Find<reference_host::SubEngineeringImpl>("b1");
  b1->budget_list()->Remove(doc->Find<ResItemImpl>("ys1"));  // last reference goes
  EXPECT_EQ(record->GetTempleteResItem(), nullptr);
  EXPECT_EQ(record->GetCBResItem(), doc->Find<engine::qrv::QRVResItem>("cb1"));
  EXPECT_DOUBLE_EQ(Quantity(copy.get()), 10);  // its own, copied at creation, not 10 * 0.4
}

TEST(ResItemCopyFrom, TakesFieldsQuantityEntryAndSourceButNotOwnerRecordOrLinks) {
  auto doc = CollectedDocument();
  auto* budget = doc->Find<ResItemImpl>("ys1");
  auto* cost = doc->Find<ResItemImpl>("cb2");
  cost->AddLinkedResItem(doc->Find<ResItemImpl>("ys1"));
  scoped_refptr<ResItemImpl> copy(new ResItemImpl("fresh"));
  copy->fields()->SetText("Stale", "x");
  copy->CopyFrom(budget);
  EXPECT_EQ(copy->fields()->GetAllFields(), budget->fields()->GetAllFields());
  EXPECT_DOUBLE_EQ(Quantity(copy.get()), 10);
  EXPECT_EQ(copy->GetBaseResItem(), budget->GetBaseResItem());
  EXPECT_EQ(copy->GetSourceRef(), "quota-7");
  EXPECT_EQ(copy->GetOwnerList(), nullptr);
  EXPECT_EQ(copy->GetCollect(), nullptr);

  copy->CopyFrom(cost);
  EXPECT_TRUE(copy->linked_ids().empty());
  EXPECT_TRUE(copy->CanBeCollectTarget());
  EXPECT_EQ(copy->GetId(), "fresh");
}

TEST(ResItemResetOwnerRef, TakesTheLineOutOfItsListAndDocument) {
  auto doc = CollectedDocument();
  scoped_refptr<ResItemImpl> line = doc->Find<ResItemImpl>("cb2");
  line->ResetOwnerRef(0);
  EXPECT_EQ(line->GetOwnerList(), nullptr);
  EXPECT_EQ(line->GetOwner(), nullptr);
  EXPECT_EQ(doc->FindObjectById("cb2"), nullptr);
  EXPECT_EQ(doc->Find<reference_host::SubEngineeringImpl>("b1")->cost_list()->GetCount(), 1);
  line->ResetOwnerRef(0);  // a free line stays free
}

TEST(CollectionRecords, TempleteIsCollectedWhileACopyNamesACostLine) {
  auto doc = CollectedDocument();
  auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(
      doc->Find<ResItemImpl>("ys1")->GetCollect());
  ASSERT_NE(templete, nullptr);
  EXPECT_EQ(templete->GetCollectType(), 3);
  EXPECT_TRUE(templete->IsCollected());
  auto* copy_record =
      dynamic_cast<engine::qrv::QRVResCollectCopy*>(doc->Find<ResItemImpl>("copy1")->GetCollect());
  copy_record->SetCBResItem(nullptr);
  EXPECT_FALSE(templete->IsCollected());
}

TEST(CollectionRecords, RemovingAnUnlistedCopyChangesNothing) {
  auto doc = CollectedDocument();
  auto* obj =
      dynamic_cast<engine::qrv::QRVResCollectObj*>(doc->Find<ResItemImpl>("cb1")->GetCollect());
  scoped_refptr<ResItemImpl> stranger(new ResItemImpl());
  obj->RemoveCopy(stranger.get());
  obj->RemoveCopy(nullptr);
  std::vector<engine::ResItem*> copies;
  obj->GetCopies(copies);
  EXPECT_THAT(copies, ElementsAre(doc->Find<engine::ResItem>("copy1")));
}

TEST(CollectionRecords, ARecordHeldByOneItemIsRefusedByAnother) {
  auto doc = CollectedDocument();
  auto* record = doc->Find<ResItemImpl>("cb1")->GetCollect();
  auto* other = doc->Find<ResItemImpl>("cb2");
  other->SetCollect(record);
  EXPECT_EQ(other->GetCollect(), nullptr);
}

TEST(Links, AreKeptByIdWithoutDuplicates) {
  auto doc = CollectedDocument();
  auto* cost = doc->Find<ResItemImpl>("cb2");
  auto* budget = doc->Find<ResItemImpl>("ys1");
  EXPECT_TRUE(cost->CanBeCollectTarget());
  for (ResItemImpl* line : {budget, budget, static_cast<ResItemImpl*>(nullptr)})
    cost->AddLinkedResItem(line);
  EXPECT_THAT(cost->linked_ids(), ElementsAre("ys1"));
  EXPECT_TRUE(cost->IsLinkedTo(budget));
  EXPECT_FALSE(cost->IsLinkedTo(nullptr));
  EXPECT_FALSE(cost->CanBeCollectTarget());
  cost->RemoveLinkedResItem(budget);
  EXPECT_FALSE(cost->IsLinkedTo(budget));
  EXPECT_TRUE(cost->CanBeCollectTarget());
}

TEST(Recalculate, RefreshesCollectedAndRegisteredQuantities) {
  auto doc = CollectedDocument();
  auto* cost = doc->Find<ResItemImpl>("cb1");
  auto* entry = doc->Find<reference_host::BaseResItemImpl>("e1");
  doc->Find<ResItemImpl>("cb2")->SetQuantity(1.5);
  RecalculationCounter recalculated(doc->document());
  cost->Recalculate();
  entry->Recalculate();
  EXPECT_DOUBLE_EQ(cost->collected_quantity(), 4);
  EXPECT_DOUBLE_EQ(entry->registered_quantity(), 1.5);
  EXPECT_EQ(recalculated.count("cb1"), 1);
  EXPECT_EQ(recalculated.count("e1"), 1);
  // A line outside any document has no one to tell.
  scoped_refptr<ResItemImpl> free_line(new ResItemImpl());
  free_line->Recalculate();
  EXPECT_EQ(recalculated.total(), 2);
}

TEST(BaseResItems, BudgetEntryReportsNoGroupAndContractEntryItsOwner) {
  auto doc = CollectedDocument();
  auto* budget_entry = doc->Find<ResItemImpl>("ys1")->GetBaseResItem();
  EXPECT_EQ(budget_entry->GetGroup(), nullptr);
  EXPECT_EQ(budget_entry->GetOwner(), doc->Find<reference_host::SubProjectImpl>("sp1")->summary());
  EXPECT_EQ(budget_entry->fields()->GetText(reference_host::keys::kYSCostAccount), "ca2");
  auto* contract_entry = doc->Find<reference_host::BaseResItemImpl>("e1");
  EXPECT_EQ(contract_entry->GetGroup(), doc->FindObjectById("g1"));
  EXPECT_EQ(static_cast<engine::DocumentObject*>(contract_entry->GetGroup()),
            contract_entry->GetOwner());
  EXPECT_EQ(contract_entry->GetResType(), "J");
  EXPECT_THAT(contract_entry->registered_res_item_ids(), ElementsAre("cb1", "cb2"));
}

}  // namespace
