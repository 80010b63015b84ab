// The cost account questions asked of base resource entries: a budget-side
// entry (its "QRV_YSCostAccount") and a contract-level entry (its own account).
#include "beans/base_res_item_bean.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::BaseResItemBean;
using marrow::qrv::QRVBaseResItemBean;

class BaseResItemViewTest : public testing::Test {
 protected:
  // Points the budget entry's budget-side account and the contract entry's
  // own account at |account_id| ("" for none).
  void Point(const std::string& account_id) {
    ys_->GetFieldContainer()->SetFieldValue(reference_host::keys::kYSCostAccount,
                                            engine::FieldValue(account_id), true);
    cb_->SetCostAccount(account_id);
  }
  // The path each view gives; "<false>" when it answers false.
  std::pair<std::string, std::string> Paths() const {
    std::string ys_path = "stale", cb_path = "stale";
    if (!BaseResItemBean(ys_).GetCostAccountPath(ys_path)) ys_path = "<false>";
    if (!QRVBaseResItemBean(cb_).GetCostAccountPath(cb_path)) cb_path = "<false>";
    return {ys_path, cb_path};
  }

  std::unique_ptr<reference_host::AppDocumentImpl> doc_ =
      DocumentBuilder("p")
          .CostAccount("civil", "01", "Civil")
          .CostAccount("steel", "0101", "Steel", "civil")
          .CostAccount("works", "0102", "Works", "civil")
          .CostAccount("frame", "010201", "Frame", "works")
          .CostAccount("beam", "01020101", "Beam", "frame")
          .CostAccount("rebar", "0102010101", "Rebar", "beam")
          .CostAccount("plant", "PL", "Plant")
          .CostAccount("crane", "PL01", "Crane", "plant")
          .CostAccount("pipes", "03", "Pipes/Ducts")
          .SubProject("sp1", "Building")
          .BudgetEntry("ys", "C001", "Cement")
          .ContractGroup("g1", "MaterialForm")
          .ContractEntry("cb", "M01", "Crane hire")
          .Build();
  engine::BaseResItem* ys_ = doc_->Find<engine::BaseResItem>("ys");
  engine::qrv::QRVBaseResItem* cb_ = doc_->Find<engine::qrv::QRVBaseResItem>("cb");
};

TEST_F(BaseResItemViewTest, PathIsTheProxysPathOfTheAccount) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"rebar", "Civil/Works/Frame/Beam/Rebar"},
      {"crane", "Plant/Crane"},
      {"pipes", "Pipes/Ducts"},
      {"gone", ""},
      {"sp1", ""},  // not in the document; in it, but not an account
  };
  for (const auto& [account, path] : cases) {
    Point(account);
    EXPECT_EQ(Paths(), std::make_pair(std::string(path), std::string(path))) << account;
  }
}

TEST_F(BaseResItemViewTest, SubtreeTestWalksUpFromTheEntrysAccount) {
  struct Case {
    const char* account;
    const char* code;
    bool belongs;
  };
  const Case cases[] = {
      {"works", "0102", true},
      {"rebar", "0102", true},
      {"rebar", "01", true},  // itself, levels under it
      {"steel", "0102", false},
      {"works", "0102010101", false},  // sibling branch, a descendant's code
      {"crane", "PL", true},
      {"crane", "pl", false},
      {"crane", "PL01 ", false},  // codes compare exactly
      {"", "01", false},
      {"", "", false},
      {"gone", "01", false},
  };
  for (const Case& c : cases) {
    Point(c.account);
    EXPECT_EQ(BaseResItemBean(ys_).IsBelongToSpecifyCostAc(c.code), c.belongs)
        << c.account << " in " << c.code;
    EXPECT_EQ(QRVBaseResItemBean(cb_).IsBelongToSpecifyCostAc(c.code), c.belongs)
        << c.account << " in " << c.code;
  }
}

TEST_F(BaseResItemViewTest, EachViewReadsItsOwnReference) {
  // The budget entry's own account and the contract entry's budget-side
  // field are not what the views ask about.
  ys_->GetFieldContainer()->SetFieldValue(reference_host::keys::kCostAccount,
                                          engine::FieldValue("crane"), true);
  cb_->GetFieldContainer()->SetFieldValue(reference_host::keys::kYSCostAccount,
                                          engine::FieldValue("crane"), true);
  EXPECT_EQ(Paths(), std::make_pair(std::string(), std::string()));
  EXPECT_FALSE(BaseResItemBean(ys_).IsBelongToSpecifyCostAc("PL"));
  EXPECT_FALSE(QRVBaseResItemBean(cb_).IsBelongToSpecifyCostAc("PL"));
  // A budget-side reference that is not text counts as none.
  ys_->GetFieldContainer()->SetFieldValue(reference_host::keys::kYSCostAccount,
                                          engine::FieldValue(3.0), true);
  EXPECT_EQ(Paths().first, "");
}

TEST_F(BaseResItemViewTest, EmptyViewsAnswerFalseAndLeaveTheOutput) {
  std::string path = "stale";
  EXPECT_FALSE(BaseResItemBean(nullptr).GetCostAccountPath(path));
  EXPECT_FALSE(QRVBaseResItemBean(nullptr).GetCostAccountPath(path));
  EXPECT_EQ(path, "stale");
  EXPECT_FALSE(BaseResItemBean(nullptr).IsBelongToSpecifyCostAc("01"));
  EXPECT_FALSE(QRVBaseResItemBean(nullptr).IsBelongToSpecifyCostAc("01"));
}

TEST_F(BaseResItemViewTest, EntryOutsideAProjectHasNoTreeToAsk) {
  cb_->SetCostAccount("crane");
  scoped_refptr<reference_host::BaseResItemGroupImpl> held =
      doc_->project()->RemoveBaseResItemGroup(
          doc_->Find<reference_host::BaseResItemGroupImpl>("g1"));
  EXPECT_EQ(Paths().second, "");
  EXPECT_FALSE(QRVBaseResItemBean(cb_).IsBelongToSpecifyCostAc("PL"));
}

// The subtree test asks the tree of the project the owner chain reaches
// (from a contract entry's reported group); the path resolves the id in the
// entry's own document.
TEST_F(BaseResItemViewTest, SubtreeTestAsksTheProjectOfTheOwnerChainAndPathTheDocument) {
  auto other = DocumentBuilder("q")
                   .CostAccount("other", "QQ", "Other")
                   .CostAccount("crane", "QQ01", "Crane", "other")
                   .SubProject("sq", "Elsewhere")
                   .ContractGroup("g9", "MaterialForm")
                   .Build();
  Point("crane");
  scoped_refptr<BentEntry> ys = BentEntry::Over(doc_->Find<reference_host::BaseResItemImpl>("ys"));
  scoped_refptr<BentEntry> cb = BentEntry::Over(doc_->Find<reference_host::BaseResItemImpl>("cb"));
  ys->OwnedBy(other->FindObjectById("sq"));
  cb->ReportingGroup(other->Find<reference_host::BaseResItemGroupImpl>("g9"));
  BaseResItemBean ys_view(ys.get());
  QRVBaseResItemBean cb_view(cb.get());
  EXPECT_TRUE(ys_view.IsBelongToSpecifyCostAc("QQ"));
  EXPECT_TRUE(cb_view.IsBelongToSpecifyCostAc("QQ"));
  EXPECT_FALSE(ys_view.IsBelongToSpecifyCostAc("PL"));
  EXPECT_FALSE(cb_view.IsBelongToSpecifyCostAc("PL"));
  std::string ys_path, cb_path;
  EXPECT_TRUE(ys_view.GetCostAccountPath(ys_path));
  EXPECT_TRUE(cb_view.GetCostAccountPath(cb_path));
  EXPECT_EQ(ys_path, "Plant/Crane");
  EXPECT_EQ(cb_path, "Plant/Crane");

  // A contract entry reporting no group reaches no project; its owner is
  // not asked.
  cb->ReportingGroup(nullptr);
  EXPECT_FALSE(cb_view.IsBelongToSpecifyCostAc("PL"));
  EXPECT_FALSE(cb_view.IsBelongToSpecifyCostAc("QQ"));
}

}  // namespace
