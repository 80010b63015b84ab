// Contract forms of sub-projects survive a save and a load, byte for byte.
#include "host/engine/qrv/qrv_project.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

TEST(LocalGroupsPersist, FormsOfSubProjectsRoundTrip) {
  auto doc = DocumentBuilder("p")
                 .ContractGroup("master", "MaterialForm")
                 .ContractEntry("m1", "M01", "Cement")
                 .SubProject("sp1", "Tower")
                 .LocalGroup("sp1-mat", "MaterialForm")
                 .ContractEntry("e1", "M01", "Cement")
                 .WithIdentity("m1")
                 .WithEntryQuantity(2.5)
                 .WithSortText("A")
                 .LocalGroup("sp1-lease", "SelfLeaseMachineForm")
                 .Bill("b1", 1)
                 .BudgetLine("y1", 1, "C1")
                 .WithNumber(3)
                 .CostLine("c1", "e1")
                 .Build();
  const std::string text = reference_host::SaveDocumentText(*doc->document());
  EXPECT_NE(text.find("\"sp1-lease\""), std::string::npos);
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
  ASSERT_TRUE(loaded) << loaded.error;
  EXPECT_EQ(reference_host::SaveDocumentText(*loaded.document->document()), text);

  auto* sp1 = loaded.document->Find<reference_host::SubProjectImpl>("sp1");
  ASSERT_EQ(sp1->GetGroupedItemSet()->size(), 2);
  engine::qrv::QRVBaseResItemGroup* group = sp1->GetGroupedItemSet()->FindGroupById("sp1-mat");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->GetOwnerSubProject(), sp1);
  auto* entry = loaded.document->Find<reference_host::BaseResItemImpl>("e1");
  engine::DocumentObject* master = loaded.document->Find<reference_host::BaseResItemImpl>("m1");
  EXPECT_EQ(entry->GetIdentityItem(false), master);
  EXPECT_THAT(entry->registered_res_item_ids(), ElementsAre("c1"));
}

TEST(LocalGroupsPersist, AFormThatIsNotAnObjectIsRefusedWithItsPlace) {
  auto doc = DocumentBuilder("p").SubProject("sp1", "Tower").LocalGroup("g", "F").Build();
  std::string text = reference_host::SaveDocumentText(*doc->document());
  const std::string form = "\"contractGroups\": [";
  ASSERT_NE(text.find(form), std::string::npos);
  text.insert(text.find(form) + form.size(), "7, ");
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
  EXPECT_FALSE(loaded);
  EXPECT_THAT(loaded.error,
              testing::StartsWith("/project/subProjects/0/subProjects/0/contractGroups/0"));
}

}  // namespace
