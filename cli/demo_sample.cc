#include "cli/demo_sample.h"

#include "reference_host/builder/document_builder.h"
#include "reference_host/model/field_keys.h"

namespace cli {
namespace {

constexpr int kMeasureGroup = 1;  // node kind of a measure item heading
constexpr int kLumpSumMeasure = 16;

void AddAccounts(reference_host::DocumentBuilder& b) {
  b.CostAccount("ca-01", "01", "人工费")
      .CostAccount("ca-0101", "0101", "土建人工 Civil labour", "ca-01")
      .CostAccount("ca-0102", "0102", "安装人工 Installation labour", "ca-01")
      .CostAccount("ca-02", "02", "材料费")
      .CostAccount("ca-0201", "0201", "钢材 Steel", "ca-02")
      .CostAccount("ca-0202", "0202", "混凝土 Concrete", "ca-02")
      .CostAccount("ca-0203", "0203", "安装材料 MEP materials", "ca-02")
      .CostAccount("ca-03", "03", "机械费")
      .CostAccount("ca-0301", "0301", "自有机械 Own plant", "ca-03")
      .CostAccount("ca-0302", "0302", "租赁机械 Leased plant", "ca-03")
      .CostAccount("ca-04", "04", "其他费用 Other costs")
      .CostAccount("ca-0401", "0401", "暂列金额 Provisional sums", "ca-04")
      .CostAccount("ca-0402", "0402", "计日工 Daywork", "ca-04");
  b.BillStage("st-base", "基础阶段")
      .BillStage("st-main", "主体阶段")
      .BillStage("st-fitout", "安装阶段");
}

void AddContracts(reference_host::DocumentBuilder& b) {
  b.ContractGroup("g-labour", "LabourSubcontractForm")
      .ContractEntry("e-r01", "R0001", "综合工日 (土建)")
      .WithUnit("工日")
      .WithPrice(150)
      .WithResType("R")
      .WithCostAccount("ca-0101")
      .ContractEntry("e-r02", "R0002", "综合工日 (安装)")
      .WithUnit("工日")
      .WithPrice(165)
      .WithResType("R")
      .WithCostAccount("ca-0102");
  b.ContractGroup("g-material", "MaterialPurchaseForm")
      .ContractEntry("e-c01", "C0101", "钢筋 HRB400 Φ12 (供应商甲)")
      .WithUnit("t")
      .WithPrice(4180)
      .WithResType("C")
      .WithCostAccount("ca-0201")
      .ContractEntry("e-c01b", "C0101", "钢筋 HRB400 Φ12 (甲供材)")
      .WithUnit("t")
      .WithPrice(4050)
      .WithResType("C")
      .ContractEntry("e-c02", "C0201", "商品混凝土 C30")
      .WithUnit("m3")
      .WithPrice(475)
      .WithResType("C")
      .WithCostAccount("ca-0202")
      .ContractEntry("e-c03", "C0301", "镀锌钢管 DN50")
      .WithUnit("m")
      .WithPrice(37.8)
      .WithResType("C")
      .WithCostAccount("ca-0203")
      .ContractEntry("e-c04", "C0302", "铜芯电线 BV-2.5")
      .WithUnit("m")
      .WithPrice(2.75)
      .WithResType("C")
      .WithCostAccount("ca-0203");
  b.ContractGroup("g-lease", "SelfLeaseMachineForm")
      .ContractEntry("e-j01", "J0101", "塔式起重机 QTZ80")
      .WithUnit("台班")
      .WithPrice(980)
      .WithResType("J")
      .WithCostAccount("ca-0302")
      .WithLeaseQuantity("12")
      .ContractEntry("e-j02", "J0201", "混凝土振捣器 插入式")
      .WithUnit("台班")
      .WithPrice(12.5)
      .WithResType("J")
      .WithCostAccount("ca-0301");
}

void AddCivil(reference_host::DocumentBuilder& b) {
  using reference_host::keys::kName;
  b.SubProject("sp-civil", "土建工程");
  // A bill whose budget lines stand under its quota entry.
  b.Bill("b-col", 18.6)
      .WithField(kName, "矩形柱 C30")
      .WithBillStage("st-main")
      .WithCostAccount("ca-0202")
      .BillEntry("b-col-e1", 18.6)
      .WithField(kName, "5-12 现浇混凝土 矩形柱")
      .BudgetLine("ys-col-r", 26.04, "R0001")
      .WithName("综合工日")
      .WithUnit("工日")
      .WithPrice(150)
      .WithResType("R")
      .WithYSCostAccount("ca-0101")
      .BudgetLine("ys-col-c30", 18.88, "C0201")
      .WithName("商品混凝土 C30")
      .WithUnit("m3")
      .WithPrice(480)
      .WithResType("C")
      .WithYSCostAccount("ca-0202")
      .BudgetLine("ys-col-vib", 1.24, "J0201")
      .WithName("混凝土振捣器 插入式")
      .WithUnit("台班")
      .WithPrice(12.5)
      .WithResType("J")
      .Select("b-col")
      .CostLine("cb-col-r", "e-r01", 26.04)
      .WithContent("1.400000")
      .CostLine("cb-col-c30", "e-c02", 18.88)
      .CostLine("cb-col-vib", "e-j02", 1.24);
  b.Bill("b-reb", 12.5)
      .WithField(kName, "现浇构件钢筋 HRB400")
      .WithBillStage("st-main")
      .BudgetLine("ys-reb-r", 100, "R0001")
      .BudgetLine("ys-reb-steel", 12.75, "C0101")
      .WithName("钢筋 HRB400 Φ12")
      .WithUnit("t")
      .WithPrice(4200)
      .WithResType("C")
      .WithYSCostAccount("ca-0201")
      .BudgetLine("ys-reb-crane", 1.25, "J0101")
      .WithName("塔式起重机 QTZ80")
      .WithUnit("台班")
      .WithPrice(1020)
      .WithResType("J")
      .BudgetLine("ys-reb-hoist", 0.95, "J0103")
      .WithName("电动卷扬机 单筒慢速 5t")
      .WithUnit("台班")
      .WithPrice(210)
      .WithResType("J")
      .CostLine("cb-reb-r", "e-r01", 100)
      .CostLine("cb-reb-steel", "e-c01")
      .CostLine("cb-reb-steel-b", "e-c01b")
      .CostLine("cb-reb-crane", "e-j01");
  // Lump-sum measures: a heading with a lump-sum item under it.
  b.SubEngineering("m-cs", kMeasureGroup, 0, 1)
      .WithField(kName, "措施项目")
      .SubEngineering("m-safety", kMeasureGroup, kLumpSumMeasure, 1, "m-cs")
      .WithField(kName, "安全文明施工")
      .BudgetLine("ys-safety-r", 30, "R0001")
      .CostLine("cb-safety-r", "e-r01", 30);
  // Host-level state the sample starts from.
  b.Link("cb-col-r", "ys-col-r")
      .Collect("ys-col-c30", "cb-col-c30", 10, "part-col-c30-1")
      .Collect("ys-safety-r", "cb-safety-r", 30, "part-safety-r-1");
}

void AddInstallation(reference_host::DocumentBuilder& b) {
  using reference_host::keys::kName;
  b.SubProject("sp-mep", "安装工程");
  b.Bill("b-pipe", 120)
      .WithField(kName, "镀锌钢管 DN50 给水")
      .WithBillStage("st-fitout")
      .BudgetLine("ys-pipe-r", 14.4, "R0002")
      .WithName("综合工日")
      .WithUnit("工日")
      .WithPrice(165)
      .WithResType("R")
      .WithYSCostAccount("ca-0102")
      .BudgetLine("ys-pipe-c", 122.4, "C0301")
      .WithName("镀锌钢管 DN50")
      .WithUnit("m")
      .WithPrice(38.5)
      .WithResType("C")
      .WithYSCostAccount("ca-0203")
      .CostLine("cb-pipe-r", "e-r02", 14.4)
      .CostLine("cb-pipe-c", "e-c03", 122.4);
  b.Bill("b-wire", 850)
      .WithField(kName, "配线 BV-2.5 管内穿线")
      .WithBillStage("st-fitout")
      .BudgetLine("ys-wire-r", 8.5, "R0002")
      .BudgetLine("ys-wire-c", 977.5, "C0302")
      .WithName("铜芯电线 BV-2.5")
      .WithUnit("m")
      .WithPrice(2.9)
      .WithResType("C")
      .WithYSCostAccount("ca-0203")
      .CostLine("cb-wire-c", "e-c04", 977.5);
  b.Collect("ys-pipe-c", "cb-pipe-c", 122.4, "part-pipe-c-1");
}

void AddOtherItems(reference_host::DocumentBuilder& b) {
  b.Table("t-qtxm", "其他项目")
      .Row("row-1")
      .WithField("OSName", "暂列金额")
      .WithCostAccount("ca-04")
      .Row("row-1-1", "row-1")
      .WithField("OSName", "设计变更")
      .Row("row-1-2", "row-1")
      .WithField("OSName", "政策性调整")
      .Row("row-2")
      .WithField("OSName", "计日工")
      .WithCostAccount("ca-0402")
      .Row("row-2-1", "row-2")
      .WithField("OSName", "普工");
}

}  // namespace

std::unique_ptr<reference_host::AppDocumentImpl> BuildOfficeBuilding() {
  reference_host::DocumentBuilder b("office-building", "综合楼");
  AddAccounts(b);
  AddContracts(b);
  AddCivil(b);
  AddInstallation(b);
  AddOtherItems(b);
  return b.Build();
}

const char* DemoScriptText() {
  return R"([
  {"op": "collect", "cost": "cb-reb-steel", "budget": "ys-reb-steel", "qty": 4},
  {"op": "modify-quantity", "cost": "cb-reb-steel", "budget": "ys-reb-steel", "qty": 3.5},
  {"op": "link-group", "cost": "cb-reb-crane", "budgets": ["ys-reb-crane", "ys-reb-hoist"]},
  {"op": "collect", "cost": "cb-reb-steel-b", "budget": "ys-reb-steel", "qty": 9.25004},
  {"op": "undo"},
  {"op": "redo"},
  {"op": "uncollect", "cost": "cb-col-c30", "budget": "ys-col-c30"},
  {"op": "collect", "cost": "cb-col-c30", "budget": "ys-col-c30", "qty": 18.88},
  {"op": "set-cost-account", "objects": ["row-1-1"], "account": "其他费用 Other costs/暂列金额 Provisional sums"},
  {"op": "undo"},
  {"op": "set-cost-account", "objects": ["e-c01b"], "account": "材料费/钢材 Steel"}
])"
         "\n";
}

const char* DemoContractScriptText() {
  return R"ops([
  {"op": "merge-contract", "target": "e-c01", "sources": ["e-c01b"]},
  {"op": "undo"},
  {"op": "split-contract", "entry": "e-r01", "lines": ["cb-safety-r"]},
  {"op": "undo"},
  {"op": "redo"},
  {"op": "copy-from", "target": "e-c01b", "source": "e-c01"},
  {"op": "undo"},
  {"op": "merge-changed", "entry": "e-c01"},
  {"op": "rename", "line": "ys-reb-steel", "name": "钢筋 HRB400 Φ12 (甲供)"},
  {"op": "rename", "line": "ys-col-c30", "name": "商品混凝土 C30 泵送"}
])ops"
         "\n";
}

const nlohmann::json& DemoContractScript() {
  static const nlohmann::json script = nlohmann::json::parse(DemoContractScriptText());
  return script;
}

const nlohmann::json& DemoScript() {
  static const nlohmann::json script = nlohmann::json::parse(DemoScriptText());
  return script;
}

}  // namespace cli
