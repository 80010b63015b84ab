// The host's resource lines, entries and collection records.
#include <cmath>
#include <memory>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include "host/app/factories.h"
#include "host/app/qrv/qrv_application.h"
#include "host/engine/factory.h"
#include "host/engine/qrv/qrv_factory.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/app/factory_failures.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"

namespace {

using host::DocumentBuilder;
using host::ResItemImpl;

std::unique_ptr<host::AppDocumentImpl> CollectedDocument() {
  return DocumentBuilder("p")
      .ContractGroup("g1", "SelfLeaseMachineForm")
      .ContractEntry("e1", "M01", "Crane").WithResType("J").WithCostAccount("ca1")
      .SubProject("sp1", "Building")
      .Bill("b1", 10)
      .BudgetLine("ys1", 10, "C001").WithName("Cement").WithUnit("t").WithYSCostAccount("ca2")
      .WithSourceRef("quota-7")
      .CostLine("cb1", "e1")
      .CostLine("cb2", "e1")
      .Collect("ys1", "cb1", 4, "copy1")
      .Build();
}

double Quantity(const engine::ResItem* item) {
  double quantity = -1;
  EXPECT_TRUE(item->GetQuantity(quantity));
  return quantity;
}

TEST(CopyItemQuantity, FollowsTheBudgetLineTimesItsRatio) {
  auto doc = CollectedDocument();
  auto* budget = doc->Find<ResItemImpl>("ys1");
  auto* copy = doc->Find<ResItemImpl>("copy1");
  EXPECT_DOUBLE_EQ(Quantity(copy), 4);
  budget->SetQuantity(20);
  EXPECT_DOUBLE_EQ(Quantity(copy), 8);
  copy->fields()->SetDouble(host::keys::kCollectRatio, 0.25);
  EXPECT_DOUBLE_EQ(Quantity(copy), 5);
  budget->ClearQuantity();
  double unread = -1;
  EXPECT_FALSE(copy->GetQuantity(unread));
  EXPECT_EQ(unread, -1);
}

RC_GTEST_PROP(CopyItemQuantity, IsBudgetQuantityTimesRatio, (int budget_units, int ratio_percent)) {
  RC_PRE(budget_units % 100000 != 0);
  const double budget_quantity = (budget_units % 100000) / 10.0;
  const double ratio = (ratio_percent % 1000) / 100.0;
  auto doc = CollectedDocument();
  doc->Find<ResItemImpl>("ys1")->SetQuantity(budget_quantity);
  auto* copy = doc->Find<ResItemImpl>("copy1");
  copy->fields()->SetDouble(host::keys::kCollectRatio, ratio);
  double quantity = 0;
  RC_ASSERT(copy->GetQuantity(quantity));
  RC_ASSERT(quantity == budget_quantity * ratio);
}

TEST(CopyItemQuantity, WithoutACopyRecordIsTheItemsOwn) {
  scoped_refptr<ResItemImpl> item(new ResItemImpl());
  item->SetQuantity(3);
  item->fields()->SetDouble(host::keys::kCollectRatio, 0.5);
  EXPECT_DOUBLE_EQ(Quantity(item.get()), 3);
}

TEST(CopyItemQuantity, DeletedBudgetLineLeavesNoDanglingReference) {
  auto doc = CollectedDocument();
  scoped_refptr<ResItemImpl> copy = doc->Find<ResItemImpl>("copy1");
  auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect());
  auto* b1 = doc->Find<host::SubEngineeringImpl>("b1");
  b1->budget_list()->Remove(doc->Find<ResItemImpl>("ys1"));  // last reference goes
  EXPECT_EQ(record->GetTempleteResItem(), nullptr);
  EXPECT_EQ(record->GetCBResItem(), doc->Find<engine::qrv::QRVResItem>("cb1"));
  EXPECT_DOUBLE_EQ(Quantity(copy.get()), 10);  // its own, copied at creation
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
  EXPECT_EQ(doc->Find<host::SubEngineeringImpl>("b1")->cost_list()->GetCount(), 1);
  line->ResetOwnerRef(0);  // a free line stays free
}

TEST(CollectionRecords, TempleteIsCollectedWhileACopyNamesACostLine) {
  auto doc = CollectedDocument();
  auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(doc->Find<ResItemImpl>("ys1")->GetCollect());
  ASSERT_NE(templete, nullptr);
  EXPECT_EQ(templete->GetCollectType(), 3);
  EXPECT_TRUE(templete->IsCollected());
  auto* copy_record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(doc->Find<ResItemImpl>("copy1")->GetCollect());
  copy_record->SetCBResItem(nullptr);
  EXPECT_FALSE(templete->IsCollected());
}

TEST(CollectionRecords, RemovingAnUnlistedCopyChangesNothing) {
  auto doc = CollectedDocument();
  auto* obj = dynamic_cast<engine::qrv::QRVResCollectObj*>(doc->Find<ResItemImpl>("cb1")->GetCollect());
  scoped_refptr<ResItemImpl> stranger(new ResItemImpl());
  obj->RemoveCopy(stranger.get());
  obj->RemoveCopy(nullptr);
  std::vector<engine::ResItem*> copies;
  obj->GetCopies(copies);
  EXPECT_THAT(copies, testing::ElementsAre(doc->Find<engine::ResItem>("copy1")));
}

TEST(CollectionRecords, ARecordHeldByOneItemIsRefusedByAnother) {
  auto doc = CollectedDocument();
  auto* record = doc->Find<ResItemImpl>("cb1")->GetCollect();
  auto* other = doc->Find<ResItemImpl>("cb2");
  other->SetCollect(record);
  EXPECT_EQ(other->GetCollect(), nullptr);
}

TEST(CollectionRecords, FactoryRecordsHaveTheirTypeCodes) {
  engine::qrv::QRVFactory* factory = app::qrv::GetQRVFactory();
  scoped_refptr<engine::qrv::QRVResCollect> obj(factory->CreateResCollectObj());
  scoped_refptr<engine::qrv::QRVResCollect> copy(factory->CreateResCollectCopy());
  scoped_refptr<engine::qrv::QRVResCollect> templete(factory->CreateResCollectTemplete());
  EXPECT_EQ(obj->GetCollectType(), 1);
  EXPECT_EQ(copy->GetCollectType(), 2);
  EXPECT_EQ(templete->GetCollectType(), 3);
}

TEST(Links, AreKeptByIdWithoutDuplicates) {
  auto doc = CollectedDocument();
  auto* cost = doc->Find<ResItemImpl>("cb2");
  auto* budget = doc->Find<ResItemImpl>("ys1");
  EXPECT_TRUE(cost->CanBeCollectTarget());
  cost->AddLinkedResItem(budget);
  cost->AddLinkedResItem(budget);
  cost->AddLinkedResItem(nullptr);
  EXPECT_THAT(cost->linked_ids(), testing::ElementsAre("ys1"));
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
  auto* entry = doc->Find<host::BaseResItemImpl>("e1");
  doc->Find<ResItemImpl>("cb2")->SetQuantity(1.5);
  cost->Recalculate();
  entry->Recalculate();
  EXPECT_DOUBLE_EQ(cost->collected_quantity(), 4);
  EXPECT_DOUBLE_EQ(entry->registered_quantity(), 1.5);
  EXPECT_EQ(cost->recalculate_count(), 1);
}

TEST(BaseResItems, BudgetEntryReportsNoGroupAndContractEntryItsOwner) {
  auto doc = CollectedDocument();
  auto* budget_entry = doc->Find<ResItemImpl>("ys1")->GetBaseResItem();
  EXPECT_EQ(budget_entry->GetGroup(), nullptr);
  EXPECT_EQ(budget_entry->GetOwner(), doc->Find<host::SubProjectImpl>("sp1")->summary());
  EXPECT_EQ(budget_entry->fields()->GetText(host::keys::kYSCostAccount), "ca2");
  auto* contract_entry = doc->Find<host::BaseResItemImpl>("e1");
  EXPECT_EQ(contract_entry->GetGroup(), doc->FindObjectById("g1"));
  EXPECT_EQ(static_cast<engine::DocumentObject*>(contract_entry->GetGroup()), contract_entry->GetOwner());
  EXPECT_EQ(contract_entry->GetResType(), "J");
  EXPECT_THAT(contract_entry->registered_res_item_ids(), testing::ElementsAre("cb1", "cb2"));
}

TEST(BaseResItems, CostAccountLivesInItsField) {
  auto doc = CollectedDocument();
  auto* entry = doc->Find<host::BaseResItemImpl>("e1");
  entry->fields()->SetText(host::keys::kCostAccount, "ca9");
  EXPECT_EQ(entry->GetCostAccount(), "ca9");
  entry->SetCostAccount("");
  EXPECT_FALSE(entry->fields()->HasField(host::keys::kCostAccount));
  EXPECT_EQ(entry->GetCostAccount(), "");
}

TEST(BaseResItems, LeaseQuantityReadsOnlyNumericText) {
  scoped_refptr<host::BaseResItemImpl> entry(new host::BaseResItemImpl());
  double quantity = -1;
  EXPECT_FALSE(entry->GetLeaseQuantity(quantity));
  entry->SetLeaseQuantityText("1.5");
  EXPECT_TRUE(entry->GetLeaseQuantity(quantity));
  EXPECT_DOUBLE_EQ(quantity, 1.5);
  entry->SetLeaseQuantityText("1.5t");
  EXPECT_FALSE(entry->GetLeaseQuantity(quantity));
  EXPECT_EQ(entry->lease_quantity_text(), "1.5t");
}

TEST(Factories, EachOperationCanBeMadeToFail) {
  {
    host::ScopedFactoryFailure fail(&host::FactoryFailures::create_collect_obj);
    EXPECT_EQ(app::qrv::GetQRVFactory()->CreateResCollectObj(), nullptr);
    scoped_refptr<engine::qrv::QRVResCollect> copy(app::qrv::GetQRVFactory()->CreateResCollectCopy());
    EXPECT_NE(copy, nullptr);
  }
  scoped_refptr<engine::qrv::QRVResCollect> obj(app::qrv::GetQRVFactory()->CreateResCollectObj());
  EXPECT_NE(obj, nullptr);
  {
    host::ScopedFactoryFailure fail(&host::FactoryFailures::engine_factory);
    EXPECT_EQ(app::GetEngineFactory(), nullptr);
  }
  {
    host::ScopedFactoryFailure fail(&host::FactoryFailures::base_res_item_creator);
    EXPECT_EQ(app::qrv::GetQRVApplication()->GetBaseResItemCreator(), nullptr);
  }
  scoped_refptr<engine::qrv::QRVBaseResItem> entry =
      app::qrv::GetQRVApplication()->GetBaseResItemCreator()->CreateBaseResItem();
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->GetDocument(), nullptr);
  EXPECT_EQ(entry->GetGroup(), nullptr);
}

TEST(Factories, NewResItemHasNoReferenceYetAndStandsNowhere) {
  engine::ResItem* raw = app::GetEngineFactory()->CreateResItem();
  scoped_refptr<engine::ResItem> item(raw);
  EXPECT_TRUE(item->HasOneRef());
  EXPECT_EQ(item->GetDocument(), nullptr);
  EXPECT_EQ(dynamic_cast<engine::qrv::QRVResItem*>(raw)->GetOwnerList(), nullptr);
  EXPECT_EQ(item->GetId().size(), 32u);
}

}  // namespace
