// Each tolerance and step order of collection and linking pinned with plain
// examples on both sides of its boundary, so that moving a bound or swapping
// two steps fails a named test instead of an occasional random property.
#include "beans/qrv_resitem.h"
#include "funcs/qrv_collect_ys_to_cb.h"
#include "funcs/qrv_link_cb_res_item.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::ResItemLinkToCB;

// A bill of 10 with a budget line of 10 and free cost lines; bills of -10,
// 2e-6 and 9e-7 each with a budget line of 5 and a cost line.
class ToleranceBoundaryTest : public DocumentTest {
 protected:
  // The double nearest one ten-thousandth; 2 * kEdge - kEdge == kEdge
  // exactly, so a difference can sit on the collection tolerance itself.
  static constexpr double kEdge = 0.0001;

  ToleranceBoundaryTest() {
    builder_.ContractGroup("g1", "MaterialForm")
        .ContractEntry("e1", "C01", "Cement")
        .SubProject("sp1", "Building")
        .Bill("b1", 10)
        .BudgetLine("ys", 10, "R1")
        .CostLine("cbA", "e1")
        .CostLine("cbB", "e1")
        .Bill("bneg", -10)
        .BudgetLine("yneg", 5, "R2")
        .CostLine("cbneg", "e1")
        .Bill("btiny", 2e-6)
        .BudgetLine("ytiny", 5, "R3")
        .CostLine("cbtiny", "e1")
        .Bill("bzero", 9e-7)
        .BudgetLine("yzero", 5, "R4")
        .CostLine("cbzero", "e1")
        .Bill("bedge", 1)
        .BudgetLine("yedge", kEdge, "R5")
        .CostLine("cbedge", "e1");
  }
  bool Collect(const std::string& cost, const std::string& budget, double quantity) {
    return engine_.YSRcjCollectToCB(Cost(cost), Item(budget), quantity);
  }
  bool Modify(const std::string& cost, const std::string& copy, double quantity) {
    double previous = 0.0;
    return engine_.ModifyResItemCollectQuantity(Cost(cost), Item(copy), quantity, previous);
  }
  std::string LinkContent(const std::string& budget, const std::string& cost) {
    EXPECT_TRUE(link_.LinkToCB(Item(budget), [this, cost](engine::ResItem*) {
      return static_cast<engine::qrv::QRVResItem*>(Item(cost));
    }));
    return Item(cost)->GetContent();
  }

  marrow::qrv::YsRCJCollectWithCB engine_;
  ResItemLinkToCB link_;
  LogCapture log_;
};

TEST_F(ToleranceBoundaryTest, ZeroTestOfACollectQuantityLiesAtOneMillionth) {
  Build();
  EXPECT_FALSE(Collect("cbA", "ys", 9e-7));
  EXPECT_EQ(Item("cbA")->GetCollect(), nullptr);
  EXPECT_TRUE(Collect("cbB", "ys", 2e-6));
  EXPECT_THAT(ListedQuantities(Item("cbB")), ElementsAre(testing::DoubleNear(2e-6, 1e-12)));
}

TEST_F(ToleranceBoundaryTest, ZeroTestOfABillQuantityLiesAtOneMillionth) {
  Build();
  EXPECT_EQ(LinkContent("yzero", "cbzero"), "0");
  EXPECT_EQ(LinkContent("ytiny", "cbtiny"), "2500000.000000");
}

TEST_F(ToleranceBoundaryTest, DeductionBillGivesANegativePerUnitContent) {
  Build();
  EXPECT_EQ(LinkContent("yneg", "cbneg"), "-0.500000");
}

TEST_F(ToleranceBoundaryTest, SnapReachesJustUnderOneTenThousandth) {
  builder_.Collect("ys", "cbA", 4);
  Build();
  EXPECT_FALSE(Collect("cbB", "ys", 6.00011));  // beyond the snap: more than allowed
  EXPECT_TRUE(Collect("cbB", "ys", 6.00009));
  EXPECT_THAT(ListedQuantities(Item("cbB")), ElementsAre(6));
  // From below as well: a request just under what is left takes all of it.
  scoped_refptr<engine::ResItem> six(ListedCopies(Item("cbB"))[0]);
  ASSERT_TRUE(engine_.YSRcjCopyUnCollectToCB(Cost("cbB"), six.get()));
  EXPECT_TRUE(Collect("cbB", "ys", 5.99991));
  EXPECT_THAT(ListedQuantities(Item("cbB")), ElementsAre(6));
}

TEST_F(ToleranceBoundaryTest, ADifferenceOfExactlyTheToleranceIsNotSnapped) {
  Build();
  EXPECT_FALSE(Collect("cbedge", "yedge", 2 * kEdge));
  EXPECT_EQ(Item("cbedge")->GetCollect(), nullptr);
}

TEST_F(ToleranceBoundaryTest, CollectedQuantityOfExactlyTheToleranceCounts) {
  builder_.Collect("ys", "cbA", kEdge);
  Build();
  EXPECT_DOUBLE_EQ(marrow::qrv::QRVResItemBean(static_cast<engine::ResItem*>(Item("ys")))
                       .GetResItemCollectAllowQuantity(),
                   10 - kEdge);
}

TEST_F(ToleranceBoundaryTest, ChangedQuantityMayNotExceedItsOwnPlusWhatIsLeft) {
  builder_.Collect("ys", "cbA", 4, "c4").Collect("ys", "cbB", 5, "c5");
  Build();
  // 4 of its own and 1 left: 5 is the most, with no tolerance above it.
  EXPECT_FALSE(Modify("cbA", "c4", 5.00005));
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 4);
  EXPECT_TRUE(Modify("cbA", "c4", 5));
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 5);
}

TEST_F(ToleranceBoundaryTest, ReleaseTakesTheCopyOffTheCostSideBeforeCheckingItsRecord) {
  builder_.Collect("ys", "cbA", 4, "c4").WithoutCopyRecord();
  Build();
  scoped_refptr<engine::ResItem> c4(Item("c4"));
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), c4.get()));
  EXPECT_THAT(log_.warnings(), ElementsAre("YSRcjCopyUnCollectToCB没有找到副本的归集对象"));
  EXPECT_THAT(ListedCopies(Item("cbA")), IsEmpty());
  EXPECT_THAT(ListedCopies(Item("ys")), ElementsAre(c4.get()));
}

}  // namespace
