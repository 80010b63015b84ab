// The cost merge of one pair, table by table: suffix hand-out, the measure
// trees, the keyed tables, the carried sets, the overview areas, the
// other-items tables and the fee summary.
#include "reference_host/model/sub_project_tables_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/funcs/project/project_merge_support.h"

namespace {

using namespace test_support;
using reference_host::SubEngineeringImpl;

constexpr char kInfo[] = "QRV_ProjectMergeInfo";

class ProjectMergeTablesTest : public ProjectMergeTest {
 protected:
  SubEngineeringImpl* Item(const std::string& id) const {
    return current_->Find<SubEngineeringImpl>(id);
  }
};

TEST_F(ProjectMergeTablesTest, SuffixesContinueFromTheStoredIndex) {
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_EQ(Text(CurrentRoot(), kInfo), R"({"cur/root":"_1","src/root":"_2"})");

  // A second source into the same sub-project, by a new service object.
  DocumentBuilder second("two", "Second");
  auto other = second.BuildDocument();
  marrow::qrv::QRVProjectFunc func(current_project());
  ASSERT_TRUE(func.ProjectMerge(other->project(), Node("cur/root", "two/root", "Civil", 1, true)));
  EXPECT_EQ(Text(CurrentRoot(), kInfo), R"({"cur/root":"_1","src/root":"_2","two/root":"_3"})");

  // The same source again: nothing is assigned or written.
  CurrentRoot()->fields()->SetFieldValue(kInfo, R"({"two/root":"_3"} )", true);
  marrow::qrv::QRVProjectFunc again(current_project());
  ASSERT_TRUE(again.ProjectMerge(other->project(), Node("cur/root", "two/root", "", 1, true)));
  EXPECT_EQ(Text(CurrentRoot(), kInfo), R"({"two/root":"_3"} )");
}

TEST_F(ProjectMergeTablesTest, BrokenStoredIndexIsLoggedAndReplacedByAValidOne) {
  current_builder_.DJCSRoot("cur/djcs").Select("cur/root").WithField(kInfo, "{not json");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  ASSERT_EQ(log_.Messages(google::GLOG_ERROR).size(), 1u);
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR)[0], testing::HasSubstr("parse error"));
  EXPECT_EQ(Text(CurrentRoot(), kInfo), R"({"src/root":"_1"})");
}

TEST_F(ProjectMergeTablesTest, NonStringMemberStopsReadingButNotTheMerge) {
  current_builder_.DJCSRoot("cur/djcs")
      .Select("cur/root")
      .WithField(kInfo, R"({"a":"_1","b":2,"c":"_3"})");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  ASSERT_EQ(log_.Messages(google::GLOG_ERROR).size(), 1u);
  // "a" read, "b" named with empty text, "c" never reached; the source is
  // the third entry.
  EXPECT_EQ(Text(CurrentRoot(), kInfo), R"({"a":"_1","b":"","src/root":"_3"})");
}

TEST_F(ProjectMergeTablesTest, IdsNeedingEscapesRoundTrip) {
  current_builder_.Root("cur\"root", "Civil");
  Build();
  ASSERT_TRUE(Merge(Node("cur\"root", "src/root", "", 1, true)));
  EXPECT_EQ(Text(CurrentRoot(), kInfo), R"({"cur\"root":"_1","src/root":"_2"})");
}

TEST_F(ProjectMergeTablesTest, LeafLumpSumMatchGoesUnderASubtitleWithBothSuffixes) {
  current_builder_.ZJCSRoot("cur/zj")
      .MeasureItem("c0", "1.0", "Site", "cur/zj")
      .MeasureItem("c1", "1.1", "Scaffold", "cur/zj")
      .MeasureItem("c2", "1.2", "Lifts", "cur/zj");
  source_builder_.ZJCSRoot("src/zj")
      .MeasureItem("s1", "1.1", "Scaffold", "src/zj")
      .WithField("QRV_Calculation_Method", "A")
      .WithField("QRV_YSLinkZJCSSubEng", true);
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  SubEngineeringImpl* root = CurrentRoot()->GetZJCSRoot();
  EXPECT_THAT(Codes(root), ElementsAre("1.0", "1.1", "1.2"));
  SubEngineeringImpl* subtitle = root->child(1);
  EXPECT_EQ(subtitle->GetName(), "Scaffold");
  EXPECT_THAT(Codes(subtitle), ElementsAre("1.1_1", "1.1_2"));
  EXPECT_EQ(subtitle->child(0)->GetId(), "c1");
  EXPECT_EQ(Text(Item("s1"), "QRV_Calculation_Method"), "A_2");
  EXPECT_TRUE(engine::FieldValue(true) == [&] {
    engine::FieldValue value;
    subtitle->fields()->GetFieldValue("QRV_YSLinkZJCSSubEng", value);
    return value;
  }());
  EXPECT_EQ(SourceRoot()->GetZJCSRoot()->GetChildCount(), 0);
}

TEST_F(ProjectMergeTablesTest, MatchWithChildrenOnOneSideIsPlacedAfterItsMatch) {
  current_builder_.ZJCSRoot("cur/zj")
      .MeasureItem("c1", "2", "Temporary works", "cur/zj")
      .MeasureItem("c11", "2.1", "Fence", "c1")
      .MeasureItem("c2", "3", "Other", "cur/zj");
  source_builder_.ZJCSRoot("src/zj")
      .MeasureItem("s1", "2", "Temporary works", "src/zj")
      .MeasureItem("s9", "9", "New", "src/zj")
      .MeasureItem("s91", "9.1", "Deep", "s9")
      .WithField("QRV_Calculation_Method", "");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(Codes(CurrentRoot()->GetZJCSRoot()), ElementsAre("2", "2_2", "3", "9_2"));
  EXPECT_THAT(Codes(Item("s9")), ElementsAre("9.1_2"));
  EXPECT_EQ(Text(Item("s91"), "QRV_Calculation_Method"), "");
  EXPECT_THAT(Codes(Item("c1")), ElementsAre("2.1"));
}

TEST_F(ProjectMergeTablesTest, MatchedParentsMergeTheirChildrenLevelByLevel) {
  current_builder_.ZJCSRoot("cur/zj")
      .MeasureItem("c1", "1", "Works", "cur/zj")
      .MeasureItem("c11", "1.1", "Fence", "c1");
  source_builder_.ZJCSRoot("src/zj")
      .MeasureItem("s1", "1", "Works", "src/zj")
      .MeasureItem("s11", "1.1", "Fence", "s1")
      .MeasureItem("s12", "1.2", "Gate", "s1");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(Codes(CurrentRoot()->GetZJCSRoot()), ElementsAre("1"));
  ASSERT_EQ(Item("c1")->GetChildCount(), 2);
  EXPECT_THAT(Codes(Item("c1")->child(0)), ElementsAre("1.1_1", "1.1_2"));
  EXPECT_EQ(Item("c1")->child(1)->GetId(), "s12");
  EXPECT_EQ(Item("s12")->GetCode(), "1.2_2");
  // The emptied source parent stays behind.
  EXPECT_EQ(source_->Find<SubEngineeringImpl>("s1")->GetChildCount(), 0);
}

// A match needs code and name: the same code under another name is a new item.
TEST_F(ProjectMergeTablesTest, SameCodeUnderAnotherNameIsNoMatch) {
  current_builder_.ZJCSRoot("cur/zj").MeasureItem("c1", "1.1", "Scaffold", "cur/zj");
  source_builder_.ZJCSRoot("src/zj").MeasureItem("s1", "1.1", "Hoarding", "src/zj");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(Codes(CurrentRoot()->GetZJCSRoot()), ElementsAre("1.1", "1.1_2"));
  EXPECT_EQ(Item("c1")->GetChildCount(), 0);
}

TEST_F(ProjectMergeTablesTest, EmptyLumpSumTreeTakesEverythingWithSuffixAtEveryDepth) {
  current_builder_.ZJCSRoot("cur/zj");
  source_builder_.ZJCSRoot("src/zj")
      .MeasureItem("s1", "1", "A", "src/zj")
      .MeasureItem("s11", "1.1", "B", "s1")
      .WithField("QRV_Calculation_Method", "M")
      .MeasureItem("s2", "2", "C", "src/zj");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(Codes(CurrentRoot()->GetZJCSRoot()), ElementsAre("1_2", "2_2"));
  EXPECT_EQ(Item("s11")->GetCode(), "1.1_2");
  EXPECT_EQ(Text(Item("s11"), "QRV_Calculation_Method"), "M_2");
  EXPECT_NE(SourceRoot()->GetZJCSRoot(), nullptr);
}

TEST_F(ProjectMergeTablesTest, UnitPriceItemsMoveUnchangedWithTheirSets) {
  current_builder_.DJCSRoot("cur/djcs").MeasureItem("c1", "1", "Earth", "cur/djcs");
  current_builder_.EmptyItemSets().BudgetEntry("cur/e1", "C1");
  source_builder_.DJCSRoot("src/djcs").MeasureItem("s1", "1", "Earth", "src/djcs");
  source_builder_.BudgetEntry("src/e1", "P1")
      .MovableItem("src/m1")
      .ProductItem("src/p1")
      .MovableRecord("src/r1");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(Codes(CurrentRoot()->GetDJCSRoot()), ElementsAre("1", "1"));
  EXPECT_NE(current_->FindObjectById("src/m1"), nullptr);
  EXPECT_NE(current_->FindObjectById("src/p1"), nullptr);
  EXPECT_NE(current_->FindObjectById("src/r1"), nullptr);
  // The shared entry is listed by both sets; the source keeps holding it.
  EXPECT_EQ(CurrentRoot()->GetSharedItemSet()->GetMemberCount(), 2);
  EXPECT_EQ(CurrentRoot()->GetSharedItemSet()->GetMemberAt(1)->GetId(), "src/e1");
  EXPECT_NE(source_->FindObjectById("src/e1"), nullptr);

  // Saved by id, the entry itself outside the document: it comes back shared.
  const std::string saved = reference_host::SaveDocumentText(*current_);
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(saved);
  ASSERT_TRUE(loaded) << loaded.error;
  EXPECT_EQ(reference_host::SaveDocumentText(*loaded.document->document()), saved);
  engine::SharedItemSet* shared =
      loaded.document->project()->GetRootSubProject()->GetSharedItemSet();
  ASSERT_EQ(shared->GetMemberCount(), 2);
  EXPECT_EQ(shared->GetMemberAt(1)->GetId(), "src/e1");
  EXPECT_EQ(loaded.document->FindObjectById("src/e1"), nullptr);
}

TEST_F(ProjectMergeTablesTest, NoUnitPriceItemsMeansNoSetIsCarried) {
  current_builder_.DJCSRoot("cur/djcs").EmptyItemSets();
  source_builder_.DJCSRoot("src/djcs").MovableItem("src/m1");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_EQ(current_->FindObjectById("src/m1"), nullptr);
  EXPECT_NE(source_->FindObjectById("src/m1"), nullptr);
}

TEST_F(ProjectMergeTablesTest, MissingUnitPriceTreeIsLoggedAndTheOtherMergesGoOn) {
  source_builder_.DJCSRoot("src/djcs").MeasureItem("s1", "1", "Earth", "src/djcs");
  current_builder_.ZJCSDetailTable("cur/detail");
  source_builder_.ZJCSDetailTable("src/detail")
      .Row("d1")
      .WithRowKey("k2")
      .Row("d2")
      .WithRowKey("k1")
      .Row("d3")
      .WithRowKey("k2");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre("单价构成缺失"));
  // One row per key, the later one, in key order.
  TableImpl* detail = CurrentRoot()->GetZJCSDetailTable();
  EXPECT_THAT(RowIds(detail), ElementsAre("d2", "d3"));
  EXPECT_EQ(detail->GetRow(0)->GetRowKey(), "k1_2");
  EXPECT_EQ(detail->GetRow(1)->GetRowKey(), "k2_2");
  EXPECT_THAT(RowIds(SourceRoot()->GetZJCSDetailTable()), ElementsAre("d1"));
}

TEST_F(ProjectMergeTablesTest, OverviewAreasAreSummedUnlessTheSumIsZero) {
  current_builder_.Select("cur/root")
      .WithField("BuildingArea", 100.0)
      .WithField("UponBuildingArea", 80.0);
  source_builder_.Select("src/root")
      .WithField("BuildingArea", -100.0)
      .WithField("UponBuildingArea", 20.5)
      .WithField("UnderBuildingArea", 250.5);
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_EQ(Number(CurrentRoot(), "BuildingArea"), 100.0);
  EXPECT_EQ(Number(CurrentRoot(), "UponBuildingArea"), 100.5);
  EXPECT_EQ(Number(CurrentRoot(), "UnderBuildingArea"), 250.5);
}

TEST_F(ProjectMergeTablesTest, OtherItemRowsArriveWithTheSourceSuffixOnTheirNames) {
  current_builder_.QTXMTable(1, "cur/q1").Row("c-row").WithField("OSName", "Mine");
  current_builder_.QTXMTable(3, "cur/q3");
  source_builder_.QTXMTable(1, "src/q1").Row("q1a").WithField("OSName", "Provisional sum");
  source_builder_.QTXMTable(2, "src/q2").Row("q2a").WithField("OSName", "Orphan");
  source_builder_.QTXMTable(3, "src/q3").Row("q3a");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  auto* tables = CurrentRoot()->GetQTXMTables();
  EXPECT_THAT(RowIds(tables->GetTable1()), ElementsAre("c-row", "q1a"));
  EXPECT_EQ(Text(current_->FindObjectById("q1a"), "OSName"), "Provisional sum_2");
  EXPECT_EQ(Text(current_->FindObjectById("q3a"), "OSName"), "_2");
  // No table 2 on the current side: that row stays.
  EXPECT_NE(source_->FindObjectById("q2a"), nullptr);
}

TEST_F(ProjectMergeTablesTest, JJFYItemsTakeTheSuffixOnTheirOwnCodeOnly) {
  current_builder_.JJFYRoot("cur/jj").MeasureItem("c1", "J1", "Mine", "cur/jj");
  current_builder_.JJFYTable("cur/jt").Row("ct").WithRowKey("a");
  source_builder_.JJFYRoot("src/jj")
      .MeasureItem("s1", "J1", "Theirs", "src/jj")
      .MeasureItem("s11", "J1.1", "Part", "s1")
      .WithField("QRV_Calculation_Method", "M");
  source_builder_.JJFYTable("src/jt").Row("st").WithRowKey("a");
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(Codes(CurrentRoot()->GetJJFYRoot()), ElementsAre("J1", "J1_2"));
  EXPECT_EQ(Item("s11")->GetCode(), "J1.1");
  EXPECT_EQ(Text(Item("s11"), "QRV_Calculation_Method"), "M");
  EXPECT_THAT(RowIds(CurrentRoot()->GetJJFYTable()), ElementsAre("ct", "st"));
  EXPECT_EQ(CurrentRoot()->GetJJFYTable()->GetRow(1)->GetRowKey(), "a_2");
}

class FeeMergeTest : public ProjectMergeTablesTest {
 protected:
  TableImpl* CurrentFee() const { return CurrentRoot()->GetFeeStore()->GetTable("Fee"); }
  TableImpl* SourceFee() const { return SourceRoot()->GetFeeStore()->GetTable("Fee"); }
};

TEST_F(FeeMergeTest, RowWithinTheRateToleranceIsSummedAndStays) {
  current_builder_.FeeTable("cur/fee").FeeRow("c1", "F1", "Labor", 0.1, 100.004);
  source_builder_.FeeTable("src/fee").FeeRow("s1", "F1", "Labor", 0.1000005, 50.003);
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_EQ(Number(current_->FindObjectById("c1"), "CSCost"), 150.01);
  EXPECT_THAT(RowIds(SourceFee()), ElementsAre("s1"));
  EXPECT_THAT(RowIds(CurrentFee()), ElementsAre("c1"));
}

TEST_F(FeeMergeTest, RowOutsideTheToleranceMovesAndJoinsTheExpression) {
  current_builder_.FeeTable("cur/fee").WithExpression("A+B").FeeRow("c1", "C", "Labor", 0.1, 100);
  source_builder_.FeeTable("src/fee").FeeRow("s1", "C", "Labor", 0.100002, 50);
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_THAT(RowIds(CurrentFee()), ElementsAre("c1", "s1"));
  EXPECT_EQ(CurrentFee()->GetRowAt(1)->GetCode(), "C_2");
  EXPECT_EQ(CurrentFee()->GetExpression(), "A+B+C_2");
  EXPECT_FALSE(current_->FindObjectById("c1")->GetFieldContainer()->HasField("CSCost"));
}

TEST_F(FeeMergeTest, OnlyTheLastOfSeveralMatchesIsSummed) {
  current_builder_.FeeTable("cur/fee")
      .FeeRow("c1", "F", "Base", 0.2, 10)
      .FeeRow("c2", "F", "Base", 0.2, 20)
      .FeeRow("c3", "G", "Other base", 0.2, 30);
  source_builder_.FeeTable("src/fee").FeeRow("s1", "F", "Base", 0.2, 1.556);
  Build();
  ASSERT_TRUE(Merge(RootPair()));
  EXPECT_FALSE(current_->FindObjectById("c1")->GetFieldContainer()->HasField("CSCost"));
  EXPECT_EQ(Number(current_->FindObjectById("c2"), "CSCost"), 21.56);
  EXPECT_THAT(RowIds(CurrentFee()), ElementsAre("c1", "c2", "c3"));
  EXPECT_THAT(RowIds(SourceFee()), ElementsAre("s1"));
  EXPECT_EQ(CurrentFee()->GetExpression(), "");
}

}  // namespace
