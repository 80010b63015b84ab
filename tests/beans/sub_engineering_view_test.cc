// The sub-engineering view: budget fee figures by field name, the lump-sum
// measure test and the cost accounts of a bill's resource lines.
#include "beans/qrv_sub_engineering.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVSubEngineeringBean;

class SubEngineeringViewTest : public testing::Test {
 protected:
  QRVSubEngineeringBean View(const std::string& id) const {
    return QRVSubEngineeringBean(doc_->Find<engine::SubEngineering>(id));
  }
  std::unique_ptr<reference_host::AppDocumentImpl> doc_;
};

// Every field name is the system's own text: a typo in any of them must show.
TEST_F(SubEngineeringViewTest, FieldsReadTheirKindsUnitOrTotalFigure) {
  struct Case {
    const char* unit_field;
    const char* total_field;
    const char* kind;
  };
  const Case cases[] = {
      {"YSMXComplex", "YSMXComplexTotal", "Complex"},
      {"YSMXLabor", "YSMXLaborTotal", "Labor"},
      {"YSMXPrimaryMaterial", "YSMXPrimaryMaterialTotal", "MainMaterial"},
      {"YSMXEquipment", "YSMXEquipmentTotal", "Equipment"},
      {"YSMXOtherMaterial", "YSMXOtherMaterialTotal", "OtherMaterial"},
      {"YSMXRevolvingMaterial", "YSMXRevolvingMaterialTotal", "RevolvingMaterial"},
      {"ZYMXFBFee", "ZYMXFBFeeTotal", "Subcontract"},
      {"YSMXMachine", "YSMXMachineTotal", "Machine"},
  };
  DocumentBuilder builder("p");
  builder.SubProject("sp1", "Building").Bill("b1", 1);
  double figure = 1;
  for (const Case& c : cases) builder.Fee(c.kind, figure, figure * 100), ++figure;
  doc_ = builder.Build();
  figure = 1;
  for (const Case& c : cases) {
    double unit = -1, total = -1;
    EXPECT_TRUE(View("b1").GetYSFieldValue(c.unit_field, unit)) << c.unit_field;
    EXPECT_TRUE(View("b1").GetYSFieldValue(c.total_field, total)) << c.total_field;
    EXPECT_EQ(unit, figure) << c.unit_field;
    EXPECT_EQ(total, figure * 100) << c.total_field;
    ++figure;
  }
}

TEST_F(SubEngineeringViewTest, OtherNamesAndMissingFiguresLeaveTheOutputUntouched) {
  doc_ = DocumentBuilder("p")
             .SubProject("sp1", "Building")
             .Bill("b1", 1)
             .Fee("Labor", 2, 20)
             .Bill("noCalc", 1)
             .WithoutFeeCalc()
             .Build();
  for (const char* name : {"ysmxlabor", "Labor", "YSMXLabor ", "YSMXLaborTotal2", ""}) {
    SCOPED_TRACE(name);
    double value = 42;
    EXPECT_FALSE(View("b1").GetYSFieldValue(name, value));
    EXPECT_EQ(value, 42);
  }
  double value = 42;
  EXPECT_FALSE(View("b1").GetYSFieldValue("YSMXMachine", value));  // no figure for the kind
  EXPECT_FALSE(View("noCalc").GetYSFieldValue("YSMXLabor", value));
  EXPECT_FALSE(QRVSubEngineeringBean(nullptr).GetYSFieldValue("YSMXLabor", value));
  EXPECT_EQ(value, 42);
}

// Figures come from the product face of whatever calculator the bill has.
TEST_F(SubEngineeringViewTest, FiguresComeFromTheCalculatorsProductFace) {
  doc_ =
      DocumentBuilder("p").SubProject("sp1", "Building").Bill("b1", 1).Fee("Labor", 2, 20).Build();
  scoped_refptr<BentBill> bill =
      BentBill::Over(doc_->Find<reference_host::SubEngineeringImpl>("b1"));
  QRVSubEngineeringBean view(static_cast<engine::qrv::QRVSubEngineering*>(bill.get()));
  double value = 42;
  CoreOnlyFeeCalc core_only;
  bill->UseFeeCalc(&core_only);
  EXPECT_FALSE(view.GetYSFieldValue("YSMXLabor", value));
  EXPECT_EQ(value, 42);

  testing::StrictMock<MockFeeCalc> calc;
  bill->UseFeeCalc(&calc);
  EXPECT_CALL(calc, GetFeeTotalCost("MainMaterial", testing::_))
      .WillOnce(testing::DoAll(testing::SetArgReferee<1>(7.5), testing::Return(true)));
  EXPECT_CALL(calc, GetFeeCost("Subcontract", testing::_)).WillOnce(testing::Return(false));
  EXPECT_TRUE(view.GetYSFieldValue("YSMXPrimaryMaterialTotal", value));
  EXPECT_EQ(value, 7.5);
  EXPECT_FALSE(view.GetYSFieldValue("ZYMXFBFee", value));
  EXPECT_EQ(value, 7.5);

  // A bill without a product face makes an empty view.
  scoped_refptr<CoreOnlyBill> core_bill =
      CoreOnlyBill::Over(doc_->Find<reference_host::SubEngineeringImpl>("b1"));
  QRVSubEngineeringBean core_view(static_cast<engine::SubEngineering*>(core_bill.get()));
  EXPECT_FALSE(core_view.GetYSFieldValue("YSMXLabor", value));
  EXPECT_EQ(value, 7.5);
}

struct ZJCSCase {
  const char* name;
  int parent_measure_kind;  // -1: no parent
  int measure_kind;
  bool zjcs;
};
void PrintTo(const ZJCSCase& c, std::ostream* os) { *os << c.name; }

class ZJCSTest : public SubEngineeringViewTest, public testing::WithParamInterface<ZJCSCase> {};

TEST_P(ZJCSTest, DependsOnOwnAndParentMeasureKind) {
  const ZJCSCase& c = GetParam();
  DocumentBuilder builder("p");
  builder.SubProject("sp1", "Building");
  if (c.parent_measure_kind >= 0) builder.SubEngineering("parent", 1, c.parent_measure_kind, 1);
  builder.SubEngineering("item", 1, c.measure_kind, 1, c.parent_measure_kind >= 0 ? "parent" : "");
  doc_ = builder.Build();
  EXPECT_EQ(View("item").IsZJCS(), c.zjcs);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZJCSTest,
                         testing::Values(ZJCSCase{"Kind16UnderAnyParent", 0, 16, true},
                                         ZJCSCase{"Kind16UnderKind16", 16, 16, true},
                                         ZJCSCase{"Kind16WithoutParent", -1, 16, false},
                                         ZJCSCase{"Kind3UnderKind3", 3, 3, true},
                                         ZJCSCase{"Kind3UnderKind16", 16, 3, false},
                                         ZJCSCase{"Kind3WithoutParent", -1, 3, false},
                                         ZJCSCase{"OtherKindUnderKind3", 3, 5, false}),
                         CaseName());

// Lines y1..y5 on accounts 01, 02, 03, 01, 04: b1 {y1} > b2 {y2} > (entry
// e2 {y3}, b3 {y4}); "sibling" {y5} beside b1.
std::unique_ptr<reference_host::AppDocumentImpl> AccountsDocument() {
  return DocumentBuilder("p")
      .CostAccount("ca1", "01", "Civil")
      .CostAccount("ca2", "02", "Steel")
      .CostAccount("ca3", "03", "Glass")
      .CostAccount("ca4", "04", "Paint")
      .SubProject("sp1", "Building")
      .Bill("b1", 1)
      .BudgetLine("y1", 1, "R1")
      .WithYSCostAccount("ca1")
      .Bill("b2", 1, "b1")
      .BudgetLine("y2", 1, "R2")
      .WithYSCostAccount("ca2")
      .BillEntry("e2", 1)
      .BudgetLine("y3", 1, "R3")
      .WithYSCostAccount("ca3")
      .Bill("b3", 1, "b2")
      .BudgetLine("y4", 1, "R4")
      .WithYSCostAccount("ca1")
      .Bill("sibling", 1)
      .BudgetLine("y5", 1, "R5")
      .WithYSCostAccount("ca4")
      .Build();
}

TEST_F(SubEngineeringViewTest, CostAccountsOfOwnLinesOrOfTheWholeSubtree) {
  doc_ = AccountsDocument();
  std::set<std::string> own{"01", "zz"};
  View("b1").GetYSAllResCostAccount(own, false);
  EXPECT_THAT(own, ElementsAre("01", "zz"));  // kept, and not repeated

  std::set<std::string> subtree{"zz"};
  View("b1").GetYSAllResCostAccount(subtree, true);
  EXPECT_THAT(subtree, ElementsAre("01", "02", "03", "zz"));

  std::set<std::string> leaf;
  View("b3").GetYSAllResCostAccount(leaf, true);
  EXPECT_THAT(leaf, ElementsAre("01"));

  QRVSubEngineeringBean empty(nullptr);  // no measure item, no accounts
  EXPECT_FALSE(empty.IsZJCS());
  empty.GetYSAllResCostAccount(leaf, true);
  EXPECT_THAT(leaf, ElementsAre("01"));
}

// Slots that hold no line or no bill item, and items without a product
// face, add no account; a child without one is passed over with its subtree.
TEST_F(SubEngineeringViewTest, SlotsWithoutAnItemOrAProductFaceAddNoAccount) {
  doc_ = AccountsDocument();
  scoped_refptr<BentBill> b1 = BentBill::Over(doc_->Find<reference_host::SubEngineeringImpl>("b1"));
  b1->InsertBudgetSlot(0, nullptr);
  b1->InsertBudgetSlot(-1, CoreOnlyLine::Make("core").get());
  b1->InsertChildSlot(0, nullptr);
  auto* sibling = doc_->Find<reference_host::SubEngineeringImpl>("sibling");
  b1->InsertChildSlot(-1, CoreOnlyBill::Over(sibling).get());
  QRVSubEngineeringBean view(static_cast<engine::qrv::QRVSubEngineering*>(b1.get()));
  std::set<std::string> codes;
  view.GetYSAllResCostAccount(codes, true);
  EXPECT_THAT(codes, ElementsAre("01", "02", "03"));
  // The same bill item with its product face is walked.
  b1->InsertChildSlot(-1, sibling);
  view.GetYSAllResCostAccount(codes, true);
  EXPECT_THAT(codes, ElementsAre("01", "02", "03", "04"));
}

}  // namespace
