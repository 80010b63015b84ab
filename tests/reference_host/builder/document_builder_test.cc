// The fluent builder: what it makes and how it refuses misuse. Fees, measure
// kinds, missing lists and Select are read through the library tests.
#include <stdexcept>

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

}  // namespace
