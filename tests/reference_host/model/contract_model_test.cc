// The reference host's side of contract-level entries: forms that keep the
// place of an entry taken out, attached-line sets and their walk, the shared
// item set's lookup and numbering, and lines that refuse foreign entries.
#include "host/app/factories.h"
#include "host/engine/factory.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "tests/support/contract_mocks.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::BaseResItemGroupImpl;
using reference_host::BaseResItemImpl;

class ContractModelTest : public DocumentTest {
 protected:
  ContractModelTest() {
    doc_ = DocumentBuilder("p")
               .ContractGroup("g1", "MaterialForm")
               .ContractEntry("a", "S01", "Steel")
               .ContractEntry("b", "S02", "Rebar")
               .ContractEntry("c", "S03", "Wire")
               .ContractEntry("d", "S04", "Mesh")
               .SubProject("sp1", "Building")
               .Bill("bill", 1)
               .CostLine("z1", "a", 1)
               .CostLine("m1", "a", 2)
               .BudgetLine("ys1", 3, "C01")
               .WithName("Cement")
               .WithUnit("t")
               .Build();
    group_ = doc_->Find<BaseResItemGroupImpl>("g1");
    for (const char* id : {"a", "b", "c", "d"}) entries_[id] = Entry(id);
  }
  std::vector<std::string> Order() const {
    std::vector<std::string> ids;
    for (int i = 0; i < group_->GetCount(); ++i) ids.push_back(group_->GetAt(i)->GetId());
    return ids;
  }
  std::vector<std::string> Walk(const BaseResItemImpl* entry) const {
    std::vector<std::string> ids;
    std::unique_ptr<engine::qrv::QRVResItemIterator> it = entry->CreateResItemIterator();
    for (it->First(); !it->IsDone(); it->Next()) ids.push_back(it->CurrentItem()->GetId());
    EXPECT_EQ(it->CurrentItem(), nullptr);
    return ids;
  }
  reference_host::ResSummaryImpl* Summary() const {
    return doc_->Find<reference_host::SubProjectImpl>("sp1")->summary();
  }

  BaseResItemGroupImpl* group_ = nullptr;
  std::map<std::string, BaseResItemImpl*> entries_;
};

TEST_F(ContractModelTest, AnEntryAddedBackWithoutPositionTakesItsOldPlace) {
  const std::vector<std::vector<std::string>> orders = {
      {"b", "c"}, {"c", "b"}, {"a", "b", "c", "d"}, {"d", "b", "a", "c"}};
  for (const std::vector<std::string>& back : orders) {
    for (const std::string& id : back) ASSERT_TRUE(group_->RemoveBaseResItem(entries_[id]));
    for (const std::string& id : back)
      ASSERT_TRUE(group_->AddBaseResItem(entries_[id], nullptr, true));
    EXPECT_THAT(Order(), ElementsAre("a", "b", "c", "d")) << testing::PrintToString(back);
  }
}

TEST_F(ContractModelTest, AnEntryAddedNextToAnotherStandsRightAfterIt) {
  scoped_refptr<BaseResItemImpl> fresh(new BaseResItemImpl("x"));
  ASSERT_TRUE(group_->AddBaseResItem(fresh.get(), entries_["b"], true));
  EXPECT_THAT(Order(), ElementsAre("a", "b", "x", "c", "d"));
  // Also when the entry had a place of its own before.
  ASSERT_TRUE(group_->RemoveBaseResItem(entries_["a"]));
  ASSERT_TRUE(group_->AddBaseResItem(entries_["a"], entries_["d"], true));
  EXPECT_THAT(Order(), ElementsAre("b", "x", "c", "d", "a"));
  EXPECT_EQ(doc_->FindObjectById("x"), static_cast<engine::DocumentObject*>(fresh.get()));
  EXPECT_EQ(group_->notification_count(), 3);
}

TEST_F(ContractModelTest, TheFormRefusesWhatItCannotTake) {
  LogCapture log;
  scoped_refptr<BaseResItemImpl> fresh(new BaseResItemImpl("x"));
  scoped_refptr<MockEntry> foreign(new testing::NiceMock<MockEntry>);
  EXPECT_FALSE(group_->AddBaseResItem(nullptr, nullptr, true));
  EXPECT_FALSE(group_->AddBaseResItem(foreign.get(), nullptr, true));
  EXPECT_FALSE(group_->AddBaseResItem(fresh.get(), foreign.get(), true));
  EXPECT_FALSE(group_->AddBaseResItem(entries_["a"], nullptr, true));  // already in
  ASSERT_TRUE(group_->RemoveBaseResItem(entries_["c"]));
  EXPECT_FALSE(group_->AddBaseResItem(fresh.get(), entries_["c"], true));  // not in
  EXPECT_FALSE(group_->RemoveBaseResItem(entries_["c"]));
  EXPECT_FALSE(group_->RemoveBaseResItem(foreign.get()));
  EXPECT_THAT(Order(), ElementsAre("a", "b", "d"));
  EXPECT_THAT(
      log.Messages(google::GLOG_ERROR),
      ElementsAre("cannot add a null object", "form g1 refused an entry of another host",
                  "form g1 refused an entry of another host", "object a already has an owner (g1)",
                  "cannot add next to an object that is not in the list"));
}

TEST_F(ContractModelTest, AnEntryTakenOutStaysAliveWithTheForm) {
  base::WeakPtr<base::Object> alive = entries_["b"]->AsWeakPtr();
  group_->RemoveBaseResItem(entries_["b"]);
  EXPECT_TRUE(alive);
  EXPECT_EQ(group_->removed_entry_count(), 1);
  EXPECT_EQ(doc_->FindObjectById("b"), nullptr);
  group_->RefreshChildren();
  EXPECT_TRUE(alive);
  doc_.reset();
  EXPECT_FALSE(alive);
}

TEST_F(ContractModelTest, AttachedLinesAreASetWalkedInIdOrder) {
  BaseResItemImpl* a = entries_["a"];
  EXPECT_EQ(a->GetResItemCount(), 2);
  a->AddResItem(Cost("z1"));
  a->RemoveResItem(Cost("ys1"));
  EXPECT_THAT(a->registered_res_item_ids(), ElementsAre("m1", "z1"));
  EXPECT_THAT(Walk(a), ElementsAre("m1", "z1"));
  a->RemoveResItem(Cost("m1"));
  a->RemoveResItem(Cost("z1"));
  EXPECT_FALSE(a->HasResItem());
  EXPECT_THAT(Walk(a), IsEmpty());
  // The set changes no line: only SetBaseResItem points a line.
  EXPECT_EQ(Item("m1")->GetBaseResItem(), a);
}

TEST_F(ContractModelTest, AFreeEntryWalksTheLinesItWasGiven) {
  scoped_refptr<BaseResItemImpl> loose(new BaseResItemImpl("loose"));
  loose->AddResItem(Cost("m1"));
  loose->AddRegisteredId("gone");
  EXPECT_EQ(loose->GetResItemCount(), 2);
  EXPECT_THAT(Walk(loose.get()), ElementsAre("m1"));
}

TEST_F(ContractModelTest, ALineRefusesAnEntryOfAnotherHost) {
  LogCapture log;
  scoped_refptr<MockEntry> foreign(new testing::NiceMock<MockEntry>);
  engine::qrv::QRVResItem* line = Cost("m1");
  line->SetBaseResItem(static_cast<engine::qrv::QRVBaseResItem*>(foreign.get()));
  static_cast<engine::ResItem*>(Item("m1"))
      ->SetBaseResItem(static_cast<engine::BaseResItem*>(foreign.get()));
  EXPECT_EQ(Item("m1")->GetBaseResItem(), entries_["a"]);
  EXPECT_THAT(log.Messages(google::GLOG_ERROR),
              ElementsAre("resource item m1 refused an entry of another host",
                          "resource item m1 refused an entry of another host"));
  line->SetBaseResItem(static_cast<engine::qrv::QRVBaseResItem*>(nullptr));
  EXPECT_EQ(Item("m1")->GetBaseResItem(), nullptr);
}

TEST_F(ContractModelTest, TheSummaryFindsEntriesByKeyAndNumbersByCode) {
  reference_host::ResSummaryImpl* summary = Summary();
  engine::SharedItemSet* set = doc_->Find<engine::SubProject>("sp1")->GetSharedItemSet();
  ASSERT_EQ(set, static_cast<engine::SharedItemSet*>(summary));
  BaseResItemImpl* cement = Entry("sp1:C01");
  EXPECT_EQ(set->Find(cement->GetKey()), cement);
  EXPECT_EQ(cement->GetKey(), std::string("C01\x1f") + "Cement\x1ft\x1f\x1f");
  EXPECT_EQ(set->GetNumberAllocator()->Next("C01"), 1);

  scoped_refptr<engine::BaseResItem> copy = app::GetEngineFactory()->CreateBaseResItem();
  copy->CopyFrom(cement);
  copy->SetName("Grey cement");
  EXPECT_EQ(set->Find(copy->GetKey()), nullptr);
  copy->SetNumber(4);
  ASSERT_TRUE(set->Add(copy.get()));
  EXPECT_EQ(set->Find(copy->GetKey()), copy.get());
  EXPECT_EQ(set->GetNumberAllocator()->Next("C01"), 5);
  // A set member renamed in place is found under its new key.
  cement->SetName("White cement");
  EXPECT_EQ(set->Find(cement->GetKey()), cement);
  // Numbers of entries that left are free again.
  summary->Remove(dynamic_cast<BaseResItemImpl*>(copy.get()));
  EXPECT_EQ(set->GetNumberAllocator()->Next("C01"), 1);
  EXPECT_EQ(set->Find(copy->GetKey()), nullptr);
}

TEST_F(ContractModelTest, TheSummaryRefusesForeignAndTakenEntries) {
  LogCapture log;
  scoped_refptr<MockEntry> foreign(new testing::NiceMock<MockEntry>);
  engine::SharedItemSet* set = Summary();
  EXPECT_FALSE(set->Add(static_cast<engine::BaseResItem*>(foreign.get())));
  EXPECT_FALSE(set->Add(entries_["a"]));
  EXPECT_THAT(log.Messages(google::GLOG_ERROR),
              ElementsAre("summary sp1/summary refused an entry of another host",
                          "object a already has an owner (g1)"));
}

TEST_F(ContractModelTest, CopyFromTakesFieldsOnly) {
  scoped_refptr<engine::BaseResItem> copy = app::GetEngineFactory()->CreateBaseResItem();
  copy->CopyFrom(entries_["a"]);
  auto* impl = dynamic_cast<BaseResItemImpl*>(copy.get());
  EXPECT_EQ(impl->fields()->GetAllFields(), entries_["a"]->fields()->GetAllFields());
  EXPECT_FALSE(impl->HasResItem());
  EXPECT_EQ(impl->GetGroup(), nullptr);
  EXPECT_NE(impl->GetId(), "a");
}

}  // namespace
