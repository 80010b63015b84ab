// The collection engine: collect with snapping, release and change of the
// quantity of one part, with every refusal and what it leaves behind.
#include "funcs/qrv_collect_ys_to_cb.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

// A bill of 10 with a budget line of 10, a second budget line "ysL" linked
// to the cost line "cbL", and free cost lines "cbA" and "cbB".
class CollectEngineTest : public DocumentTest {
 protected:
  CollectEngineTest() {
    builder_.ContractGroup("g1", "MaterialForm")
        .ContractEntry("e1", "C01", "Cement")
        .ContractEntry("e2", "C02", "Sand")
        .SubProject("sp1", "Building")
        .Bill("b1", 10)
        .BudgetLine("ys", 10, "R1")
        .BudgetLine("ysL", 10, "R2")
        .CostLine("cbA", "e1")
        .CostLine("cbB", "e2")
        .CostLine("cbL", "e1")
        .Link("cbL", "ysL");
  }
  bool Collect(const std::string& cost, const std::string& budget, double quantity) {
    return engine_.YSRcjCollectToCB(Cost(cost), Item(budget), quantity);
  }
  std::vector<std::string> Warnings() const { return log_.warnings(); }

  marrow::qrv::YsRCJCollectWithCB engine_;
  LogCapture log_;
};

TEST_F(CollectEngineTest, CollectsAsANewCopyInBothListsThenSnapsAndFindsNothingLeft) {
  Build();
  ASSERT_TRUE(Collect("cbA", "ys", 4));
  std::vector<engine::ResItem*> copies = ListedCopies(Item("ys"));
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_THAT(ListedCopies(Item("cbA")), ElementsAre(copies[0]));
  engine::qrv::QRVResCollectCopy* record = CopyRecord(copies[0]);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->GetTempleteResItem(), Item("ys"));
  EXPECT_EQ(record->GetCBResItem(), Cost("cbA"));
  EXPECT_DOUBLE_EQ(Quantity(copies[0]), 4);
  EXPECT_EQ(doc_->FindObjectById(copies[0]->GetId()), copies[0]);
  EXPECT_TRUE(View("ys").IsCollected());

  EXPECT_TRUE(Collect("cbB", "ys", 6.00005));
  EXPECT_THAT(ListedQuantities(Item("cbB")), ElementsAre(6));  // exactly the allowed 6
  EXPECT_EQ(Allowed("ys"), 0);
  EXPECT_FALSE(Collect("cbA", "ys", 0.5));
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4, 6));
  EXPECT_THAT(Warnings(), IsEmpty());
}

TEST_F(CollectEngineTest, RefusalsLogTheirMessageAndLeaveNoRecordOrCopy) {
  builder_.BudgetLine("ysQ", 10, "R3").WithoutQuantity().Collect("ys", "cbB", 2, "copy");
  Build();
  const size_t objects = doc_->document()->object_count();
  const struct {
    const char* cost;  // "" for null
    const char* budget;
    double quantity;
    const char* message;  // "" for none
  } cases[] = {
      {"", "ys", 1, ""},
      {"cbA", "", 1, ""},
      {"cbA", "ys", 5e-7, ""},
      {"cbA", "ys", 0, ""},
      {"cbA", "ys", -1,
       "创建一个预算的副本人材机 失败"},  // allowed size, other sign: no copy holds it
      {"cbL", "ysQ", 1e9, "预算关联过来的人材机不可做归集 失败"},  // before any quantity is read
      {"cbA", "ysL", 1, ""},  // a linked budget line has nothing to collect
      {"cbA", "ysL", 0.00005, "创建一个预算的副本人材机 失败"},  // snapped to 0
      {"copy", "ys", 1, "没有找到成本的归集对象"},               // target carrying a copy record
      {"ys", "ys", 1, "没有找到成本的归集对象"},  // target carrying a templete record
      {"cbA", "core", 1, ""},  // a line without a product face has nothing to collect
  };
  scoped_refptr<CoreOnlyLine> core_only = CoreOnlyLine::Make("core", 10);
  for (const auto& c : cases) {
    LogCapture log;
    engine::ResItem* budget = *c.budget ? Item(c.budget) : nullptr;
    if (std::string(c.budget) == "core") budget = core_only.get();
    EXPECT_FALSE(engine_.YSRcjCollectToCB(*c.cost ? Cost(c.cost) : nullptr, budget, c.quantity))
        << c.cost << " " << c.budget << " " << c.quantity;
    EXPECT_EQ(log.warnings(), std::vector<std::string>(*c.message ? 1 : 0, c.message))
        << c.cost << " " << c.quantity;
  }
  for (const char* id : {"cbA", "cbL", "ysL", "ysQ"})
    EXPECT_EQ(Item(id)->GetCollect(), nullptr) << id;
  EXPECT_EQ(doc_->document()->object_count(), objects);
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(2));
}

struct FactoryCase {
  const char* name;
  FactoryStep failure;
  const char* message;
  bool cost_record_left;
  bool budget_record_left;
};
void PrintTo(const FactoryCase& c, std::ostream* os) { *os << c.name; }

class CollectFactoryFailureTest : public CollectEngineTest,
                                  public testing::WithParamInterface<FactoryCase> {};

TEST_P(CollectFactoryFailureTest, LeavesTheRecordsMadeSoFarAndNoCopy) {
  const FactoryCase& c = GetParam();
  Build();
  const size_t objects = doc_->document()->object_count();
  {
    ScopedFactoryFailure fail(c.failure);
    EXPECT_FALSE(Collect("cbA", "ys", 4));
  }
  EXPECT_THAT(Warnings(), ElementsAre(c.message));
  EXPECT_EQ(CollectType(Item("cbA")), c.cost_record_left ? 1 : 0);
  EXPECT_EQ(CollectType(Item("ys")), c.budget_record_left ? 3 : 0);
  EXPECT_THAT(ListedCopies(Item("cbA")), IsEmpty());
  EXPECT_THAT(ListedCopies(Item("ys")), IsEmpty());
  EXPECT_EQ(doc_->document()->object_count(), objects);
  EXPECT_EQ(Allowed("ys"), 10);
  // The records left behind take the next collect.
  EXPECT_TRUE(Collect("cbA", "ys", 4));
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4));
}

INSTANTIATE_TEST_SUITE_P(Steps, CollectFactoryFailureTest,
                         testing::Values(FactoryCase{"EngineFactory", FactoryStep::kEngineFactory,
                                                     "创建一个预算的副本人材机 失败", false, false},
                                         FactoryCase{"CopyItem", FactoryStep::kCreateResItem,
                                                     "创建一个预算的副本人材机 失败", false, false},
                                         FactoryCase{"ProductFactory", FactoryStep::kQRVFactory,
                                                     "没有找到成本的归集对象", false, false},
                                         FactoryCase{"ObjectRecord", FactoryStep::kCreateCollectObj,
                                                     "没有找到成本的归集对象", false, false},
                                         FactoryCase{"TempleteRecord",
                                                     FactoryStep::kCreateCollectTemplete,
                                                     "没有找到模板的归集对象", true, false},
                                         FactoryCase{"CopyRecord", FactoryStep::kCreateCollectCopy,
                                                     "没有找到副本的归集对象", true, true}),
                         CaseName());

TEST_F(CollectEngineTest, ReleaseLeavesBothListsAndMayBeRepeated) {
  builder_.Collect("ys", "cbA", 4, "c4").Collect("ys", "cbB", 6, "c6");
  Build();
  scoped_refptr<engine::ResItem> c4(Item("c4"));
  EXPECT_TRUE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), c4.get()));
  EXPECT_THAT(ListedCopies(Item("cbA")), IsEmpty());
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(6));
  EXPECT_EQ(doc_->FindObjectById("c4"), nullptr);
  EXPECT_DOUBLE_EQ(Allowed("ys"), 4);
  // The copy keeps its record, so a second release goes through again.
  EXPECT_TRUE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), c4.get()));
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(6));
  EXPECT_THAT(Warnings(), IsEmpty());
}

TEST_F(CollectEngineTest, ReleaseRefusals) {
  builder_.Collect("ys", "cbA", 4, "c4");
  Build();
  scoped_refptr<ResItemImpl> stray(new ResItemImpl());
  scoped_refptr<CoreOnlyLine> core_only = CoreOnlyLine::Make("core");
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(nullptr, Item("c4")));
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), nullptr));
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Item("ys"), Item("c4")));  // templete record
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), stray.get()));
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), core_only.get()));
  // A copy record that names a cost line as its budget line.
  ASSERT_TRUE(ViewOf(stray.get()).CreateResItemCollectCopy(Cost("cbA"), Item("cbA")));
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Cost("cbB"), stray.get()));
  EXPECT_THAT(Warnings(), ElementsAre("YSRcjCopyUnCollectToCB成本人材机为空",
                                      "YSRcjCopyUnCollectToCB预算副本人材机为空",
                                      "YSRcjCopyUnCollectToCB没有找到成本的归集对象",
                                      "YSRcjCopyUnCollectToCB没有找到副本的归集对象",
                                      "YSRcjCopyUnCollectToCB没有找到副本的归集对象",
                                      "YSRcjCopyUnCollectToCB没有找到模板的归集对象"));
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4));
  EXPECT_THAT(ListedQuantities(Item("cbA")), ElementsAre(4));
}

TEST_F(CollectEngineTest, ReleaseOfACopyWhoseBudgetLineIsGoneStillLeavesTheCostList) {
  builder_.Collect("ys", "cbA", 4, "c4");
  Build();
  scoped_refptr<engine::ResItem> c4(Item("c4"));
  RemoveBudgetLine("b1", "ys");
  EXPECT_FALSE(engine_.YSRcjCopyUnCollectToCB(Cost("cbA"), c4.get()));
  EXPECT_THAT(Warnings(), ElementsAre("YSRcjCopyUnCollectToCB没有找到副本的拥有者"));
  EXPECT_THAT(ListedCopies(Item("cbA")), IsEmpty());
}

// A budget line of 10 with a part of 4 in cbA and one of 6 in cbB.
class ModifyQuantityTest : public CollectEngineTest {
 protected:
  ModifyQuantityTest() { builder_.Collect("ys", "cbA", 4, "c4").Collect("ys", "cbB", 6, "c6"); }
  bool Modify(const std::string& cost, const std::string& copy, double quantity) {
    return engine_.ModifyResItemCollectQuantity(cost.empty() ? nullptr : Cost(cost),
                                                copy.empty() ? nullptr : Item(copy), quantity,
                                                previous_);
  }
  static constexpr double kUnset = -99;
  double previous_ = kUnset;
};

TEST_F(ModifyQuantityTest, CurrentQuantityCountsAsAvailableAgain) {
  Build();
  RecalculationCounter recalculated(doc_->document());
  EXPECT_TRUE(Modify("cbA", "c4", 4));
  EXPECT_EQ(previous_, 4);
  previous_ = kUnset;
  EXPECT_FALSE(Modify("cbA", "c4", 4.5));
  EXPECT_EQ(previous_, kUnset);
  EXPECT_THAT(Warnings(), ElementsAre("ModifyResItemCollectQuantity剩余可归集的数量不足"));
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 4);

  ASSERT_TRUE(engine_.YSRcjCopyUnCollectToCB(Cost("cbB"), Item("c6")));
  EXPECT_TRUE(Modify("cbA", "c4", 10));
  EXPECT_EQ(previous_, 4);
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 10);
  // The entry and the cost line were recalculated after the ratio changed.
  EXPECT_EQ(recalculated.count("e1"), 2);
  EXPECT_EQ(recalculated.count("cbA"), 2);
  EXPECT_EQ(recalculated.total(), 4);
  EXPECT_DOUBLE_EQ(Item("cbA")->collected_quantity(), 10);
}

TEST_F(ModifyQuantityTest, RefusalsChangeNothing) {
  Build();
  RecalculationCounter recalculated(doc_->document());
  EXPECT_FALSE(Modify("cbA", "", 3));
  EXPECT_FALSE(Modify("cbA", "c4", 5e-7));
  EXPECT_FALSE(Modify("cbA", "ys", 3));   // no copy record
  EXPECT_FALSE(Modify("cbB", "c4", 3));   // collected into cbA
  EXPECT_FALSE(Modify("", "c4", 3));      // a null cost line is no match either
  EXPECT_FALSE(Modify("cbA", "c4", -3));  // other sign than the source
  EXPECT_FALSE(Modify("cbA", "c4", 11));
  EXPECT_THAT(Warnings(), ElementsAre("ModifyResItemCollectQuantity副本人材机的消耗量为为0",
                                      "ModifyResItemCollectQuantity没有找到副本的归集对象",
                                      "ModifyResItemCollectQuantity副本归集的对象不匹配",
                                      "ModifyResItemCollectQuantity副本归集的对象不匹配",
                                      "ModifyResItemCollectQuantity比例错误剩余可归集的数量不足",
                                      "ModifyResItemCollectQuantity剩余可归集的数量不足"));
  EXPECT_EQ(previous_, kUnset);
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 4);
  EXPECT_EQ(recalculated.total(), 0);
  EXPECT_THAT(ListedQuantities(Item("ys")), ElementsAre(4, 6));
}

TEST_F(ModifyQuantityTest, SilentRefusalsForACopyWithoutABudgetLineOrAQuantityOrAProductFace) {
  // c4's quantity follows the budget line's, which has none; c6 names no
  // budget line.
  builder_.Select("c6").WithoutCopyBudgetLine().Select("ys").WithoutQuantity();
  Build();
  scoped_refptr<CoreOnlyLine> core_only = CoreOnlyLine::Make("core", 4);
  EXPECT_FALSE(Modify("cbA", "c4", 3));
  EXPECT_FALSE(Modify("cbB", "c6", 3));
  EXPECT_FALSE(engine_.ModifyResItemCollectQuantity(Cost("cbA"), core_only.get(), 3, previous_));
  EXPECT_THAT(Warnings(), IsEmpty());
  EXPECT_EQ(previous_, kUnset);
  EXPECT_DOUBLE_EQ(Quantity(Item("c6")), 10);  // its own, as made from the budget line
}

// A null cost line matches only a copy record that names none either.
TEST_F(ModifyQuantityTest, ACopyNamingNoCostLineIsChangedWithoutOne) {
  builder_.Select("c4").WithoutCopyCostLine();
  Build();
  RecalculationCounter recalculated(doc_->document());
  EXPECT_FALSE(Modify("cbA", "c4", 3));
  EXPECT_THAT(Warnings(), ElementsAre("ModifyResItemCollectQuantity副本归集的对象不匹配"));
  EXPECT_TRUE(Modify("", "c4", 3));
  EXPECT_EQ(previous_, 4);
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 3);
  EXPECT_EQ(recalculated.total(), 0);  // no cost line to recalculate
}

TEST_F(ModifyQuantityTest, CostLineWithoutAnEntryIsNotRecalculated) {
  builder_.Select("cbA").WithoutEntry();
  Build();
  RecalculationCounter recalculated(doc_->document());
  EXPECT_TRUE(Modify("cbA", "c4", 2));
  EXPECT_EQ(previous_, 4);
  EXPECT_EQ(recalculated.total(), 0);
  EXPECT_DOUBLE_EQ(Quantity(Item("c4")), 2);
}

}  // namespace
