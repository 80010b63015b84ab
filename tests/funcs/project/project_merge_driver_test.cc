// The project merge driver: validation and its refusals, the duplicate-id
// check, the rebuilt sub-project tree and the re-pointing of references.
#include "reference_host/builder/document_generator.h"
#include "tests/funcs/project/project_merge_support.h"

namespace {

using namespace test_support;
using reference_host::ProjectImpl;

class ProjectMergeDriverTest : public ProjectMergeTest {
 protected:
  // Current: root with Foundations (cf) and Structure (cs), unit works;
  // source: root with Piping (sp, a single work) and Electrical (se).
  void TwoTrees() {
    current_builder_.DJCSRoot("cur/djcs");
    current_builder_.SubProject("cf", "Foundations").SubProject("cs", "Structure");
    source_builder_.SubProject("sp", "Piping", engine::kSubProjectSingle)
        .SubProject("se", "Electrical");
  }
};

TEST_F(ProjectMergeDriverTest, RefusedNodeKeepsEarlierNamesAndLeavesTreeAndCostsAlone) {
  TwoTrees();
  Build();
  ProjMergeNode* root = RootPair(
      {Node("cf", "", "Foundations 1", 1), Node("cs", "", "Frame", 1), Node("nope", "", "X", 1)});
  EXPECT_FALSE(Merge(root));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre("ID错误 无法转换成subproject"
                                                             "nope"));
  EXPECT_THAT(ChildNames(CurrentRoot()), ElementsAre("cf:Foundations 1", "cs:Frame"));
  EXPECT_EQ(Text(CurrentRoot(), "QRV_ProjectMergeInfo"), "");
  EXPECT_THAT(ChildNames(SourceRoot()), ElementsAre("sp:Piping", "se:Electrical"));
}

TEST_F(ProjectMergeDriverTest, RefusesAPairThatCannotMerge) {
  TwoTrees();
  Build();
  // Different kinds (1 and 3), a missing side, a bad source type, an unknown
  // source id.
  EXPECT_FALSE(Merge(RootPair({Node("cf", "sp", "", 1, true)})));
  EXPECT_FALSE(Merge(RootPair({Node("cf", "", "", 1, true)})));
  EXPECT_FALSE(Merge(Node("cur/root", "src/root", "", 3, true)));
  EXPECT_FALSE(Merge(RootPair({Node("", "zz", "", 2)})));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR),
              ElementsAre("数据错误， 不满足费用合并条件", "数据错误， 不满足费用合并条件",
                          "使用来源类型错误",
                          "ID错误 无法转换成subproject"
                          "zz"));
}

TEST_F(ProjectMergeDriverTest, NullChildEndsTheMergeSilently) {
  TwoTrees();
  Build();
  EXPECT_FALSE(Merge(RootPair({Node("cf", ""), nullptr})));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), IsEmpty());
}

TEST_F(ProjectMergeDriverTest, RebuildsTheTreeFromBothProjectsAndLeavesOutTheRest) {
  TwoTrees();
  source_builder_.Select("sp").MovableItem("sp/m1");
  Build();
  ProjMergeNode* root =
      RootPair({Node("cs", "", "Structure", 1),
                Node("", "sp", "Piping works", 2, false, {Node("cf", "", "Foundations", 1)}),
                Node("", "", "nothing")});
  EXPECT_TRUE(Merge(root));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre("没有找到节点"));
  EXPECT_THAT(ChildNames(CurrentRoot()), ElementsAre("cs:Structure", "sp:Piping works"));
  SubProjectImpl* piping = current_->Find<SubProjectImpl>("sp");
  ASSERT_NE(piping, nullptr);
  EXPECT_THAT(ChildNames(piping), ElementsAre("cf:Foundations"));
  // What came across is in the current document and no longer in the source.
  EXPECT_NE(current_->FindObjectById("sp/m1"), nullptr);
  EXPECT_EQ(source_->FindObjectById("sp"), nullptr);
  EXPECT_THAT(ChildNames(SourceRoot()), IsEmpty());
  // Electrical was named by no node: detached from both.
  EXPECT_EQ(current_->FindObjectById("se"), nullptr);
  EXPECT_EQ(source_->FindObjectById("se"), nullptr);
}

TEST_F(ProjectMergeDriverTest, RootMayComeFromTheSourceProject) {
  TwoTrees();
  Build();
  EXPECT_TRUE(Merge(Node("", "src/root", "Merged", 2, false, {Node("cf", "", "F", 1)})));
  EXPECT_EQ(CurrentRoot()->GetId(), "src/root");
  EXPECT_EQ(CurrentRoot()->GetName(), "Merged");
  EXPECT_THAT(ChildNames(CurrentRoot()), ElementsAre("cf:F"));
  EXPECT_EQ(SourceRoot(), nullptr);
}

TEST_F(ProjectMergeDriverTest, UnresolvedRootKeepsTheProjectRootAndStillRepoints) {
  TwoTrees();
  Build();
  EXPECT_TRUE(Merge(Node("cur/root", "", "", 7)));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR),
              ElementsAre("来源类型错误", "GetSubProjectFromProjMergeNode 错误"));
  EXPECT_EQ(CurrentRoot()->GetId(), "cur/root");
}

TEST_F(ProjectMergeDriverTest, PairSharingAnIdWithTheCurrentDocumentIsNotMerged) {
  current_builder_.DJCSRoot("cur/djcs").MeasureItem("shared-id", "1", "Earthworks", "cur/djcs");
  source_builder_.DJCSRoot("src/djcs")
      .MeasureItem("s1", "1", "Pipes", "src/djcs")
      .MeasureItem("shared-id", "2", "Valves", "src/djcs");
  source_builder_.FeeTable("src/fee").FeeRow("f1", "A", "base", 0.1, 10);
  current_builder_.FeeTable("cur/fee");
  Build();
  EXPECT_TRUE(Merge(RootPair()));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre("存在重复的ID, 无法合并费用"));
  EXPECT_EQ(CurrentRoot()->GetDJCSRoot()->GetChildCount(), 1);
  EXPECT_EQ(SourceRoot()->GetDJCSRoot()->GetChildCount(), 2);
  EXPECT_THAT(RowIds(CurrentRoot()->GetFeeStore()->GetTable("Fee")), IsEmpty());
  EXPECT_EQ(Text(CurrentRoot(), "QRV_ProjectMergeInfo"), "");
}

// Rows of a table count too, at any depth: an other-items row under another
// row whose id the current document holds stops the pair.
TEST_F(ProjectMergeDriverTest, NestedRowSharingAnIdStopsThePair) {
  current_builder_.QTXMTable(1, "cur/q1").Row("taken");
  source_builder_.QTXMTable(1, "src/q1").Row("q1a").Row("taken", "q1a");
  Build();
  EXPECT_TRUE(Merge(RootPair()));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre("存在重复的ID, 无法合并费用"));
  EXPECT_THAT(RowIds(CurrentRoot()->GetQTXMTables()->GetTable1()), ElementsAre("taken"));
}

TEST_F(ProjectMergeDriverTest, CarriedItemsPointToTheCurrentProjectsAccountsAndStages) {
  current_builder_.CostAccount("cur/ca", "01", "Civil").BillStage("cur/st", "Phase 1");
  current_builder_.DJCSRoot("cur/djcs");
  source_builder_.CostAccount("src/ca", "01", "Civil")
      .CostAccount("src/only", "99", "Elsewhere")
      .BillStage("src/st", "Phase 1");
  source_builder_.DJCSRoot("src/djcs")
      .MeasureItem("s1", "1", "Pipes", "src/djcs")
      .WithCostAccount("src/ca")
      .WithBillStage("src/st")
      .MeasureItem("s2", "2", "Valves", "src/djcs")
      .WithCostAccount("src/only");
  Build();
  EXPECT_TRUE(Merge(RootPair()));
  EXPECT_EQ(Text(current_->FindObjectById("s1"), "QRV_CostAccount"), "cur/ca");
  EXPECT_EQ(Text(current_->FindObjectById("s1"), "QRV_BillStage"), "cur/st");
  // No account with that code here: left unmatched.
  EXPECT_EQ(Text(current_->FindObjectById("s2"), "QRV_CostAccount"), "src/only");
}

TEST_F(ProjectMergeDriverTest, PairsOfKindsTwoAndThreeMergeNothing) {
  current_builder_.SubProject("cu", "Unit", engine::kSubProjectUnit).DJCSRoot("cu/djcs");
  source_builder_.SubProject("su", "Unit", engine::kSubProjectUnit)
      .DJCSRoot("su/djcs")
      .MeasureItem("s1", "1", "Pipes", "su/djcs");
  Build();
  EXPECT_TRUE(Merge(RootPair({Node("cu", "su", "Unit", 1, true)})));
  EXPECT_EQ(current_->Find<SubProjectImpl>("cu")->GetDJCSRoot()->GetChildCount(), 0);
  EXPECT_EQ(Text(current_->FindObjectById("cu"), "QRV_ProjectMergeInfo"), "");
}

}  // namespace

namespace {

// Two generated projects with every merge table, merged root to root and
// freed, current first: nothing carried across may outlive its owner.
TEST(GeneratedProjectMerge, MergedDocumentsFreeCleanly) {
  for (int round = 0; round < 2; ++round) {
    auto current =
        reference_host::GenerateEstimateDocument(reference_host::OptionsForMerge(3000, "cur:", 1));
    auto source =
        reference_host::GenerateEstimateDocument(reference_host::OptionsForMerge(3000, "src:", 2));
    marrow::qrv::ProjMergeNode root{current->project()->GetRootSubProject()->GetId(),
                                    source->project()->GetRootSubProject()->GetId(),
                                    "Merged",
                                    1,
                                    true,
                                    {}};
    EXPECT_TRUE(
        marrow::qrv::QRVProjectFunc(current->project()).ProjectMerge(source->project(), &root));
    current.reset();
    source.reset();
  }
}

}  // namespace
