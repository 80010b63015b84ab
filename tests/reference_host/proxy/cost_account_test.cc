// Cost account tree lookups and the proxy library's path conversions.
#include "host/proxy/element.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

std::unique_ptr<reference_host::AppDocumentImpl> SlashDocument() {
  return DocumentBuilder("p")
      .CostAccount("a", "01", "A")
      .CostAccount("ab", "0101", "B", "a")
      .CostAccount("a/b", "09", "A/B")  // a name with a slash, after A/B by path
      .CostAccount("c", "01", "C")      // repeats code 01
      .CostAccount("cd", "0301", "D/E", "c")
      .Build();
}

TEST(CostAccountTree, CodeLookupAnswersTheFirstAccountOfADepthFirstWalk) {
  auto doc = SlashDocument();
  reference_host::CostAccountGroupImpl* tree = doc->project()->cost_accounts();
  EXPECT_EQ(tree->FindCostAccountByCode("01")->GetId(), "a");
  EXPECT_EQ(tree->FindCostAccountById("cd")->GetCode(), "0301");
  EXPECT_EQ(tree->FindCostAccountById("nope"), nullptr);

  doc->Find<reference_host::CostAccountImpl>("a")->SetCode("00");
  EXPECT_EQ(tree->FindCostAccountByCode("01")->GetId(), "c");
  scoped_refptr<reference_host::CostAccountImpl> removed =
      tree->RemoveCostAccount(doc->Find<reference_host::CostAccountImpl>("c"));
  EXPECT_EQ(tree->FindCostAccountByCode("01"), nullptr);
  EXPECT_EQ(tree->FindCostAccountById("cd"), nullptr);
  ASSERT_TRUE(removed->AddChild(new reference_host::CostAccountImpl("ce", "0302", "E")));
  ASSERT_TRUE(tree->AddCostAccount(removed, 0));
  EXPECT_EQ(tree->FindCostAccountByCode("0302")->GetId(), "ce");
}

TEST(CostAccountProxy, PathsMatchWholeNamesEvenWithSlashes) {
  auto doc = SlashDocument();
  scoped_refptr<proxy::Element> tree = proxy::CreateElement(doc->project()->cost_accounts());
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(tree.get(), "A/B"), "ab");  // first in walk order
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(tree.get(), "C/D/E"), "cd");
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(tree.get(), "C/D"), "");
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(tree.get(), "A"), "a");
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(tree.get(), ""), "");

  doc->Find<reference_host::CostAccountImpl>("ab")->SetName("X");
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(tree.get(), "A/B"), "a/b");
}

TEST(CostAccountProxy, PathOfAnAccountJoinsNamesFromTheTop) {
  auto doc = SlashDocument();
  scoped_refptr<proxy::Element> account = proxy::CreateElement(doc->FindObjectById("cd"));
  EXPECT_EQ(proxy::qrv::GetCostAccountPath(account.get()), "C/D/E");
  scoped_refptr<proxy::Element> not_account = proxy::CreateElement(doc->project());
  EXPECT_EQ(proxy::qrv::GetCostAccountPath(not_account.get()), "");
  EXPECT_EQ(proxy::qrv::GetCostAccountPath(nullptr), "");
}

TEST(CostAccountProxy, ValidIdsAreThoseOfTheWrappedTree) {
  auto doc = SlashDocument();
  auto other = DocumentBuilder("q").CostAccount("z", "01", "Z").Build();
  scoped_refptr<proxy::Element> tree = proxy::CreateElement(doc->project()->cost_accounts());
  EXPECT_TRUE(proxy::qrv::IsValidCostAccountId(tree.get(), "cd"));
  EXPECT_FALSE(proxy::qrv::IsValidCostAccountId(tree.get(), "z"));
  EXPECT_FALSE(proxy::qrv::IsValidCostAccountId(tree.get(), ""));
  scoped_refptr<proxy::Element> account = proxy::CreateElement(doc->FindObjectById("cd"));
  EXPECT_FALSE(proxy::qrv::IsValidCostAccountId(account.get(), "cd"));
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(account.get(), "C"), "");
  EXPECT_EQ(proxy::CreateElement(nullptr), nullptr);
}

TEST(CostAccountProxy, ElementDoesNotKeepItsObjectAlive) {
  scoped_refptr<proxy::Element> element;
  {
    auto doc = SlashDocument();
    element = proxy::CreateElement(doc->project()->cost_accounts());
  }
  EXPECT_EQ(element->GetObject(), nullptr);
  EXPECT_EQ(proxy::qrv::GetCostAccountIdFromPath(element.get(), "A"), "");
}

TEST(BillStages, NameLookupAnswersTheFirstStageInOrder) {
  auto doc = DocumentBuilder("p")
                 .BillStage("s1", "Stage")
                 .BillStage("s2", "Stage")
                 .BillStage("s3", "Other")
                 .Build();
  reference_host::BillStageGroupImpl* stages = doc->project()->bill_stages();
  EXPECT_EQ(stages->FindBillStageByName("Stage")->GetId(), "s1");
  doc->Find<reference_host::BillStageImpl>("s1")->SetName("Renamed");
  EXPECT_EQ(stages->FindBillStageByName("Stage")->GetId(), "s2");
  EXPECT_EQ(stages->FindBillStageById("s3")->GetName(), "Other");
  EXPECT_EQ(stages->FindBillStageById("x"), nullptr);
}

}  // namespace
