// The resource item view: sides, owner bills, links, collection records,
// copy items and the collected and collectable quantities.
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemBean;

// Two accounts, contract entries of type "FB" (account 01), "C" (account
// 01), "C" without an account and one on account 02, and a bill of 10 with a
// cost line on each entry. Tests add their budget lines before Build.
class ResItemViewTest : public DocumentTest {
 protected:
  ResItemViewTest() {
    builder_.CostAccount("ca1", "01", "Civil")
        .CostAccount("ca2", "02", "Steel")
        .ContractGroup("g1", "MaterialForm")
        .ContractEntry("fb", "F01", "Subcontract")
        .WithResType("FB")
        .WithCostAccount("ca1")
        .ContractEntry("cl", "C01", "Cement")
        .WithResType("C")
        .WithCostAccount("ca1")
        .ContractEntry("cx", "C02", "Sand")
        .WithResType("C")
        .ContractEntry("cs", "C03", "Rebar")
        .WithResType("C")
        .WithCostAccount("ca2")
        .SubProject("sp1", "Building")
        .Bill("b1", 10)
        .CostLine("cbF", "fb")
        .CostLine("cbC", "cl")
        .CostLine("cbX", "cx")
        .CostLine("cbS", "cs");
  }
};

TEST_F(ResItemViewTest, EmptyViewAnswersNothing) {
  Build();
  // A null item, and a line without a product face (which has a quantity).
  scoped_refptr<CoreOnlyLine> core_only = CoreOnlyLine::Make("core", 5);
  for (QRVResItemBean empty : {QRVResItemBean(nullptr), QRVResItemBean(core_only.get())}) {
    EXPECT_FALSE(empty.IsUsedByYS());
    EXPECT_FALSE(empty.IsCollected());
    EXPECT_FALSE(empty.IsBindWithCBRCJ());
    EXPECT_EQ(empty.GetOwnerBill(), nullptr);
    EXPECT_EQ(empty.GetResItemCollectObj(true), nullptr);
    EXPECT_EQ(empty.GetResItemCollectTemplete(true), nullptr);
    EXPECT_EQ(empty.CreateResItemCopy(1), nullptr);
    EXPECT_EQ(empty.GetResItemCollectSrcQuantity(), 0);
    EXPECT_EQ(empty.GetResItemCollectAllowQuantity(), 0);
    EXPECT_EQ(empty.GetResItemCollectedQuantity(0), 0);
    std::set<std::string> codes{"kept"};
    empty.GetCostAccount(codes);
    std::vector<engine::qrv::QRVResItem*> cost_items;
    empty.GetCollectedCBResItem(cost_items);
    EXPECT_THAT(codes, ElementsAre("kept"));
    EXPECT_THAT(cost_items, IsEmpty());
  }
}

// The side is the entry's owner against the group the entry reports, not
// the kind of either.
TEST_F(ResItemViewTest, SideComparesTheEntrysOwnerWithTheGroupItReports) {
  builder_.ContractGroup("g2", "MachineForm").BudgetLine("ys", 10, "R1");
  Build();
  auto* g1 = doc_->Find<reference_host::BaseResItemGroupImpl>("g1");
  auto* g2 = doc_->Find<reference_host::BaseResItemGroupImpl>("g2");
  engine::DocumentObject* summary = Entry("sp1:R1")->summary();
  const struct {
    const char* line;
    engine::DocumentObject* owner;
    engine::qrv::QRVBaseResItemGroup* group;
    bool budget_side;
  } cases[] = {
      {"cbC", g1, g1, false},  // as built
      {"cbC", g1, g2, true},   // owned by one group while reporting another
      {"cbC", g1, nullptr, true},     {"cbC", nullptr, nullptr, false},
      {"ys", summary, nullptr, true},  // as built
      {"ys", summary, g1, true},      {"ys", g2, g2, false},
  };
  for (const auto& c : cases) {
    scoped_refptr<BentEntry> entry = BentEntry::Over(Item(c.line)->GetBaseResItem());
    entry->OwnedBy(c.owner);
    entry->ReportingGroup(c.group);
    scoped_refptr<BentLine> line = BentLine::Over(Item(c.line));
    line->PointTo(entry);
    EXPECT_EQ(ViewOf(line.get()).IsUsedByYS(), c.budget_side)
        << c.line << " owned by " << (c.owner ? c.owner->GetId() : "none") << " reporting "
        << (c.group ? c.group->GetId() : "none");
  }
  scoped_refptr<ResItemImpl> without_entry(new ResItemImpl());
  EXPECT_FALSE(ViewOf(without_entry.get()).IsUsedByYS());
}

struct AllowedCase {
  const char* name;
  double source;
  std::vector<double> collected;
  double allowed;
};
void PrintTo(const AllowedCase& c, std::ostream* os) { *os << c.name; }

class AllowedQuantityTest : public ResItemViewTest,
                            public testing::WithParamInterface<AllowedCase> {};

TEST_P(AllowedQuantityTest, FollowsSourceAndCollectedParts) {
  const AllowedCase& c = GetParam();
  builder_.BudgetLine("ys", c.source, "R1");
  for (double part : c.collected) builder_.Collect("ys", "cbC", part);
  Build();
  EXPECT_NEAR(View("ys").GetResItemCollectAllowQuantity(), c.allowed, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AllowedQuantityTest,
    testing::Values(AllowedCase{"NothingCollected", 10, {}, 10},
                    AllowedCase{"TwoPartsCollected", 10, {3, 2.5}, 4.5},
                    AllowedCase{"AllCollected", 10, {10}, 0},
                    AllowedCase{"OverCollected", 10, {10.5}, 0},
                    AllowedCase{"TinyCollectedCountsAsNothing", 10, {0.00005}, 10},
                    AllowedCase{"JustBelowThresholdCountsAsNothing", 10, {0.000099}, 10},
                    AllowedCase{"JustAboveThresholdCounts", 10, {0.00011}, 9.99989},
                    AllowedCase{"TinySource", 0.00005, {}, 0},
                    AllowedCase{"TinySourceWithParts", 0.00005, {0.00002}, 0},
                    AllowedCase{"SourceAtThreshold", 0.0001, {}, 0.0001},
                    AllowedCase{"NegativeSource", -4, {}, -4},
                    AllowedCase{"NegativeSourceMinusOneCollected", -4, {-1}, -3},
                    AllowedCase{"NegativeSourceAllCollected", -4, {-4}, 0}),
    CaseName());

TEST_F(ResItemViewTest, LinkedCostAndCopyItemsHaveNothingToCollect) {
  builder_.BudgetLine("linked", 10, "R1")
      .BudgetLine("ys", 10, "R2")
      .Link("cbS", "linked")
      .Select("cbC")
      .WithQuantity(5)
      .Collect("ys", "cbC", 3, "copy");
  Build();
  EXPECT_EQ(View("linked").GetResItemCollectAllowQuantity(), 0);
  EXPECT_TRUE(View("linked").IsBindWithCBRCJ());
  EXPECT_EQ(View("linked").GetLinkedCBRes(), Item("cbS"));
  EXPECT_EQ(View("cbC").GetResItemCollectAllowQuantity(), 0);   // object record
  EXPECT_EQ(View("copy").GetResItemCollectAllowQuantity(), 0);  // copy record
  EXPECT_EQ(View("copy").GetResItemTemplete(), Item("ys"));
  EXPECT_FALSE(View("ys").IsBindWithCBRCJ());
}

// A slot of the bill's cost list that holds no line, or a line without a
// product face, is passed over on the way to the linked cost line.
TEST_F(ResItemViewTest, LinkIsFoundPastEmptySlotsAndLinesWithoutAProductFace) {
  builder_.BudgetLine("ys", 10, "R1").Link("cbS", "ys");
  Build();
  scoped_refptr<BentBill> bill = BentBill::Over(Bill("b1"));
  bill->InsertCostSlot(0, nullptr);
  bill->InsertCostSlot(2, CoreOnlyLine::Make("core").get());
  bill->InsertCostSlot(-1, nullptr);
  ASSERT_EQ(bill->GetCBResItemList()->GetCount(), 7);
  scoped_refptr<BentLine> ys = BentLine::Over(Item("ys"));
  ys->ListedBy(bill.get());
  EXPECT_EQ(ViewOf(ys.get()).GetOwnerBill(), static_cast<engine::SubEngineering*>(bill.get()));
  EXPECT_EQ(ViewOf(ys.get()).GetLinkedCBRes(), Cost("cbS"));
  EXPECT_EQ(ViewOf(ys.get()).GetResItemCollectAllowQuantity(), 0);

  // A bill without a product face has no cost list to look in.
  scoped_refptr<CoreOnlyBill> core_only = CoreOnlyBill::Over(Bill("b1"));
  ys->ListedBy(core_only.get());
  EXPECT_EQ(ViewOf(ys.get()).GetOwnerBill(), core_only.get());
  EXPECT_EQ(ViewOf(ys.get()).GetLinkedCBRes(), nullptr);
  EXPECT_EQ(ViewOf(ys.get()).GetResItemCollectAllowQuantity(), 10);
}

TEST_F(ResItemViewTest, ALinkFromAnotherBillDoesNotCount) {
  builder_.BudgetLine("ys", 10, "R1").Bill("b2", 1).CostLine("other", "cl").Link("other", "ys");
  Build();
  EXPECT_EQ(View("ys").GetLinkedCBRes(), nullptr);
  EXPECT_EQ(View("ys").GetResItemCollectAllowQuantity(), 10);
}

TEST_F(ResItemViewTest, OwnerBillOfEntriesAndMeasureItems) {
  builder_.BudgetLine("onBill", 1, "R1")
      .BillEntry("entry3", 1)
      .BudgetLine("onEntry3", 1, "R1")
      .Link("cbC", "onEntry3")
      .BillEntry("entry4", 1, engine::kNodeKindSubEntry)
      .BudgetLine("onEntry4", 1, "R1")
      .SubEngineering("group3", 1, 3, 1)
      .SubEngineering("zjcs16", 1, 16, 1, "group3")
      .BudgetLine("onZJCS", 1, "R1")
      .SubEngineering("measure", 1, 0, 1)
      .BudgetLine("onMeasure", 1, "R1");
  Build();
  const std::pair<const char*, const char*> cases[] = {{"onBill", "b1"},
                                                       {"onEntry3", "b1"},
                                                       {"onEntry4", "b1"},
                                                       {"onZJCS", "zjcs16"},
                                                       {"onMeasure", ""}};
  for (const auto& [line, bill] : cases)
    EXPECT_EQ(View(line).GetOwnerBill(), doc_->Find<engine::SubEngineering>(bill)) << line;
  scoped_refptr<ResItemImpl> free_line(new ResItemImpl());
  EXPECT_EQ(ViewOf(free_line.get()).GetOwnerBill(), nullptr);
  // A line under an entry is linked by a cost line of the bill above.
  EXPECT_EQ(View("onEntry3").GetLinkedCBRes(), Item("cbC"));
}

TEST_F(ResItemViewTest, EmptyRecordsHoldNothingCollected) {
  builder_.BudgetLine("ys", 10, "R1")
      .WithYSCostAccount("ca2")
      .WithEmptyRecord()
      .Select("cbC")
      .WithEmptyRecord();
  Build();
  ASSERT_EQ(CollectType(Item("ys")), engine::qrv::kCollectTypeTemplete);
  EXPECT_FALSE(View("ys").IsCollected());
  EXPECT_EQ(View("ys").GetResItemCollectedQuantity(0), 0);
  EXPECT_EQ(Allowed("ys"), 10);  // a templete record leaves the whole source
  std::set<std::string> codes;
  View("ys").GetCostAccount(codes);
  EXPECT_THAT(codes, ElementsAre("02"));  // not collected: its own account
  // The cost line's record is the one handed out, and lists nothing.
  ASSERT_EQ(CollectType(Item("cbC")), engine::qrv::kCollectTypeObj);
  EXPECT_EQ(View("cbC").GetResItemCollectObj(true), Item("cbC")->GetCollect());
  std::vector<engine::ResItem*> copies;
  View("cbC").GetCopyResFromQRVResItem(copies);
  EXPECT_THAT(copies, IsEmpty());
}

// Only a listed copy with a copy record naming a cost line is a collected
// part; the rest are passed over.
TEST_F(ResItemViewTest, ListedItemsWithoutACopyRecordOrACostLineAreNoParts) {
  builder_.BudgetLine("ys", 10, "R1")
      .Collect("ys", "cbC", 3, "plain")
      .WithoutCopyRecord()
      .Collect("ys", "cbF", 2, "nameless")
      .WithoutCopyCostLine()
      .Collect("ys", "cbS", 1, "part")
      .BudgetLine("ys2", 10, "R2")
      .Collect("ys2", "cbX", 4, "lost")
      .WithoutCopyRecord();
  Build();
  ASSERT_THAT(ListedCopies(Item("ys")), ElementsAre(Item("plain"), Item("nameless"), Item("part")));
  EXPECT_TRUE(View("ys").IsCollected());
  EXPECT_DOUBLE_EQ(View("ys").GetResItemCollectedQuantity(0), 1);
  EXPECT_DOUBLE_EQ(Allowed("ys"), 9);
  std::vector<engine::qrv::QRVResItem*> cost_items;
  View("ys").GetCollectedCBResItem(cost_items);
  EXPECT_THAT(cost_items, ElementsAre(Cost("cbS")));
  std::map<std::string, double> quantities;
  View("ys").GetResItemCollectedCostAccountQuantity(quantities);
  EXPECT_EQ(quantities, (std::map<std::string, double>{{"02", 1}}));
  EXPECT_EQ(View("plain").GetResItemTemplete(), nullptr);
  EXPECT_EQ(View("nameless").GetResItemTemplete(), Item("ys"));
  // With no part among its listed items, nothing is collected at all.
  EXPECT_FALSE(View("ys2").IsCollected());
  EXPECT_EQ(Allowed("ys2"), 10);
}

TEST_F(ResItemViewTest, RecordCreationAttachesOnceAndNeverReplacesAnotherKind) {
  builder_.BudgetLine("ys", 10, "R1").Collect("ys", "cbC", 3);
  Build();
  // The budget line carries a templete record: no object record for it.
  engine::qrv::QRVResCollect* templete = Item("ys")->GetCollect();
  EXPECT_EQ(View("ys").GetResItemCollectObj(true), nullptr);
  EXPECT_EQ(Item("ys")->GetCollect(), templete);
  EXPECT_EQ(View("cbC").GetResItemCollectTemplete(true), nullptr);

  EXPECT_EQ(View("cbS").GetResItemCollectObj(false), nullptr);
  EXPECT_EQ(Item("cbS")->GetCollect(), nullptr);
  engine::qrv::QRVResCollectObj* obj = View("cbS").GetResItemCollectObj(true);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->GetCollectType(), engine::qrv::kCollectTypeObj);
  EXPECT_EQ(obj->GetOwner(), static_cast<engine::DocumentObject*>(Item("cbS")));
  EXPECT_EQ(View("cbS").GetResItemCollectObj(true), obj);

  engine::qrv::QRVResCollectTemplete* fresh = View("cbX").GetResItemCollectTemplete(true);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->GetCollectType(), engine::qrv::kCollectTypeTemplete);
  EXPECT_EQ(View("cbX").GetResItemCollectTemplete(true), fresh);
  EXPECT_FALSE(fresh->IsCollected());
}

TEST_F(ResItemViewTest, RecordCreationWithoutAFactoryRecordCreatesNothing) {
  Build();
  for (auto failure : {FactoryStep::kCreateCollectObj, FactoryStep::kQRVFactory}) {
    ScopedFactoryFailure fail(failure);
    EXPECT_EQ(View("cbC").GetResItemCollectObj(true), nullptr);
  }
  {
    ScopedFactoryFailure fail(FactoryStep::kCreateCollectTemplete);
    EXPECT_EQ(View("cbC").GetResItemCollectTemplete(true), nullptr);
  }
  EXPECT_EQ(Item("cbC")->GetCollect(), nullptr);
}

TEST_F(ResItemViewTest, CopyRecordRefusalsAreLoggedWithTheirLeadingBlank) {
  builder_.BudgetLine("ys", 10, "R1").Collect("ys", "cbC", 3, "copy");
  Build();
  auto* cost = doc_->Find<engine::qrv::QRVResItem>("cbS");
  scoped_refptr<ResItemImpl> fresh(new ResItemImpl());
  LogCapture log;
  EXPECT_EQ(QRVResItemBean(nullptr).CreateResItemCollectCopy(cost, Item("ys")), nullptr);
  EXPECT_EQ(ViewOf(fresh.get()).CreateResItemCollectCopy(nullptr, Item("ys")), nullptr);
  EXPECT_EQ(ViewOf(fresh.get()).CreateResItemCollectCopy(cost, nullptr), nullptr);
  EXPECT_EQ(View("copy").CreateResItemCollectCopy(cost, Item("ys")), nullptr);
  {
    ScopedFactoryFailure fail(FactoryStep::kCreateCollectCopy);
    EXPECT_EQ(ViewOf(fresh.get()).CreateResItemCollectCopy(cost, Item("ys")), nullptr);
  }
  EXPECT_THAT(log.warnings(), ElementsAre(" CreateResItemCollectCopy 参数错误",
                                          " CreateResItemCollectCopy 参数错误",
                                          " CreateResItemCollectCopy 参数错误",
                                          " CreateResItemCollectCopy 副本人材机已存在归集对象"));
  EXPECT_EQ(fresh->GetCollect(), nullptr);
  EXPECT_EQ(CopyRecord(Item("copy"))->GetCBResItem(), Cost("cbC"));

  engine::qrv::QRVResCollectCopy* record =
      ViewOf(fresh.get()).CreateResItemCollectCopy(cost, Item("ys"));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->GetCBResItem(), cost);
  EXPECT_EQ(record->GetTempleteResItem(), Item("ys"));
  EXPECT_EQ(record->GetOwner(), static_cast<engine::DocumentObject*>(fresh.get()));
  EXPECT_EQ(fresh->GetCollect(), record);
  EXPECT_EQ(ViewOf(fresh.get()).GetResItemTemplete(), Item("ys"));
}

TEST_F(ResItemViewTest, CopyItemHoldsTheRatioAndStandsNowhere) {
  builder_.BudgetLine("ys", 10, "R1").WithSourceRef("quota-1").WithName("Cement");
  Build();
  scoped_refptr<engine::ResItem> copy(View("ys").CreateResItemCopy(3));
  ASSERT_TRUE(copy);
  auto* impl = static_cast<ResItemImpl*>(copy.get());
  double ratio = 0;
  EXPECT_TRUE(impl->fields()->GetNumber(reference_host::keys::kCollectRatio, ratio));
  EXPECT_DOUBLE_EQ(ratio, 0.3);
  EXPECT_EQ(impl->GetSourceRef(), "quota-1");
  EXPECT_EQ(impl->GetBaseResItem(), Item("ys")->GetBaseResItem());
  EXPECT_EQ(impl->GetOwnerList(), nullptr);
  EXPECT_EQ(impl->GetCollect(), nullptr);
  EXPECT_EQ(doc_->FindObjectById(impl->GetId()), nullptr);
  EXPECT_THAT(ListedCopies(Item("ys")), IsEmpty());
}

TEST_F(ResItemViewTest, CopyItemRefusals) {
  builder_.BudgetLine("ys", 10, "R1")
      .BudgetLine("zero", 0, "R2")
      .BudgetLine("negative", -4, "R4")
      .BudgetLine("unread", 1, "R3")
      .WithoutQuantity();
  Build();
  const size_t objects = doc_->document()->object_count();
  EXPECT_EQ(View("ys").CreateResItemCopy(-3), nullptr);  // other sign
  EXPECT_EQ(View("negative").CreateResItemCopy(1), nullptr);
  EXPECT_EQ(View("ys").CreateResItemCopy(5e-7), nullptr);  // zero request
  EXPECT_EQ(View("zero").CreateResItemCopy(1), nullptr);
  EXPECT_EQ(View("unread").CreateResItemCopy(1), nullptr);
  for (auto failure : {FactoryStep::kCreateResItem, FactoryStep::kEngineFactory}) {
    ScopedFactoryFailure fail(failure);
    EXPECT_EQ(View("ys").CreateResItemCopy(3), nullptr);
  }
  EXPECT_EQ(doc_->document()->object_count(), objects);
  scoped_refptr<engine::ResItem> negative(View("negative").CreateResItemCopy(-1));
  EXPECT_DOUBLE_EQ(Quantity(negative.get()), -4);  // no copy record yet: its own quantity
}

TEST_F(ResItemViewTest, CollectedQuantitiesByModeAndAccountAndTheCostItemsPerCopy) {
  builder_.BudgetLine("ys", 10, "R1")
      .Collect("ys", "cbC", 1, "c1")
      .Collect("ys", "cbF", 2)
      .Collect("ys", "cbC", 3, "c3")
      .Collect("ys", "cbX", 4)  // entry without an account
      .Collect("ys", "cbS", 0.5);
  Build();
  EXPECT_DOUBLE_EQ(View("ys").GetResItemCollectedQuantity(0), 10.5);
  EXPECT_DOUBLE_EQ(View("ys").GetResItemCollectedQuantity(1), 2);    // type "FB"
  EXPECT_DOUBLE_EQ(View("ys").GetResItemCollectedQuantity(2), 8.5);  // type "C"
  EXPECT_DOUBLE_EQ(View("ys").GetResItemCollectedQuantity(7), 10.5);
  EXPECT_DOUBLE_EQ(View("ys").GetResItemCollectSrcQuantity(), 10);
  EXPECT_EQ(View("cbC").GetResItemCollectedQuantity(0), 0);  // object record, not templete

  std::map<std::string, double> quantities{{"01", 10}, {"zz", 1}};
  View("ys").GetResItemCollectedCostAccountQuantity(quantities);
  EXPECT_EQ(quantities,
            (std::map<std::string, double>{{"", 4}, {"01", 16}, {"02", 0.5}, {"zz", 1}}));

  auto* cbS = doc_->Find<engine::qrv::QRVResItem>("cbS");
  std::vector<engine::qrv::QRVResItem*> cost_items{cbS};
  View("ys").GetCollectedCBResItem(cost_items);
  EXPECT_THAT(cost_items,
              ElementsAre(cbS, Cost("cbC"), Cost("cbF"), Cost("cbC"), Cost("cbX"), cbS));
  EXPECT_TRUE(View("ys").IsCollected());
  std::vector<engine::ResItem*> copies;
  View("cbC").GetCopyResFromQRVResItem(copies);
  EXPECT_THAT(copies, ElementsAre(Item("c1"), Item("c3")));
  std::vector<engine::qrv::QRVResItem*> none;
  View("cbC").GetCollectedCBResItem(none);  // a cost line collects nothing
  EXPECT_THAT(none, IsEmpty());
}

TEST_F(ResItemViewTest, CostAccountsOfCollectedLinkedPlainAndCostItems) {
  builder_.BudgetLine("collected", 10, "R1")
      .WithYSCostAccount("ca2")
      .Collect("collected", "cbC", 3)
      .BudgetLine("linked", 10, "R2")
      .WithYSCostAccount("ca1")
      .Link("cbS", "linked")
      .BudgetLine("plain", 10, "R3")
      .WithYSCostAccount("ca2")
      .BudgetLine("nothingLeft", 0, "R4")
      .WithYSCostAccount("ca2")
      .BudgetLine("noAccount", 10, "R5")
      .BudgetLine("unknownAccount", 10, "R6")
      .WithYSCostAccount("nope");
  Build();
  const struct {
    const char* item;
    std::set<std::string> codes;
  } cases[] = {
      {"collected", {"01"}},  // the cost lines' accounts, never its own
      {"linked", {"02"}},     {"plain", {"02"}}, {"nothingLeft", {}}, {"noAccount", {}},
      {"unknownAccount", {}}, {"cbS", {"02"}},   {"cbX", {}},
  };
  for (const auto& c : cases) {
    std::set<std::string> codes{"kept"};
    View(c.item).GetCostAccount(codes);
    EXPECT_EQ(codes.erase("kept"), 1u) << c.item;
    EXPECT_EQ(codes, c.codes) << c.item;
  }
  scoped_refptr<ResItemImpl> outside(new ResItemImpl());  // no document
  std::set<std::string> codes;
  ViewOf(outside.get()).GetCostAccount(codes);
  EXPECT_THAT(codes, IsEmpty());
}

}  // namespace
