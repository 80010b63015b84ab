// Gathering both sides of a match: contract entries bucketed by identity and
// merged, budget lines aggregated by the summary fingerprint, the links that
// exist, and the two sort orders.
#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "host/engine/qrv/qrv_project.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::MergedItemRef;
using marrow::qrv::QRVCollectMatchData;
using marrow::qrv::RCJMatchingContext;
using marrow::qrv::SummaryRef;
using testing::UnorderedElementsAre;

std::vector<std::string> Ids(const std::vector<MergedItemRef>& entries) {
  std::vector<std::string> ids;
  for (const auto& entry : entries) ids.push_back(entry->GetId());
  return ids;
}

// A summary entry by its member lines' ids.
std::vector<std::string> Members(const SummaryRef& summary) {
  std::vector<std::string> ids;
  for (int i = 0; i < summary->GetDetailCount(); ++i)
    ids.push_back(summary->GetDetailResItem(i)->GetId());
  return ids;
}

std::vector<std::vector<std::string>> AllMembers(const std::vector<SummaryRef>& summaries) {
  std::vector<std::vector<std::string>> all;
  for (const auto& summary : summaries) all.push_back(Members(summary));
  return all;
}

std::string FieldText(const MergedItemRef& entry, const std::string& key) {
  engine::FieldValue value;
  entry->GetFieldContainer()->GetFieldValue(key, value);
  return value.GetString();
}

class CollectMatchDataTest : public DocumentTest {
 protected:
  // Collects over the sub-project |root_id| and the forms |groups|.
  RCJMatchingContext& Collect(const std::string& root_id, std::vector<std::string> groups) {
    context_.sub_project = doc_->Find<engine::qrv::QRVSubProject>(root_id);
    context_.group_ids = std::move(groups);
    QRVCollectMatchData().Collect(context_);
    return context_;
  }
  const std::vector<MergedItemRef>& SourcesOf(const MergedItemRef& merged) {
    return context_.merged_sources.at(merged);
  }
  // The merged entries paired now, each with the first lines of its summaries.
  std::map<std::string, std::set<std::string>> CurrentLinks() const {
    std::map<std::string, std::set<std::string>> out;
    for (const auto& [merged, summaries] : context_.current_links) {
      std::string name = context_.merged_sources.at(merged).front()->GetId();
      for (const auto& summary : summaries) out[name].insert(Members(summary).front());
    }
    return out;
  }

  RCJMatchingContext context_;
};

// The master entry "m-cement" stands for cement; the tower (sp1) and the
// annex (sp2) each list it in their own forms.
class ContractSideTest : public CollectMatchDataTest {
 protected:
  ContractSideTest() {
    builder_.ContractGroup("master", "MaterialForm")
        .ContractEntry("m-cement", "M01", "Cement")
        .SubProject("sp1", "Tower")
        .LocalGroup("mat", "MaterialForm")
        .ContractEntry("sp1-cement", "M01", "Cement")
        .WithIdentity("m-cement")
        .WithEntryQuantity(2.5)
        .WithCostAccount("ca1")
        .WithUnit("t")
        .ContractEntry("sp1-cement-bagged", "M01B", "Cement, bagged")
        .WithIdentity("m-cement")
        .ContractEntry("sp1-steel", "S01", "Steel")
        .WithEntryQuantity(4)
        .SubProject("sp2", "Annex")
        .LocalGroup("sp2-mat", "MaterialForm")
        .ContractEntry("sp2-cement", "M01", "Cement")
        .WithIdentity("m-cement")
        .WithUnit("kg");
  }
};

TEST_F(ContractSideTest, AboveAUnitProjectEntriesSharingAnIdentityMerge) {
  Build();
  Collect("p/root", {"mat", "sp2-mat"});
  ASSERT_EQ(context_.merged_items.size(), 2u);
  const MergedItemRef cement = context_.merged_items[0];
  EXPECT_THAT(Ids(SourcesOf(cement)), ElementsAre("sp1-cement", "sp1-cement-bagged", "sp2-cement"));
  // The first entry's fields, the summed quantity (an entry without one adds
  // nothing), and a fresh detached entry.
  EXPECT_EQ(FieldText(cement, "BRIUnit"), "t");
  EXPECT_EQ(cement->GetCostAccount(), "ca1");
  double quantity = 0;
  ASSERT_TRUE(cement->GetQuantity(quantity));
  EXPECT_EQ(quantity, 2.5);
  EXPECT_EQ(cement->GetDocument(), nullptr);
  EXPECT_EQ(cement->GetGroup(), nullptr);
  EXPECT_THAT(Ids(SourcesOf(context_.merged_items[1])), ElementsAre("sp1-steel"));
}

TEST_F(ContractSideTest, InAUnitProjectEveryEntryIsItsOwnBucket) {
  Build();
  Collect("sp1", {"mat"});
  EXPECT_EQ(context_.merged_items.size(), 3u);
  for (const auto& [merged, sources] : context_.merged_sources) EXPECT_EQ(sources.size(), 1u);
}

TEST_F(ContractSideTest, AFormIdFoundInOneSubProjectOnlyGivesThatSubProjectsEntries) {
  Build();
  Collect("p/root", {"sp2-mat", "no-such-form"});
  ASSERT_EQ(context_.merged_items.size(), 1u);
  EXPECT_THAT(Ids(SourcesOf(context_.merged_items[0])), ElementsAre("sp2-cement"));
  double quantity = -1;
  ASSERT_TRUE(context_.merged_items[0]->GetQuantity(quantity));
  EXPECT_EQ(quantity, 0.0);
}

TEST_F(ContractSideTest, MergedEntriesSortBySortTextThenName) {
  builder_.Select("mat")
      .ContractEntry("sp1-a", "Z9", "Beta")
      .WithSortText("A")
      .ContractEntry("sp1-b", "Z8", "Alpha")
      .WithSortText("A");
  Build();
  Collect("sp1", {"mat"});
  std::vector<std::string> sources;
  for (const auto& merged : context_.merged_items) sources.push_back(SourcesOf(merged)[0]->GetId());
  EXPECT_THAT(sources,
              ElementsAre("sp1-b", "sp1-a", "sp1-cement", "sp1-cement-bagged", "sp1-steel"));
}

// Budget lines of one tower bill in every state that matters to the summary
// fingerprint, and a cost line on an entry of the tower's form.
class BudgetSideTest : public CollectMatchDataTest {
 protected:
  BudgetSideTest() {
    builder_.ContractGroup("elsewhere", "MaterialForm")
        .ContractEntry("outside", "X01", "Outside")
        .SubProject("sp1", "Tower")
        .LocalGroup("mat", "MaterialForm")
        .ContractEntry("e-cement", "M01", "Cement")
        .ContractEntry("e-cement-2", "M02", "Cement")
        .Bill("b1", 10)
        .BudgetLine("c-free", 4, "C1")
        .WithResType("C")
        .WithName("Cement")
        .BudgetLine("c-linked", 2, "C2")
        .WithResType("C")
        .BudgetLine("c-linked-2", 2, "C3")
        .WithResType("C")
        .BudgetLine("c-outside", 2, "C4")
        .WithResType("C")
        .BudgetLine("z-collected", 3, "Z1")
        .WithResType("Z")
        .BudgetLine("r-labour", 8, "R1")
        .WithResType("R")
        .BudgetLine("j-crane", 1, "J1")
        .WithResType("J")
        .BudgetLine("f-fee", 1, "F1")
        .WithResType("F")
        .CostLine("cb1", "e-cement")
        .CostLine("cb2", "e-cement-2")
        .CostLine("cb-out", "outside")
        .CostLine("cb-parts", "e-cement")
        .Link("cb1", "c-linked")
        .Link("cb2", "c-linked-2")
        .Link("cb-out", "c-outside")
        .Collect("z-collected", "cb-parts", 1)
        .Bill("b2", 5)
        .BudgetLine("c-free-2", 6, "C1");
  }
  // Gives lines the same defining fields, so only their state parts them.
  void Alike(const std::vector<std::string>& ids) {
    for (const std::string& id : ids) {
      Item(id)->fields()->SetText("BRICode", "SAME");
      Item(id)->fields()->SetText("BRIName", "Same");
      Item(id)->fields()->SetText("BRIType", "C");
    }
  }
};

TEST_F(BudgetSideTest, OnlyUncollectedMaterialLinesTakePartAndLinksKeepThemApart) {
  Build();
  Alike({"c-free", "c-free-2", "c-linked", "c-linked-2", "c-outside"});
  Collect("sp1", {"mat"});
  EXPECT_THAT(AllMembers(context_.summaries),
              UnorderedElementsAre(ElementsAre("c-free", "c-free-2"), ElementsAre("c-linked"),
                                   ElementsAre("c-linked-2"), ElementsAre("c-outside"),
                                   ElementsAre("f-fee")));
}

TEST_F(BudgetSideTest, CurrentLinksComeFromTheFirstLineAndStayWithinTheGatheredForms) {
  Build();
  Collect("sp1", {"mat"});
  EXPECT_EQ(CurrentLinks(), (std::map<std::string, std::set<std::string>>{
                                {"e-cement", {"c-linked"}}, {"e-cement-2", {"c-linked-2"}}}));
}

TEST_F(BudgetSideTest, WithoutFormsTheBudgetSideIsStillGathered) {
  Build();
  Collect("sp1", {});
  EXPECT_THAT(context_.merged_items, IsEmpty());
  EXPECT_THAT(context_.merged_sources, IsEmpty());
  EXPECT_THAT(context_.current_links, IsEmpty());
  EXPECT_EQ(context_.summaries.size(), 5u);
}

TEST_F(BudgetSideTest, ASecondCollectAppendsASecondCopyOfEverything) {
  Build();
  Collect("sp1", {"mat"});
  QRVCollectMatchData().Collect(context_);
  EXPECT_EQ(context_.merged_items.size(), 4u);
  EXPECT_EQ(context_.merged_sources.size(), 4u);
  EXPECT_EQ(context_.summaries.size(), 10u);
  EXPECT_EQ(context_.current_links.size(), 4u);
  for (const auto& [merged, summaries] : context_.current_links) EXPECT_EQ(summaries.size(), 1u);
}

TEST_F(CollectMatchDataTest, SummariesSortByNumberTextAsTextThenByName) {
  builder_.SubProject("sp1", "Tower")
      .Bill("b1", 1)
      .BudgetLine("n10", 1, "C1")
      .WithResType("C")
      .WithNumber(10)
      .BudgetLine("b-name", 1, "C0")
      .WithResType("C")
      .WithName("b")
      .SubProject("sp2", "Annex")
      .Bill("b2", 1)
      .BudgetLine("n9", 1, "C1")
      .WithResType("C")
      .WithNumber(9)
      .WithPrice(2)
      .BudgetLine("a-name", 1, "C0")
      .WithResType("C")
      .WithName("a")
      .SubProject("sp3", "Garage")
      .Bill("b3", 1)
      .BudgetLine("n-neg", 1, "C1")
      .WithResType("C")
      .WithNumber(-3)
      .WithPrice(3);
  Build();
  Collect("p/root", {});
  std::vector<std::string> firsts;
  for (const auto& summary : context_.summaries) firsts.push_back(Members(summary).front());
  // "C1@-3" < "C1@10" < "C1@9": the numbers compare as text.
  EXPECT_THAT(firsts, ElementsAre("a-name", "b-name", "n-neg", "n10", "n9"));
}

}  // namespace
