// The cost tables a project merge carries survive a save and a load, byte
// for byte: measure roots, keyed tables, item sets (an empty one stays
// present), the other-items tables and the fee store; a merged result too.
#include "funcs/project/qrv_func.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/sub_project_tables_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::SubProjectImpl;

std::unique_ptr<reference_host::EstimateDocument> Side(const std::string& p) {
  return DocumentBuilder(p)
      .CostAccount(p + "/ca", "01", "Civil")
      .DJCSRoot(p + "/djcs")
      .MeasureItem(p + "/d1", "1", "Earth", p + "/djcs")
      .WithCostAccount(p + "/ca")
      .ZJCSRoot(p + "/zj")
      .MeasureItem(p + "/z1", "1.1", "Scaffold", p + "/zj")
      .JJFYRoot(p + "/jj")
      .ZJCSDetailTable(p + "/zd")
      .Row(p + "/zd1")
      .WithRowKey("k")
      .JJFYTable(p + "/jt")
      .QTXMTable(2, p + "/q2")
      .Row(p + "/q2a")
      .WithField("OSName", "Daywork")
      .FeeTable(p + "/fee")
      .WithExpression("A")
      .FeeRow(p + "/f1", "A", "Labor", 0.1, 12.5)
      .MovableItem(p + "/m1")
      .EmptyItemSets()
      .BuildDocument();
}

TEST(MergeContainersPersist, EveryContainerRoundTrips) {
  auto doc = Side("p");
  const std::string text = reference_host::SaveDocumentText(*doc);
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
  ASSERT_TRUE(loaded) << loaded.error;
  EXPECT_EQ(reference_host::SaveDocumentText(*loaded.document->document()), text);
  SubProjectImpl* root = loaded.document->document()->project()->GetRootSubProject();
  EXPECT_EQ(root->GetZJCSRoot()->child(0)->GetCode(), "1.1");
  EXPECT_EQ(root->GetZJCSDetailTable()->GetRow(0)->GetRowKey(), "k");
  EXPECT_EQ(root->GetQTXMTables()->GetTable1(), nullptr);
  EXPECT_EQ(root->GetQTXMTables()->GetTable2()->GetRowCount(), 1);
  EXPECT_EQ(root->GetFeeStore()->GetTable("Fee")->GetExpression(), "A");
  EXPECT_EQ(root->GetMovableItemSet()->GetCount(), 1);
  ASSERT_NE(root->GetProductItemSet(), nullptr);
  EXPECT_EQ(root->GetProductItemSet()->GetCount(), 0);
  EXPECT_EQ(root->GetJJFYRoot()->GetChildCount(), 0);
}

TEST(MergeContainersPersist, MergedDocumentRoundTrips) {
  auto current = Side("cur");
  auto source = Side("src");
  marrow::qrv::ProjMergeNode root{"cur/root", "src/root", "Merged", 1, true, {}};
  ASSERT_TRUE(
      marrow::qrv::QRVProjectFunc(current->project()).ProjectMerge(source->project(), &root));
  const std::string text = reference_host::SaveDocumentText(*current);
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
  ASSERT_TRUE(loaded) << loaded.error;
  EXPECT_EQ(reference_host::SaveDocumentText(*loaded.document->document()), text);
  EXPECT_NE(loaded.document->document()->FindObjectById("src/d1"), nullptr);
}

}  // namespace
