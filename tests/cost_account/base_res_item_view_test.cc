// The cost account questions asked of base resource entries: a budget-side
// entry (its "QRV_YSCostAccount") and a contract-level entry (its own account).
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "beans/base_res_item_bean.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/project_impl.h"

namespace {

using host::DocumentBuilder;
using marrow::qrv::BaseResItemBean;
using marrow::qrv::QRVBaseResItemBean;

class BaseResItemViewTest : public testing::Test {
 protected:
  // Points the budget entry's budget-side account and the contract entry's
  // own account at |account_id| ("" for none).
  void Point(const std::string& account_id) {
    ys_->GetFieldContainer()->SetFieldValue("QRV_YSCostAccount", engine::FieldValue(account_id), true);
    cb_->SetCostAccount(account_id);
  }

  std::unique_ptr<host::AppDocumentImpl> doc_ =
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
      {"gone", ""},  // not in the document
      {"sp1", ""},   // in the document, but not an account
  };
  for (const auto& [account, path] : cases) {
    Point(account);
    std::string ys_path = "stale";
    std::string cb_path = "stale";
    EXPECT_TRUE(BaseResItemBean(ys_).GetCostAccountPath(ys_path)) << account;
    EXPECT_TRUE(QRVBaseResItemBean(cb_).GetCostAccountPath(cb_path)) << account;
    EXPECT_EQ(ys_path, path) << account;
    EXPECT_EQ(cb_path, path) << account;
  }
}

TEST_F(BaseResItemViewTest, SubtreeTestWalksUpFromTheEntrysAccount) {
  struct Case {
    const char* account;
    const char* code;
    bool belongs;
  };
  const Case cases[] = {
      {"works", "0102", true},        // the account itself
      {"rebar", "0102", true},        // three levels under it
      {"rebar", "01", true},
      {"steel", "0102", false},       // sibling branch
      {"works", "0102010101", false}, // a descendant's code
      {"crane", "PL", true},
      {"crane", "pl", false},         // codes compare exactly
      {"crane", "PL01 ", false},
      {"", "01", false},
      {"", "", false},
      {"gone", "01", false},
  };
  for (const Case& c : cases) {
    Point(c.account);
    BaseResItemBean ys_view(ys_);
    QRVBaseResItemBean cb_view(cb_);
    EXPECT_EQ(ys_view.IsBelongToSpecifyCostAc(c.code), c.belongs) << c.account << " in " << c.code;
    EXPECT_EQ(cb_view.IsBelongToSpecifyCostAc(c.code), c.belongs) << c.account << " in " << c.code;
    // Copies ask the same entry.
    BaseResItemBean ys_copy(nullptr);
    ys_copy = ys_view;
    QRVBaseResItemBean cb_copy(cb_view);
    EXPECT_EQ(ys_copy.IsBelongToSpecifyCostAc(c.code), c.belongs) << c.account;
    EXPECT_EQ(cb_copy.IsBelongToSpecifyCostAc(c.code), c.belongs) << c.account;
  }
}

TEST_F(BaseResItemViewTest, EachViewReadsItsOwnReference) {
  // The budget entry's own account and the contract entry's budget-side
  // field are not what the views ask about.
  ys_->GetFieldContainer()->SetFieldValue("QRV_CostAccount", engine::FieldValue("crane"), true);
  cb_->GetFieldContainer()->SetFieldValue("QRV_YSCostAccount", engine::FieldValue("crane"), true);
  std::string path = "stale";
  EXPECT_TRUE(BaseResItemBean(ys_).GetCostAccountPath(path));
  EXPECT_EQ(path, "");
  EXPECT_FALSE(BaseResItemBean(ys_).IsBelongToSpecifyCostAc("PL"));
  path = "stale";
  EXPECT_TRUE(QRVBaseResItemBean(cb_).GetCostAccountPath(path));
  EXPECT_EQ(path, "");
  EXPECT_FALSE(QRVBaseResItemBean(cb_).IsBelongToSpecifyCostAc("PL"));

  // A budget-side reference that is not text counts as none.
  ys_->GetFieldContainer()->SetFieldValue("QRV_YSCostAccount", engine::FieldValue(3.0), true);
  EXPECT_TRUE(BaseResItemBean(ys_).GetCostAccountPath(path));
  EXPECT_EQ(path, "");
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
  scoped_refptr<host::BaseResItemGroupImpl> held =
      doc_->project()->RemoveBaseResItemGroup(doc_->Find<host::BaseResItemGroupImpl>("g1"));
  std::string path = "stale";
  EXPECT_TRUE(QRVBaseResItemBean(cb_).GetCostAccountPath(path));
  EXPECT_EQ(path, "");
  EXPECT_FALSE(QRVBaseResItemBean(cb_).IsBelongToSpecifyCostAc("PL"));
}

}  // namespace
