// The host side of matching: the fingerprint bases, the engine's
// aggregation, contract forms of sub-projects, identity items, numbers and
// sort texts, and the product factory's cost lines and lists.
#include "host/app/qrv/qrv_application.h"
#include "host/engine/qrv/qrv_factory.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/res_item_group.h"
#include "host/marrow/res_item_fingerprint.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::BaseResItemImpl;
using reference_host::SubProjectImpl;

class Fingerprint : public marrow::ResItemFingerprint {
 public:
  using marrow::ResItemFingerprint::IsValid;
};
class ZGFingerprint : public marrow::ResItemZGFingerprint {
 public:
  using marrow::ResItemZGFingerprint::IsValid;
};

// Two unit projects under the root: the tower with bills b1 (entry e1 below
// it) and b2, the annex with one bill; a form of the project ("master") and
// one of the tower ("tower-mat").
class MatchingModelTest : public DocumentTest {
 protected:
  MatchingModelTest() {
    builder_.ContractGroup("master", "MaterialForm")
        .ContractEntry("m1", "M01", "Cement")
        .SubProject("tower", "Tower")
        .LocalGroup("tower-mat", "MaterialForm")
        .ContractEntry("t1", "M01", "Cement")
        .WithIdentity("m1")
        .ContractEntry("t2", "M02", "Sand")
        .Bill("b1", 2)
        .BudgetLine("y1", 1, "C1")
        .CostLine("c1", "t1", 7)
        .BillEntry("e1", 1)
        .BudgetLine("y2", 2, "C2")
        .Bill("b2", 1)
        .BudgetLine("y3", 4, "C1")
        .SubProject("annex", "Annex")
        .Bill("b3", 1)
        .BudgetLine("y4", 8, "C1");
  }
  SubProjectImpl* Sub(const std::string& id) const { return doc_->Find<SubProjectImpl>(id); }
};

TEST(FingerprintBase, ReducesFieldsAndSuffixWithFnv1a64) {
  auto doc =
      DocumentBuilder("p").SubProject("sp", "S").Bill("b", 1).BudgetLine("y", 1, "C001").Build();
  ResItemImpl* line = doc->Find<ResItemImpl>("y");
  line->fields()->Assign({{"BRICode", engine::FieldValue("C001")}});
  Fingerprint fingerprint;
  // FNV-1a 64 of "7:BRICode5:sC001|0:": the same number in every run.
  EXPECT_EQ(fingerprint.GetFingerprint(line), 4647470745802691008ULL);
  EXPECT_EQ(fingerprint.GetFingerprint(nullptr), 0u);
  EXPECT_TRUE(fingerprint.IsPlainFingerprint());
  // Empty values are not visited; kinds are told apart.
  line->fields()->SetFieldValue("QRV_Empty", engine::FieldValue(), true);
  EXPECT_EQ(fingerprint.GetFingerprint(line), 4647470745802691008ULL);
  line->fields()->Assign({{"BRICode", engine::FieldValue(1)}});
  const uint64_t as_int = fingerprint.GetFingerprint(line);
  line->fields()->Assign({{"BRICode", engine::FieldValue(1.0)}});
  EXPECT_NE(fingerprint.GetFingerprint(line), as_int);
}

TEST(FingerprintBase, ProvisionalVariantTakesOnlyProvisionalLines) {
  auto doc =
      DocumentBuilder("p").SubProject("sp", "S").Bill("b", 1).BudgetLine("y", 1, "C").Build();
  ResItemImpl* line = doc->Find<ResItemImpl>("y");
  ZGFingerprint zg;
  EXPECT_FALSE(zg.IsPlainFingerprint());
  EXPECT_FALSE(zg.IsValid(line));
  for (const auto& [value, valid] : std::vector<std::pair<engine::FieldValue, bool>>{
           {true, true}, {false, false}, {2, true}, {0, false}, {0.5, true}, {"yes", false}}) {
    line->fields()->SetFieldValue("BRIProvisional", value, true);
    EXPECT_EQ(zg.IsValid(line), valid) << static_cast<int>(value.kind());
  }
}

TEST_F(MatchingModelTest, GroupingWalksBillsThenSubProjectsAndSumsMembers) {
  Build();
  Fingerprint everything_one;  // no fields differ once they are cleared
  for (const char* id : {"y1", "y2", "y3", "y4", "c1"}) Item(id)->fields()->Assign({});
  scoped_refptr<engine::ResItemGroup> group = Sub("p/root")->GroupResItems(&everything_one);
  ASSERT_EQ(group->GetEntryCount(), 1);
  engine::ResItem* entry = group->GetEntry(0);
  std::vector<std::string> members;
  auto lines = entry->CreateDetailIterator();
  for (lines->First(); !lines->IsDone(); lines->Next())
    members.push_back(lines->Current()->GetId());
  // Budget lines only: b1 with its entry e1, b2, then the annex.
  EXPECT_THAT(members, ElementsAre("y1", "y2", "y3", "y4"));
  EXPECT_EQ(Quantity(entry), 15);
  EXPECT_EQ(entry->GetBaseResItem(), Item("y1")->GetBaseResItem());
  EXPECT_EQ(entry->GetDetailResItem(4), nullptr);
  EXPECT_EQ(Item("y1")->GetDetailCount(), 0);
  EXPECT_EQ(Sub("annex")->GroupResItems(nullptr)->GetEntryCount(), 0);
}

TEST_F(MatchingModelTest, FormsBelongToTheirSubProjectAndTheRootAlsoSeesTheProjects) {
  Build();
  engine::qrv::QRVGroupedItemSet* tower = Sub("tower")->GetGroupedItemSet();
  engine::qrv::QRVGroupedItemSet* root = Sub("p/root")->GetGroupedItemSet();
  ASSERT_NE(tower->FindGroupById("tower-mat"), nullptr);
  EXPECT_EQ(tower->FindGroupById("master"), nullptr);
  EXPECT_NE(root->FindGroupById("master"), nullptr);
  EXPECT_EQ(root->FindGroupById("tower-mat"), nullptr);
  EXPECT_EQ(tower->FindGroupById("tower-mat")->GetOwnerSubProject(), Sub("tower"));
  EXPECT_EQ(root->FindGroupById("master")->GetOwnerSubProject(), Sub("p/root"));
  std::vector<std::string> entries;
  auto children = tower->FindGroupById("tower-mat")->CreateChildIterator();
  for (children->First(); !children->IsDone(); children->Next())
    entries.push_back(children->Current()->GetId());
  EXPECT_THAT(entries, ElementsAre("t1", "t2"));
  // A form of a sub-project still reaches the project's account tree.
  EXPECT_NE(Entry("t1")->group()->GetCostAccountGroup(), nullptr);
}

TEST_F(MatchingModelTest, IdentityNumbersAndSortTexts) {
  Build();
  engine::DocumentObject* m1 = Entry("m1");
  engine::DocumentObject* t2 = Entry("t2");
  EXPECT_EQ(Entry("t1")->GetIdentityItem(true), m1);
  EXPECT_EQ(Entry("t2")->GetIdentityItem(true), t2);
  EXPECT_EQ(Entry("t2")->GetIdentityItem(false), nullptr);
  Entry("t2")->fields()->SetText("QRV_IdentityItem", "no-such-entry");
  EXPECT_EQ(Entry("t2")->GetIdentityItem(false), nullptr);

  BaseResItemImpl* budget = Entry("tower:C1");
  int number = 0;
  EXPECT_EQ(budget->GetNumberKey(), "C1");
  EXPECT_FALSE(budget->GetNumber(number));
  budget->fields()->SetFieldValue("BRINumber", 12, true);
  ASSERT_TRUE(budget->GetNumber(number));
  EXPECT_EQ(number, 12);
  budget->fields()->SetFieldValue("BRINumber", -3.0, true);
  ASSERT_TRUE(budget->GetNumber(number));
  EXPECT_EQ(number, -3);
  budget->fields()->SetFieldValue("BRINumber", 2.5, true);
  EXPECT_FALSE(budget->GetNumber(number));
  budget->fields()->SetFieldValue("BRINumber", 1e12, true);
  EXPECT_FALSE(budget->GetNumber(number));

  EXPECT_EQ(Entry("t1")->GetSortText(), "M01");
  Entry("t1")->fields()->SetText("QRV_SortText", "A");
  EXPECT_EQ(Entry("t1")->GetSortText(), "A");
  double quantity = 0;
  EXPECT_FALSE(Entry("t1")->GetQuantity(quantity));
  Entry("t1")->SetQuantity(2.5);
  ASSERT_TRUE(Entry("t1")->GetQuantity(quantity));
  EXPECT_EQ(quantity, 2.5);
}

TEST_F(MatchingModelTest, SourceRefsNameTheBillItemALineStandsIn) {
  builder_.Select("y2").WithSourceRef("quota-1").Collect("y2", "c1", 1, "copy");
  Build();
  EXPECT_EQ(Item("y2")->GetSourceRef(), "quota-1");
  EXPECT_EQ(Item("y2")->GetSourceRef().GetSubEngineering(),
            doc_->Find<engine::SubEngineering>("e1"));
  EXPECT_EQ(Item("copy")->GetSourceRef().GetSubEngineering(),
            doc_->Find<engine::SubEngineering>("e1"));
}

TEST_F(MatchingModelTest, ContentReadsAsANumberOnlyWhenItIsOne) {
  Build();
  double content = -1;
  for (const char* text : {"", "abc", " 1.5", "1.5x", "nan", "0x10", "inf"}) {
    Item("c1")->SetContent(text);
    EXPECT_FALSE(Item("c1")->GetContent(content)) << text;
  }
  Item("c1")->SetContent("1.500000");
  ASSERT_TRUE(Item("c1")->GetContent(content));
  EXPECT_EQ(content, 1.5);
  Item("c1")->SetContent("-2");
  ASSERT_TRUE(Item("c1")->GetContent(content));
  EXPECT_EQ(content, -2);
}

TEST_F(MatchingModelTest, FactoryCostLinesAndListsJoinABill) {
  builder_.Select("b2").WithoutCostList();
  Build();
  engine::qrv::QRVFactory* factory = app::qrv::GetQRVFactory();
  auto* bill = doc_->Find<reference_host::SubEngineeringImpl>("b2");
  ASSERT_EQ(bill->GetCBResItemList(), nullptr);
  engine::qrv::QRVCBResItemList* list = factory->CreateCBResItemList();
  bill->SetCBResItemList(list);
  EXPECT_EQ(bill->GetCBResItemList(), list);
  scoped_refptr<engine::qrv::QRVResItem> first(factory->CreateCBResItem());
  scoped_refptr<engine::qrv::QRVResItem> second(factory->CreateCBResItem());
  list->AddCBResItem(second.get(), nullptr);
  list->AddCBResItem(first.get(), second.get());
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(dynamic_cast<engine::qrv::QRVResItem*>(list->GetAt(0)), first.get());
  EXPECT_NE(doc_->FindObjectById(first->GetId()), nullptr);
  list->Refresh();
  EXPECT_EQ(bill->cost_list()->refresh_count(), 1);

  // Only a free, empty list can be taken over.
  LogCapture log;
  engine::qrv::QRVCBResItemList* taken = Item("c1")->owner_list();
  doc_->Find<reference_host::SubEngineeringImpl>("b3")->SetCBResItemList(taken);
  EXPECT_NE(doc_->Find<reference_host::SubEngineeringImpl>("b3")->GetCBResItemList(), taken);
  EXPECT_THAT(log.Messages(google::GLOG_ERROR),
              ElementsAre("cost list for b3 is not a free, empty list"));

  scoped_refptr<engine::qrv::QRVBaseResItem> detached = factory->CreateBaseResItem();
  EXPECT_EQ(detached->GetGroup(), nullptr);
  EXPECT_EQ(detached->GetDocument(), nullptr);
}

}  // namespace
