// Project merges the library refuses or runs only in part: arguments and
// trees that name nothing usable leave both documents as they were, byte for
// byte; a project merged with itself finds every carried id in place and
// merges nothing; a side without the product face merges what its core face
// holds and leaves the product-only tables alone.
#include "reference_host/persist/document_json.h"
#include "tests/funcs/project/project_merge_support.h"
#include "tests/support/core_only_sub_project.h"

namespace {

using namespace test_support;

class ProjectMergeRefusalsTest : public ProjectMergeTest {
 protected:
  // Both roots with every merge table and something in each; the current
  // root named "Civil" as the nodes name it.
  void FullTables() {
    for (DocumentBuilder* side : {&current_builder_, &source_builder_}) {
      const std::string p = side == &current_builder_ ? "cur" : "src";
      side->Select(p + "/root").WithName("Civil");
      side->DJCSRoot(p + "/djcs").MeasureItem(p + "/d1", "1", "Earth", p + "/djcs");
      side->ZJCSRoot(p + "/zjcs").MeasureItem(p + "/z1", p + "1", "Scaffold", p + "/zjcs");
      side->JJFYRoot(p + "/jjfy").MeasureItem(p + "/j1", "J1", "Winter", p + "/jjfy");
      side->ZJCSDetailTable(p + "/zd").Row(p + "/zd1").WithRowKey("K1");
      side->JJFYTable(p + "/jt").Row(p + "/jt1").WithRowKey("K1");
      side->QTXMTable(1, p + "/q1").Row(p + "/q1r").WithField("OSName", "Dayworks");
      side->FeeTable(p + "/fee").FeeRow(p + "/f1", "F1", "Direct", 0.1 + (p == "src"), 100);
      side->Select(p + "/root")
          .MovableItem(p + "/m1")
          .ProductItem(p + "/p1")
          .MovableRecord(p + "/r1");
      side->SubProject(p + "/unit", "Works");
    }
  }

  std::string Saved(const std::unique_ptr<EstimateDocument>& document) const {
    return reference_host::SaveDocumentText(*document);
  }
};

TEST_F(ProjectMergeRefusalsTest, RefusedArgumentsLeaveBothDocumentsByteForByte) {
  FullTables();
  Build();
  const std::string current_text = Saved(current_);
  const std::string source_text = Saved(source_);
  marrow::qrv::QRVProjectFunc unbound(nullptr);
  EXPECT_FALSE(unbound.ProjectMerge(source_->project(), RootPair()));
  marrow::qrv::QRVProjectFunc func(current_project());
  EXPECT_FALSE(func.ProjectMerge(nullptr, RootPair()));
  EXPECT_FALSE(func.ProjectMerge(source_->project(), nullptr));
  // A sub-project of the other project, an object that is no sub-project
  // and an id no object has.
  EXPECT_FALSE(Merge(RootPair({Node("src/unit", "", "Works")})));
  EXPECT_FALSE(Merge(RootPair({Node("", "cur/unit", "Works", 2)})));
  EXPECT_FALSE(Merge(RootPair({Node("cur/d1", "", "Works")})));
  EXPECT_FALSE(Merge(RootPair({Node("cur/unit", "src/gone", "Works", 1, true)})));
  EXPECT_THAT(
      log_.Messages(google::GLOG_ERROR),
      ElementsAre("ProjectMerge 参数错误", "ProjectMerge 参数错误", "ProjectMerge 参数错误",
                  "ID错误 无法转换成subprojectsrc/unit", "ID错误 无法转换成subprojectcur/unit",
                  "ID错误 无法转换成subprojectcur/d1", "ID错误 无法转换成subprojectsrc/gone"));
  EXPECT_TRUE(func.id_index().empty());
  EXPECT_EQ(Saved(current_), current_text);
  EXPECT_EQ(Saved(source_), source_text);
}

TEST_F(ProjectMergeRefusalsTest, AProjectMergedWithItselfKeepsEveryObject) {
  FullTables();
  Build();
  const std::string before = Saved(current_);
  const std::size_t objects = current_->object_count();
  marrow::qrv::QRVProjectFunc func(current_project());
  ProjMergeNode* root =
      Node("cur/root", "cur/root", "Civil", 1, true, {Node("cur/unit", "", "Works")});
  // Validation passes; every carried id is already in the document.
  EXPECT_TRUE(func.ProjectMerge(current_project(), root));
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), ElementsAre("存在重复的ID, 无法合并费用"));
  EXPECT_EQ(current_->object_count(), objects);
  EXPECT_EQ(Saved(current_), before);
}

TEST_F(ProjectMergeRefusalsTest, CoreOnlyFromSideMergesWhatItsCoreFaceHolds) {
  FullTables();
  Build();
  scoped_refptr<CoreOnlyFacedProject> source(new CoreOnlyFacedProject(source_->project()));
  source->ShowCoreOnly("src/root");
  marrow::qrv::QRVProjectFunc func(current_project());
  ASSERT_TRUE(func.ProjectMerge(source.get(), RootPair({Node("cur/unit", "", "Works")})));
  EXPECT_THAT(log_.Messages(google::GLOG_WARNING), IsEmpty());
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), IsEmpty());
  // Reached through the core face: moved.
  for (const char* id : {"src/d1", "src/z1", "src/q1r", "src/f1", "src/m1", "src/r1"})
    EXPECT_NE(current_->FindObjectById(id), nullptr) << id;
  // Product face only: the lump-sum detail and JJFY tables, the JJFY items
  // and the product items stay with the source.
  for (const char* id : {"src/zd1", "src/jt1", "src/j1", "src/p1"}) {
    EXPECT_EQ(current_->FindObjectById(id), nullptr) << id;
    EXPECT_NE(source_->FindObjectById(id), nullptr) << id;
  }
  EXPECT_EQ(Text(CurrentRoot(), "QRV_ProjectMergeInfo"), R"({"cur/root":"_1","src/root":"_2"})");
  EXPECT_EQ(CurrentRoot()->GetFeeStore()->GetTable("Fee")->GetExpression(), "+F1_2");
}

TEST_F(ProjectMergeRefusalsTest, CoreOnlyIntoSideTakesWhatItsCoreFaceHolds) {
  FullTables();
  Build();
  scoped_refptr<CoreOnlyFacedProject> source(new CoreOnlyFacedProject(source_->project()));
  source->ShowCoreOnly("src/root");
  scoped_refptr<SubProjectImpl> old_root(CurrentRoot());
  marrow::qrv::QRVProjectFunc func(current_project());
  // The source root stays: the current root's costs go into it.
  ASSERT_TRUE(func.ProjectMerge(source.get(), Node("cur/root", "src/root", "Civil", 2, true)));
  EXPECT_THAT(log_.Messages(google::GLOG_WARNING), IsEmpty());
  EXPECT_THAT(log_.Messages(google::GLOG_ERROR), IsEmpty());
  SubProjectImpl* kept = current_project()->GetRootSubProject();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetId(), "src/root");
  EXPECT_EQ(kept->GetDJCSRoot()->GetChildCount(), 2);
  EXPECT_EQ(kept->GetMovableItemSet()->GetCount(), 2);
  // Product face only: the old root keeps its detail row, JJFY item and
  // product item.
  EXPECT_EQ(old_root->GetZJCSDetailTable()->GetRowCount(), 1);
  EXPECT_EQ(old_root->GetJJFYRoot()->GetChildCount(), 1);
  EXPECT_EQ(old_root->GetProductItemSet()->GetCount(), 1);
  EXPECT_EQ(kept->GetZJCSDetailTable()->GetRowCount(), 1);
}

}  // namespace
