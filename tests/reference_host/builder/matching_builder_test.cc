// The builder's calls for matching state: forms of a sub-project, identity,
// numbers, sort texts and contract quantities, and the misuse they refuse.
#include "host/engine/qrv/qrv_project.h"
#include "reference_host/model/sub_project_impl.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

TEST(MatchingBuilder, MakesTheStateMatchingReads) {
  auto doc = DocumentBuilder("p")
                 .ContractGroup("master", "MaterialForm")
                 .ContractEntry("m1", "M01", "Cement")
                 .SubProject("sp1", "Tower")
                 .LocalGroup("mat", "MaterialForm")
                 .ContractEntry("e1", "M01", "Cement")
                 .WithIdentity("m1")
                 .WithEntryQuantity(2.5)
                 .WithSortText("A")
                 .WithModel("P.O 42.5")
                 .Bill("b1", 1)
                 .BudgetLine("y1", 1, "C1")
                 .WithNumber(7)
                 .WithModel("HRB400")
                 .Build();
  auto* sp1 = doc->Find<reference_host::SubProjectImpl>("sp1");
  ASSERT_EQ(sp1->GetGroupedItemSet()->size(), 1);
  reference_host::BaseResItemImpl* e1 = doc->Find<reference_host::BaseResItemImpl>("e1");
  EXPECT_EQ(e1->group()->sub_project(), sp1);
  engine::DocumentObject* m1 = doc->Find<reference_host::BaseResItemImpl>("m1");
  EXPECT_EQ(e1->GetIdentityItem(false), m1);
  EXPECT_EQ(e1->GetSortText(), "A");
  EXPECT_EQ(e1->fields()->GetText("BRISpec"), "P.O 42.5");
  int number = 0;
  auto* budget = doc->Find<reference_host::BaseResItemImpl>("sp1:C1");
  ASSERT_TRUE(budget->GetNumber(number));
  EXPECT_EQ(number, 7);
  // "BRISpec" is a defining field: the line mirrors it, the number stays on
  // the entry.
  EXPECT_EQ(doc->Find<ResItemImpl>("y1")->fields()->GetText("BRISpec"), "HRB400");
  EXPECT_FALSE(doc->Find<ResItemImpl>("y1")->fields()->HasField("BRINumber"));
}

TEST(MatchingBuilder, RefusesMatchingStateWhereItDoesNotApply) {
  DocumentBuilder builder("p");
  builder.SubProject("sp1", "Tower").Bill("b1", 1).BudgetLine("y1", 1, "C1");
  EXPECT_THROW(builder.WithEntryQuantity(1), std::invalid_argument);
  EXPECT_THROW(builder.WithSortText("A"), std::invalid_argument);
  EXPECT_THROW(builder.Select("sp1:C1").WithIdentity("sp1:C1"), std::invalid_argument);
  builder.LocalGroup("mat", "F").ContractEntry("e1", "M01");
  EXPECT_THROW(builder.WithIdentity("no-such-entry"), std::invalid_argument);
  EXPECT_THROW(builder.LocalGroup("mat", "F"), std::invalid_argument);
}

}  // namespace
