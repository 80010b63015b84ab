// The fluent builder: what it makes and how it refuses misuse. Fees, measure
// kinds, missing lists and Select are read through the library tests.
#include <stdexcept>

#include "reference_host/persist/document_json.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

TEST(DocumentBuilder, BudgetLinesShareTheSummaryEntryOfTheirCode) {
  auto doc = DocumentBuilder("p")
                 .SubProject("sp1", "Building")
                 .Bill("b1", 10)
                 .BudgetLine("ys1", 5, "C001")
                 .WithName("Cement")
                 .WithPrice(300)
                 .WithYSCostAccount("ca1")
                 .Bill("b2", 2)
                 .BudgetLine("ys2", 1, "C001")
                 .Build();
  auto* ys1 = doc->Find<ResItemImpl>("ys1");
  auto* ys2 = doc->Find<ResItemImpl>("ys2");
  ASSERT_EQ(ys1->GetBaseResItem(), ys2->GetBaseResItem());
  reference_host::BaseResItemImpl* entry = ys1->GetBaseResItem();
  EXPECT_EQ(entry->GetId(), "sp1:C001");
  EXPECT_EQ(entry->name(), "Cement");
  EXPECT_EQ(entry->fields()->GetText(reference_host::keys::kYSCostAccount), "ca1");
  EXPECT_EQ(ys1->fields()->GetText(reference_host::keys::kName), "Cement");
  EXPECT_FALSE(ys1->fields()->HasField(reference_host::keys::kYSCostAccount));
  EXPECT_EQ(ys2->fields()->GetText(reference_host::keys::kName), "Cement");  // mirrored at creation
  EXPECT_EQ(entry->summary(), doc->Find<reference_host::SubProjectImpl>("sp1")->summary());
}

TEST(DocumentBuilder, SubProjectsAndBillItemsNest) {
  auto doc = DocumentBuilder("p")
                 .SubProject("sp1", "Building")
                 .SubProject("sp2", "Floor", engine::kSubProjectUnit, "sp1")
                 .Bill("b1", 10)
                 .BillEntry("d1", 2)
                 .WithoutQuantity()
                 .BillEntry("d2", 3, engine::kNodeKindSubEntry)
                 .SubEngineering("m1", 1, 3, 1)
                 .SubEngineering("m2", 1, 3, 1, "m1")
                 .Build();
  auto* sp2 = doc->Find<reference_host::SubProjectImpl>("sp2");
  EXPECT_EQ(sp2->GetParentSubProject()->GetId(), "sp1");
  EXPECT_EQ(sp2->GetSubEngineeringCount(), 2);
  auto* b1 = doc->Find<reference_host::SubEngineeringImpl>("b1");
  EXPECT_EQ(b1->GetChildCount(), 2);
  EXPECT_EQ(doc->Find<reference_host::SubEngineeringImpl>("d2")->GetParent(), b1);
  double value = 0;
  EXPECT_FALSE(doc->Find<reference_host::SubEngineeringImpl>("d1")->GetQuantity(value));
  EXPECT_EQ(doc->Find<reference_host::SubEngineeringImpl>("m2")->sub_project(), sp2);
}

TEST(DocumentBuilder, MisuseThrowsNamingTheCallAndId) {
  DocumentBuilder builder("p");
  builder.SubProject("sp1", "A").Bill("b1", 1).BudgetLine("ys1", 1, "C");
  try {
    builder.BudgetLine("ys1", 1, "C");
    FAIL() << "expected a refusal";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "DocumentBuilder::BudgetLine: duplicate id 'ys1'");
  }
  EXPECT_THROW(builder.CostLine("cb1", "nowhere"), std::invalid_argument);
  EXPECT_THROW(builder.CostLine("cb1", "ys1"), std::invalid_argument);
  EXPECT_THROW(builder.WithLeaseQuantity("1"), std::invalid_argument);
  auto doc = builder.Build();
  EXPECT_THROW(builder.Bill("b9", 1), std::invalid_argument);
  EXPECT_NE(doc->FindObjectById("ys1"), nullptr);
}

// The odd states the builder makes are model states the saved format keeps.
TEST(DocumentBuilder, OddStatesAreHeldButBrokenCopiesDoNotLoad) {
  auto doc = DocumentBuilder("p")
                 .ContractGroup("g1", "MaterialForm")
                 .ContractEntry("e1", "C01")
                 .SubProject("sp1", "Building")
                 .Bill("b1", 10)
                 .BudgetLine("ys", 10, "R1")
                 .BudgetLine("empty", 5, "R2")
                 .WithEmptyRecord()
                 .CostLine("cbA", "e1")
                 .CostLine("cbB", "e1")
                 .WithoutRegistration()
                 .CostLine("cbC", "e1")
                 .WithoutEntry()
                 .CostLine("cbD", "e1")
                 .WithEmptyRecord()
                 .Collect("ys", "cbA", 1, "plain")
                 .WithoutCopyRecord()
                 .Collect("ys", "cbA", 2, "nameless")
                 .WithoutCopyCostLine()
                 .Collect("ys", "cbA", 3, "orphan")
                 .WithoutCopyBudgetLine()
                 .Build();
  EXPECT_THAT(doc->Find<reference_host::BaseResItemImpl>("e1")->registered_res_item_ids(),
              ElementsAre("cbA", "cbD"));
  EXPECT_EQ(doc->Find<ResItemImpl>("cbC")->GetBaseResItem(), nullptr);
  EXPECT_EQ(CollectType(doc->Find<ResItemImpl>("empty")), engine::qrv::kCollectTypeTemplete);
  EXPECT_EQ(CollectType(doc->Find<ResItemImpl>("cbD")), engine::qrv::kCollectTypeObj);
  EXPECT_THAT(ListedCopies(doc->Find<ResItemImpl>("empty")), IsEmpty());
  EXPECT_THAT(
      ListedCopies(doc->Find<ResItemImpl>("cbA")),
      ElementsAre(doc->Find<engine::ResItem>("plain"), doc->Find<engine::ResItem>("nameless"),
                  doc->Find<engine::ResItem>("orphan")));
  EXPECT_EQ(doc->Find<ResItemImpl>("plain")->GetCollect(), nullptr);
  EXPECT_EQ(CopyRecord(doc->Find<ResItemImpl>("nameless"))->GetCBResItem(), nullptr);
  EXPECT_EQ(CopyRecord(doc->Find<ResItemImpl>("orphan"))->GetTempleteResItem(), nullptr);

  // Saved, the broken copies are what the loader exists to refuse: these
  // states are for tests of the library, not for documents.
  reference_host::LoadResult loaded =
      reference_host::LoadDocumentText(reference_host::SaveDocumentText(*doc->document()));
  EXPECT_FALSE(loaded);
  EXPECT_THAT(loaded.error, testing::HasSubstr("copy item \"plain\" carries no copy record"));
}

TEST(DocumentBuilder, OddStatesNeedTheirKindOfObject) {
  DocumentBuilder builder("p");
  builder.ContractGroup("g1", "MaterialForm")
      .ContractEntry("e1", "C01")
      .SubProject("sp1", "Building")
      .Bill("b1", 10)
      .BudgetLine("ys", 10, "R1")
      .CostLine("cb", "e1")
      .Collect("ys", "cb", 4, "copy");
  EXPECT_THROW(builder.Select("ys").WithoutRegistration(), std::invalid_argument);  // budget line
  EXPECT_THROW(builder.Select("ys").WithEmptyRecord(), std::invalid_argument);      // has a record
  EXPECT_THROW(builder.Select("copy").WithEmptyRecord(), std::invalid_argument);    // in no list
  EXPECT_THROW(builder.Select("cb").WithoutCopyRecord(), std::invalid_argument);
  EXPECT_THROW(builder.Select("b1").WithoutEntry(), std::invalid_argument);
  try {
    builder.Select("ys").WithoutCopyCostLine();
    FAIL() << "expected a refusal";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "DocumentBuilder::WithoutCopyCostLine: 'ys' carries no copy record");
  }
}

}  // namespace
