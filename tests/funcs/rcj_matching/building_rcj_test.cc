// Applying a pairing: what is released, the link and the collect paths, unit
// conversion of the linked content, and cost-account agreement both ways.
#include "tests/funcs/rcj_matching/matching_test_support.h"

namespace {

using namespace test_support;

constexpr char kNoSources[] = "不存在匹配的成本基础人材机；";
constexpr char kSeveralSources[] =
    "同一个项目节点中有多个相同的基础人材机被合并，此处默认使用第一个；";

// A tower (unit project) with a form of cable (m, no account) and steel (t,
// account ca2); bill b1 of 2 with a cable line of 3 km booked to ca1 and two
// steel lines linked to cb-steel; bill b2 with one more steel line linked.
class BuildTest : public MatchingTest {
 protected:
  BuildTest() {
    builder_.CostAccount("ca1", "01", "Civil")
        .CostAccount("ca2", "02", "Steel")
        .SubProject("sp1", "Tower")
        .LocalGroup("mat", "MaterialForm")
        .ContractEntry("e-cable", "K01", "Cable")
        .WithUnit("m")
        .ContractEntry("e-steel", "S01", "Steel")
        .WithUnit("t")
        .WithCostAccount("ca2")
        .Bill("b1", 2)
        .BudgetLine("y-cable", 3, "K01")
        .WithResType("C")
        .WithUnit("千米")
        .WithPrice(12)
        .WithYSCostAccount("ca1")
        .BudgetLine("y-steel", 4, "S01")
        .WithResType("C")
        .WithUnit("t")
        .BudgetLine("y-steel-more", 1, "S01")
        .CostLine("cb-steel", "e-steel")
        .Link("cb-steel", "y-steel")
        .Link("cb-steel", "y-steel-more")
        .Bill("b2", 1)
        .BudgetLine("y-steel-b2", 2, "S01")
        .CostLine("cb-steel-b2", "e-steel")
        .Link("cb-steel-b2", "y-steel-b2");
  }
  bool Linked(const std::string& cost_id, const std::string& line_id) const {
    return Item(cost_id)->IsLinkedTo(Item(line_id));
  }

  LogCapture log_;
};

TEST_F(BuildTest, AnEntryNoLongerWantedReleasesTheFirstLineOfEachBill) {
  Build();
  Collect("sp1", {"mat"});
  Apply();
  EXPECT_FALSE(Linked("cb-steel", "y-steel"));
  EXPECT_TRUE(Linked("cb-steel", "y-steel-more"));
  EXPECT_FALSE(Linked("cb-steel-b2", "y-steel-b2"));
  EXPECT_EQ(CostLines("b1").size(), 1u);
}

TEST_F(BuildTest, LinkPathBuildsOneCostLineAndConvertsItsContent) {
  Build();
  Collect("sp1", {"mat"});
  context_.wanted_links = context_.current_links;
  Want("e-cable", {"y-cable"});
  reference_host::FieldContainerImpl* target_fields = Entry("e-cable")->fields();
  const int notified = target_fields->notification_count();
  Apply();
  ResItemImpl* built = Built("b1");
  ASSERT_EQ(CostLines("b1").size(), 2u);
  EXPECT_EQ(built->GetBaseResItem(), Entry("e-cable"));
  EXPECT_TRUE(built->IsLinkedTo(Item("y-cable")));
  EXPECT_THAT(Entry("e-cable")->registered_res_item_ids(), ElementsAre(built->GetId()));
  // 3 km over a bill of 2, in metres.
  EXPECT_EQ(built->GetContent(), "1500.000000");
  EXPECT_EQ(EntryText("sp1:K01", "QRV_BindedBaseResItemId"), "e-cable");
  // The price is copied silently; only the account taken over is heard of.
  double price = 0;
  ASSERT_TRUE(target_fields->GetNumber("BRIExcludedTaxFee", price));
  EXPECT_EQ(price, 12);
  EXPECT_FALSE(target_fields->HasField("BRIIncluedTaxFee"));
  EXPECT_EQ(Entry("e-cable")->GetCostAccount(), "ca1");
  EXPECT_EQ(target_fields->notification_count(), notified + 1);
  EXPECT_THAT(log_.warnings(), IsEmpty());
}

TEST_F(BuildTest, ReleasesComeBeforeBuildsSoAMovedResourceEndsLinkedToItsNewEntry) {
  Build();
  Collect("sp1", {"mat"});
  Want("e-cable", {"y-steel"});
  Apply();
  EXPECT_FALSE(Linked("cb-steel", "y-steel"));
  // The whole summary moves to a new cable line of each bill; the release
  // freed the first line of each bill from its steel line, and only that.
  ResItemImpl* built = Built("b1");
  EXPECT_EQ(built->GetBaseResItem(), Entry("e-cable"));
  EXPECT_TRUE(built->IsLinkedTo(Item("y-steel")));
  EXPECT_TRUE(built->IsLinkedTo(Item("y-steel-more")));
  EXPECT_TRUE(Linked("cb-steel", "y-steel-more"));
  EXPECT_FALSE(Linked("cb-steel-b2", "y-steel-b2"));
  EXPECT_TRUE(Built("b2")->IsLinkedTo(Item("y-steel-b2")));
  EXPECT_EQ(Built("b2")->GetBaseResItem(), Entry("e-cable"));
}

TEST_F(BuildTest, ATargetWithAnAccountHandsItToTheBudgetEntries) {
  builder_.Select("b1").BudgetLine("y-rebar", 5, "S02").WithResType("C").WithYSCostAccount("ca1");
  Build();
  Collect("sp1", {"mat"});
  Want("e-steel", {"y-rebar"});
  Apply();
  EXPECT_EQ(EntryText("sp1:S02", "QRV_YSCostAccount"), "ca2");
  EXPECT_EQ(Entry("e-steel")->GetCostAccount(), "ca2");
}

TEST_F(BuildTest, ATargetWithoutAnAccountStaysWithoutWhenTheBudgetEntryHasNone) {
  builder_.Select("b1").BudgetLine("y-wire", 1, "K02").WithResType("C").WithUnit("m");
  Build();
  Collect("sp1", {"mat"});
  Want("e-cable", {"y-wire"});
  Apply();
  EXPECT_EQ(Entry("e-cable")->GetCostAccount(), "");
  EXPECT_FALSE(Entry("e-cable")->fields()->HasField("QRV_CostAccount"));
  EXPECT_EQ(Built("b1")->GetContent(), "0.500000");
}

TEST_F(BuildTest, LinesOfTwoBudgetEntriesInOneBillAreCollectedWhole) {
  builder_.Select("b1")
      .BudgetLine("y-bolt-a", 6, "B01")
      .WithResType("C")
      .BudgetLine("y-bolt-b", 4, "B02")
      .WithResType("C");
  Build();
  // Same defining fields, two budget entries: one summary.
  for (const char* id : {"y-bolt-a", "y-bolt-b"}) Item(id)->fields()->SetText("BRICode", "B0");
  Collect("sp1", {"mat"});
  ASSERT_EQ(SummaryOf(context_, "y-bolt-a"), SummaryOf(context_, "y-bolt-b"));
  Want("e-steel", {"y-bolt-a"});
  Apply();
  ResItemImpl* built = Built("b1");
  EXPECT_EQ(built->GetBaseResItem(), Entry("e-steel"));
  EXPECT_THAT(ListedQuantities(built), ElementsAre(6, 4));
  EXPECT_FALSE(built->IsLinkedTo(Item("y-bolt-a")));
  EXPECT_TRUE(View("y-bolt-a").IsCollected());
  EXPECT_TRUE(View("y-bolt-b").IsCollected());
  EXPECT_EQ(EntryText("sp1:B01", "QRV_YSCostAccount"), "ca2");
  EXPECT_EQ(EntryText("sp1:B02", "QRV_YSCostAccount"), "ca2");
  EXPECT_FALSE(Entry("sp1:B01")->fields()->HasField("QRV_BindedBaseResItemId"));
}

TEST_F(BuildTest, ABillWithoutCostListGetsOne) {
  builder_.Bill("b3", 4).WithoutCostList().BudgetLine("y-cable-b3", 2, "K01");
  Build();
  Collect("sp1", {"mat"});
  Want("e-cable", {"y-cable-b3"});
  Apply();
  ASSERT_EQ(CostLines("b3").size(), 1u);
  EXPECT_TRUE(Built("b3")->IsLinkedTo(Item("y-cable-b3")));
  EXPECT_EQ(Built("b3")->GetContent(), "500.000000");
}

TEST_F(BuildTest, AMergedEntryWithoutSourcesIsAnErrorAndBuildsNothing) {
  Build();
  Collect("sp1", {"mat"});
  context_.wanted_links = context_.current_links;
  scoped_refptr<engine::qrv::QRVBaseResItem> stranger(new reference_host::BaseResItemImpl("x"));
  context_.wanted_links[stranger].insert(SummaryOf(context_, "y-cable"));
  const std::string before = Text();
  Apply();
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre(kNoSources));
  EXPECT_EQ(Text(), before);
}

// Above the unit projects: a master cable entry listed twice in the tower's
// form and once in the annex's; the garage has none.
class SourcesTest : public MatchingTest {
 protected:
  SourcesTest() {
    builder_.ContractGroup("master", "MaterialForm")
        .ContractEntry("m-cable", "K01", "Cable")
        .SubProject("tower", "Tower")
        .LocalGroup("tower-mat", "MaterialForm")
        .ContractEntry("t-cable", "K01", "Cable")
        .WithIdentity("m-cable")
        .ContractEntry("t-cable-2", "K01", "Cable")
        .WithIdentity("m-cable")
        .Bill("tb", 1)
        .BudgetLine("t-line", 1, "K01")
        .WithResType("C")
        .SubProject("annex", "Annex")
        .LocalGroup("annex-mat", "MaterialForm")
        .ContractEntry("a-cable", "K01", "Cable")
        .WithIdentity("m-cable")
        .Bill("ab", 1)
        .BudgetLine("a-line", 1, "K01")
        .WithResType("C")
        .SubProject("garage", "Garage")
        .Bill("gb", 1)
        .BudgetLine("g-line", 1, "K01")
        .WithResType("C");
  }
  LogCapture log_;
};

TEST_F(SourcesTest, EachBillTakesTheFirstSourceOfItsOwnSubProject) {
  Build();
  Collect("p/root", {"tower-mat", "annex-mat"});
  // Identical fields in three sub-projects: one summary.
  ASSERT_EQ(SummaryOf(context_, "t-line"), SummaryOf(context_, "g-line"));
  Want("t-cable", {"t-line"});
  Apply();
  EXPECT_EQ(Built("tb")->GetBaseResItem(), Entry("t-cable"));
  EXPECT_EQ(Built("ab")->GetBaseResItem(), Entry("a-cable"));
  EXPECT_EQ(Built("gb"), nullptr);
  EXPECT_THAT(log_.warnings(), ElementsAre(kSeveralSources));
}

struct UnitCase {
  std::string name;
  std::string budget_unit;
  std::string cost_unit;
  std::string content;
};
void PrintTo(const UnitCase& c, std::ostream* out) { *out << c.name; }

// A budget line of 3 in a bill of 2 (content 1.5 in the budget unit) linked
// to an entry of another unit.
class UnitTest : public MatchingTest, public testing::WithParamInterface<UnitCase> {};

TEST_P(UnitTest, ContentFollowsTheContractUnit) {
  const UnitCase& c = GetParam();
  builder_.SubProject("sp1", "Tower")
      .LocalGroup("mat", "MaterialForm")
      .ContractEntry("e", "K01", "Cable")
      .WithUnit(c.cost_unit)
      .Bill("b1", 2)
      .BudgetLine("y", 3, "K01")
      .WithResType("C")
      .WithUnit(c.budget_unit);
  Build();
  Collect("sp1", {"mat"});
  Want("e", {"y"});
  Apply();
  ASSERT_NE(Built("b1"), nullptr);
  EXPECT_EQ(Built("b1")->GetContent(), c.content);
}

INSTANTIATE_TEST_SUITE_P(
    Units, UnitTest,
    testing::Values(UnitCase{"KilometresByAlias", "千米", "m", "1500.000000"},
                    UnitCase{"UpperCaseLoweredForTheFactor", "KM", "m", "1500.000000"},
                    UnitCase{"UpperCaseDiffersButHasNoFactor", "M", "m", ""},
                    UnitCase{"AliasesOfOneUnit", "m2", "平方米", "1.500000"},
                    UnitCase{"SameUnit", "t", "t", "1.500000"},
                    UnitCase{"KilogramsToTonnes", "公斤", "t", "0.001500"},
                    UnitCase{"TonnesToKilograms", "吨", "kg", "1500.000000"},
                    UnitCase{"BricksByTheThousand", "块", "千块", "0.001500"},
                    UnitCase{"HundredsToThousands", "百块", "千块", "0.150000"},
                    UnitCase{"UnknownConversion", "m3", "t", ""}),
    CaseName());

}  // namespace
