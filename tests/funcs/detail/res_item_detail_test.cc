// Resource detail of a selection of bill items: the selection keeps only its
// top-most items, and every request the library refuses answers an empty
// group; the rest is the engine's aggregation, rooted at the bill tree.
#include "funcs/detail/qrv_res_item_detail_func.h"
#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item_group.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVDesResItemFingerprint;
using marrow::qrv::QRVDesSubEngineeringResItemDetailFunc;
using marrow::qrv::QRVSubEngineeringResItemDetailFunc;

// Counts what the engine asks of it; lines of one code are one resource.
class ByCode : public engine::ResItemCallBack {
 public:
  uint64_t GetFingerprint(engine::ResItem* item) override {
    return std::hash<std::string>()(
        item->GetFieldContainer()->GetAllFields().at("BRICode").GetString());
  }
  bool IsValid(engine::ResItem* item) override {
    ++asked;
    return item != nullptr;
  }
  int asked = 0;
};

// Tree "t1" (root, node kind 0) with bill b1 (an entry e1 below it) and bill
// b2; a second tree "t2"; and a bill "loose" on top of the sub-project with
// no root above it.
class DetailTest : public DocumentTest {
 protected:
  DetailTest() {
    builder_.ContractGroup("g", "MaterialForm")
        .ContractEntry("ce", "K01", "Cable")
        .SubProject("sp1", "Tower")
        .SubEngineering("t1", 0, 0, 0)
        .Bill("b1", 1, "t1")
        .BudgetLine("y1", 2, "C1")
        .CostLine("c1", "ce", 5)
        .BillEntry("e1", 1)
        .BudgetLine("y2", 3, "C1")
        .BudgetLine("y3", 1, "C2")
        .Bill("b2", 1, "t1")
        .BudgetLine("y4", 4, "C2")
        .CostLine("c2", "ce", 6)
        .SubEngineering("t2", 0, 0, 0)
        .Bill("b3", 1, "t2")
        .BudgetLine("y5", 1, "C1")
        .Bill("loose", 1)
        .BudgetLine("y6", 1, "C1");
  }
  engine::SubEngineering* Core(const std::string& id) const {
    return doc_->Find<engine::SubEngineering>(id);
  }
  engine::qrv::QRVSubEngineering* Product(const std::string& id) const {
    return doc_->Find<engine::qrv::QRVSubEngineering>(id);
  }
  std::vector<engine::SubEngineering*> Cores(const std::vector<std::string>& ids) const {
    std::vector<engine::SubEngineering*> out;
    for (const std::string& id : ids) out.push_back(id.empty() ? nullptr : Core(id));
    return out;
  }
  // Each entry as "<first line>x<member count>=<quantity>".
  static std::vector<std::string> Entries(const engine::ResItemGroup& group) {
    std::vector<std::string> out;
    auto entries = group.CreateEntryIterator();
    for (entries->First(); !entries->IsDone(); entries->Next()) {
      engine::ResItem* entry = entries->Current();
      out.push_back(entry->GetDetailResItem(0)->GetId() + "x" +
                    std::to_string(entry->GetDetailCount()) + "=" +
                    std::to_string(static_cast<int>(Quantity(entry))));
    }
    return out;
  }

  ByCode by_code_;
};

TEST_F(DetailTest, SelectionKeepsTheTopMostItemsOnce) {
  Build();
  QRVDesSubEngineeringResItemDetailFunc func(Cores({"e1", "b1", "", "b1", "b2"}));
  std::vector<engine::SubEngineering*> expected = Cores({"b1", "b2"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(func.selection(), expected);
}

TEST_F(DetailTest, LinesUnderTheSelectionAreCountedOnce) {
  Build();
  QRVDesSubEngineeringResItemDetailFunc func(Cores({"e1", "b1", "b2"}));
  scoped_refptr<engine::ResItemGroup> group = func.GetResItemDetail(&by_code_);
  ASSERT_TRUE(group);
  // b1 comes first or second by address; its lines y1, y2 (C1) and y3 (C2).
  EXPECT_THAT(Entries(*group), testing::UnorderedElementsAre("y1x2=5", testing::EndsWith("x2=5")));
  EXPECT_EQ(group->GetRootSubEngineering(), Core("t1"));
  EXPECT_EQ(by_code_.asked, 4);
}

TEST_F(DetailTest, RefusedRequestsAnswerAnEmptyGroup) {
  Build();
  auto empty = [](scoped_refptr<engine::ResItemGroup> group) {
    return group && group->GetEntryCount() == 0;
  };
  EXPECT_TRUE(
      empty(QRVDesSubEngineeringResItemDetailFunc(Cores({"b1"})).GetResItemDetail(nullptr)));
  EXPECT_TRUE(empty(QRVDesSubEngineeringResItemDetailFunc({}).GetResItemDetail(&by_code_)));
  EXPECT_TRUE(
      empty(QRVDesSubEngineeringResItemDetailFunc(Cores({"loose"})).GetResItemDetail(&by_code_)));
  EXPECT_TRUE(empty(
      QRVDesSubEngineeringResItemDetailFunc(Cores({"b1", "b3"})).GetResItemDetail(&by_code_)));
  EXPECT_EQ(by_code_.asked, 0);
}

TEST_F(DetailTest, ARootWithAParentIsNoRoot) {
  builder_.SubEngineering("inner", 0, 0, 0, "b2").Bill("b4", 1, "inner").BudgetLine("y7", 1, "C3");
  Build();
  // b4's climb passes "inner" (kind 0 but with a parent) and ends at t1.
  QRVDesSubEngineeringResItemDetailFunc func(Cores({"b4"}));
  scoped_refptr<engine::ResItemGroup> group = func.GetResItemDetail(&by_code_);
  EXPECT_EQ(group->GetEntryCount(), 1);
  EXPECT_EQ(group->GetRootSubEngineering(), Core("t1"));
}

TEST_F(DetailTest, CostSideAggregatesTheCostLines) {
  Build();
  QRVSubEngineeringResItemDetailFunc func({Product("b2"), Product("b1"), nullptr, Product("e1")});
  EXPECT_EQ(func.selection().size(), 2u);
  scoped_refptr<engine::ResItemGroup> group = func.GetQRVResItemDetail(&by_code_);
  EXPECT_THAT(Entries(*group), testing::ElementsAre(testing::EndsWith("x2=11")));
  EXPECT_EQ(group->GetRootSubEngineering(), Core("t1"));
  EXPECT_EQ(QRVSubEngineeringResItemDetailFunc({Product("b3"), Product("b1")})
                .GetQRVResItemDetail(&by_code_)
                ->GetEntryCount(),
            0);
}

TEST_F(DetailTest, DesignFingerprintsSeparateBudgetAccounts) {
  builder_.Select("b2").BudgetLine("y8", 1, "C9").WithYSCostAccount("ca9");
  Build();
  // Like y3 and y4 in every defining field, but booked to another account.
  Item("y8")->fields()->SetText("BRICode", "C2");
  QRVDesResItemFingerprint fingerprint;
  QRVDesSubEngineeringResItemDetailFunc func(Cores({"t1"}));
  scoped_refptr<engine::ResItemGroup> group = func.GetResItemDetail(&fingerprint);
  EXPECT_THAT(Entries(*group), ElementsAre("y1x2=5", "y3x2=5", "y8x1=1"));
}

}  // namespace
