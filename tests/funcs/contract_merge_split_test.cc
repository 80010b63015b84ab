// Moving cost lines between contract-level entries: the merge and split
// functions on the reference host, and the order of the host calls they make.
#include "funcs/qrv_base_res_item_func.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/contract_mocks.h"
#include "tests/support/failing_factories.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVBaseResItemFunc;
using reference_host::BaseResItemGroupImpl;
using reference_host::BaseResItemImpl;
using testing::InSequence;
using testing::Return;

// Form g1 holds steel (lines s1..s3), steel-b (b1, b2) and cement (c1), in
// that order; form g2 holds labour (l1). All lines stand in bill "bill".
class ContractTest : public DocumentTest {
 protected:
  ContractTest() {
    doc_ = DocumentBuilder("p")
               .CostAccount("ca1", "01", "Civil")
               .ContractGroup("g1", "MaterialForm")
               .ContractEntry("steel", "S01", "Steel")
               .WithUnit("t")
               .WithPrice(4100)
               .WithCostAccount("ca1")
               .ContractEntry("steel-b", "S01", "Steel (B)")
               .ContractEntry("cement", "C01", "Cement")
               .ContractGroup("g2", "LabourForm")
               .ContractEntry("labour", "R01", "Labour")
               .SubProject("sp1", "Building")
               .Bill("bill", 10)
               .CostLine("s1", "steel", 1)
               .CostLine("s2", "steel", 2)
               .CostLine("s3", "steel", 3)
               .CostLine("b1", "steel-b", 4)
               .CostLine("b2", "steel-b", 5)
               .CostLine("c1", "cement", 6)
               .CostLine("l1", "labour", 7)
               .Build();
  }
  std::set<engine::qrv::QRVResItem*> LineSet(const std::vector<std::string>& ids) const {
    std::vector<engine::qrv::QRVResItem*> lines = Costs(ids);
    return {lines.begin(), lines.end()};
  }
};

TEST_F(ContractTest, MergeMovesEveryLineOntoTheBoundEntry) {
  EXPECT_TRUE(QRVBaseResItemFunc(Entry("steel")).MergeContract(LineSet({"b1", "c1", "l1"})));
  EXPECT_THAT(Attached(Entry("steel")), ElementsAre("b1", "c1", "l1", "s1", "s2", "s3"));
  EXPECT_THAT(Attached(Entry("steel-b")), ElementsAre("b2"));
  EXPECT_THAT(Attached(Entry("cement")), IsEmpty());
  EXPECT_THAT(Attached(Entry("labour")), IsEmpty());
  for (const char* id : {"b1", "c1", "l1"}) EXPECT_EQ(Item(id)->GetBaseResItem(), Entry("steel"));
  // The emptied entries stay in their forms: dropping them is the action's part.
  EXPECT_THAT(Order("g1"), ElementsAre("steel", "steel-b", "cement"));
}

TEST_F(ContractTest, MergeRefusesWithoutEntryOrLines) {
  const std::string before = Saved();
  EXPECT_FALSE(QRVBaseResItemFunc(nullptr).MergeContract(LineSet({"b1"})));
  EXPECT_FALSE(QRVBaseResItemFunc(Entry("steel")).MergeContract({}));
  EXPECT_EQ(Saved(), before);
}

TEST_F(ContractTest, MergeOfALineAlreadyOnTheEntryKeepsIt) {
  EXPECT_TRUE(QRVBaseResItemFunc(Entry("steel")).MergeContract(LineSet({"s1"})));
  EXPECT_THAT(Attached(Entry("steel")), ElementsAre("s1", "s2", "s3"));
  EXPECT_EQ(Item("s1")->GetBaseResItem(), Entry("steel"));
}

TEST_F(ContractTest, SplitMakesANamedCopyRightAfterTheDonor) {
  LogCapture log;
  engine::qrv::QRVBaseResItem* split =
      QRVBaseResItemFunc(Entry("steel")).SplitContract(Costs({"s3", "s1"}));
  ASSERT_NE(split, nullptr);
  EXPECT_EQ(split->GetName(), "SteelC");
  // A copy of the donor: code, unit, price and cost account, under a new id.
  auto* impl = dynamic_cast<BaseResItemImpl*>(split);
  EXPECT_NE(impl->GetId(), "steel");
  EXPECT_EQ(impl->code(), "S01");
  EXPECT_EQ(impl->unit(), "t");
  EXPECT_EQ(impl->GetCostAccount(), "ca1");
  EXPECT_THAT(Attached(split), ElementsAre("s1", "s3"));
  EXPECT_THAT(Attached(Entry("steel")), ElementsAre("s2"));
  EXPECT_EQ(Item("s1")->GetBaseResItem(), impl);
  EXPECT_EQ(Item("s3")->GetBaseResItem(), impl);
  EXPECT_EQ(Item("s2")->GetBaseResItem(), Entry("steel"));
  EXPECT_THAT(Order("g1"), ElementsAre("steel", impl->GetId(), "steel-b", "cement"));
  EXPECT_EQ(doc_->FindObjectById(impl->GetId()), static_cast<engine::DocumentObject*>(impl));
  EXPECT_EQ(doc_->Find<BaseResItemGroupImpl>("g1")->refresh_count(), 1);
  EXPECT_THAT(log.warnings(), IsEmpty());
  EXPECT_THAT(log.Messages(google::GLOG_ERROR), IsEmpty());
}

// Refusals change nothing and log nothing.
struct SplitRefusal {
  const char* name;
  const char* donor;
  std::vector<std::string> lines;
};
void PrintTo(const SplitRefusal& refusal, std::ostream* out) { *out << refusal.name; }

class SplitRefusalTest : public ContractTest, public testing::WithParamInterface<SplitRefusal> {};

TEST_P(SplitRefusalTest, ReturnsNullAndChangesNothing) {
  const std::string before = Saved();
  LogCapture log;
  EXPECT_EQ(QRVBaseResItemFunc(Entry(GetParam().donor)).SplitContract(Costs(GetParam().lines)),
            nullptr);
  EXPECT_EQ(Saved(), before);
  EXPECT_THAT(log.warnings(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Split, SplitRefusalTest,
                         testing::Values(SplitRefusal{"AllLines", "steel", {"s1", "s2", "s3"}},
                                         SplitRefusal{
                                             "MoreThanAllLines", "steel", {"s1", "s2", "s3", "s1"}},
                                         SplitRefusal{"ALineOfAnotherEntry", "steel", {"s1", "b1"}},
                                         SplitRefusal{"TheOnlyLine", "cement", {"c1"}}),
                         CaseName());

TEST_F(ContractTest, SplitOfAnEntryWithoutLinesIsRefused) {
  QRVBaseResItemFunc(Entry("steel")).MergeContract(LineSet({"c1"}));
  EXPECT_EQ(QRVBaseResItemFunc(Entry("cement")).SplitContract({}), nullptr);
}

TEST_F(ContractTest, EmptySplitListMakesAnEmptyCopy) {
  engine::qrv::QRVBaseResItem* split = QRVBaseResItemFunc(Entry("cement")).SplitContract({});
  ASSERT_NE(split, nullptr);
  EXPECT_FALSE(split->HasResItem());
  EXPECT_EQ(split->GetName(), "CementC");
  EXPECT_THAT(Attached(Entry("cement")), ElementsAre("c1"));
}

TEST_F(ContractTest, SplitRefusesWithoutEntryOrCreator) {
  const std::string before = Saved();
  EXPECT_EQ(QRVBaseResItemFunc(nullptr).SplitContract(Costs({"s1"})), nullptr);
  using test_support::FactoryStep;
  for (FactoryStep failure : {FactoryStep::kQRVApplication, FactoryStep::kBaseResItemCreator,
                              FactoryStep::kCreatorCreateBaseResItem}) {
    test_support::ScopedFactoryFailure fail(failure);
    EXPECT_EQ(QRVBaseResItemFunc(Entry("steel")).SplitContract(Costs({"s1"})), nullptr);
  }
  EXPECT_EQ(Saved(), before);
}

TEST_F(ContractTest, SplitOfAnEntryInNoFormIsRefused) {
  scoped_refptr<BaseResItemImpl> loose =
      doc_->Find<BaseResItemGroupImpl>("g1")->Remove(doc_->Find<BaseResItemImpl>("steel"));
  EXPECT_EQ(QRVBaseResItemFunc(loose.get()).SplitContract(Costs({"s1"})), nullptr);
  EXPECT_THAT(loose->registered_res_item_ids(), ElementsAre("s1", "s2", "s3"));
}

// The order of the host calls, on mocks.

TEST(ContractCallOrder, MergeMovesEachLineInThreeSteps) {
  scoped_refptr<MockEntry> from(new testing::NiceMock<MockEntry>);
  scoped_refptr<MockEntry> to(new testing::NiceMock<MockEntry>);
  scoped_refptr<MockLine> line(new testing::NiceMock<MockLine>);
  ON_CALL(*line, GetBaseResItem).WillByDefault(Return(from.get()));
  {
    InSequence order;
    EXPECT_CALL(*from, RemoveResItem(line.get()));
    EXPECT_CALL(*to, AddResItem(line.get()));
    EXPECT_CALL(*line, SetBaseResItem(to.get()));
  }
  EXPECT_TRUE(QRVBaseResItemFunc(to.get()).MergeContract({line.get()}));
}

TEST(ContractCallOrder, SplitMovesEachLineInThreeStepsThenPlacesTheEntry) {
  scoped_refptr<MockEntry> donor(new testing::NiceMock<MockEntry>);
  MockGroup group;
  scoped_refptr<MockLine> line(new testing::NiceMock<MockLine>);
  ON_CALL(*line, GetBaseResItem).WillByDefault(Return(donor.get()));
  ON_CALL(*donor, GetResItemCount).WillByDefault(Return(2));
  ON_CALL(*donor, GetGroup).WillByDefault(Return(&group));
  engine::qrv::QRVBaseResItem* added_to = nullptr;
  // The mock group takes no reference: the test keeps the new entry alive.
  scoped_refptr<engine::qrv::QRVBaseResItem> kept;
  {
    InSequence order;
    EXPECT_CALL(*donor, RemoveResItem(line.get()));
    // By now the new entry holds the line.
    EXPECT_CALL(*line, SetBaseResItem(testing::_))
        .WillOnce([&added_to](engine::qrv::QRVBaseResItem* entry) {
          added_to = entry;
          EXPECT_EQ(entry->GetResItemCount(), 1);
        });
    EXPECT_CALL(group, AddBaseResItem(testing::_, donor.get(), true))
        .WillOnce([&](engine::qrv::QRVBaseResItem* entry, engine::qrv::QRVBaseResItem*, bool) {
          EXPECT_EQ(entry, added_to);
          kept = entry;
          return true;
        });
    EXPECT_CALL(group, RefreshChildren());
  }
  EXPECT_EQ(QRVBaseResItemFunc(donor.get()).SplitContract({line.get()}), added_to);
  EXPECT_EQ(kept.get(), added_to);
}

}  // namespace
