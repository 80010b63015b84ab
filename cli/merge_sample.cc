#include "cli/merge_sample.h"

#include <iostream>

#include "cli/merge_command.h"
#include "cli/support.h"
#include "host/engine/fee_store.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/persist/atomic_file_writer.h"

namespace cli {
namespace {

using reference_host::DocumentBuilder;

// The parts both trades price in their own document.
void CommonAccounts(DocumentBuilder& builder, const std::string& p) {
  builder.CostAccount(p + "/ca01", "01", "Structure")
      .CostAccount(p + "/ca0101", "0101", "Concrete", p + "/ca01")
      .CostAccount(p + "/ca02", "02", "Building services")
      .CostAccount(p + "/ca0201", "0201", "Plumbing", p + "/ca02")
      .BillStage(p + "/st1", "Substructure")
      .BillStage(p + "/st2", "Fit-out");
}

}  // namespace

std::unique_ptr<reference_host::AppDocumentImpl> BuildCivilWorks() {
  DocumentBuilder builder("civil", "Office building, civil works");
  CommonAccounts(builder, "civil");
  builder.Select("civil/root")
      .WithName("Office building")
      .WithField("BuildingArea", 5200.0)
      .WithField("UponBuildingArea", 4400.0)
      .WithField("UnderBuildingArea", 800.0)
      .DJCSRoot("civil/djcs")
      .MeasureItem("civil/d1", "011", "Concrete formwork", "civil/djcs")
      .WithCostAccount("civil/ca0101")
      .WithBillStage("civil/st1")
      .ZJCSRoot("civil/zj")
      .MeasureItem("civil/z1", "1.1", "Safety and site order", "civil/zj")
      .WithField("QRV_Calculation_Method", "rate")
      .MeasureItem("civil/z2", "1.2", "Winter works", "civil/zj")
      .MeasureItem("civil/z21", "1.2.1", "Heating", "civil/z2")
      .ZJCSDetailTable("civil/zjd")
      .Row("civil/zjd1")
      .WithRowKey("1.1")
      .JJFYRoot("civil/jj")
      .MeasureItem("civil/jj1", "J1", "Crane standby", "civil/jj")
      .JJFYTable("civil/jjt")
      .Row("civil/jjt1")
      .WithRowKey("J1")
      .QTXMTable(1, "civil/q1")
      .Row("civil/q1a")
      .WithField("OSName", "Provisional sum")
      .FeeTable("civil/fee")
      .WithExpression("F1+F2")
      .FeeRow("civil/f1", "F1", "Direct cost", 0.035, 182000)
      .FeeRow("civil/f2", "F2", "Before tax", 0.09, 540000)
      .MovableItem("civil/m1")
      .EmptyItemSets()
      .SubProject("civil/found", "Foundations")
      .SubProject("civil/frame", "Frame");
  return builder.Build();
}

std::unique_ptr<reference_host::AppDocumentImpl> BuildInstallationWorks() {
  DocumentBuilder builder("inst", "Office building, installation works");
  CommonAccounts(builder, "inst");
  builder.Select("inst/root")
      .WithName("Office building")
      .WithField("UnderBuildingArea", 120.0)
      .DJCSRoot("inst/djcs")
      .MeasureItem("inst/d1", "031", "Pipe supports", "inst/djcs")
      .WithCostAccount("inst/ca0201")
      .WithBillStage("inst/st2")
      .ZJCSRoot("inst/zj")
      .MeasureItem("inst/z1", "1.1", "Safety and site order", "inst/zj")
      .WithField("QRV_Calculation_Method", "rate")
      .WithField("QRV_YSLinkZJCSSubEng", true)
      .MeasureItem("inst/z3", "1.3", "Commissioning", "inst/zj")
      .ZJCSDetailTable("inst/zjd")
      .Row("inst/zjd1")
      .WithRowKey("1.1")
      .JJFYRoot("inst/jj")
      .MeasureItem("inst/jj1", "J1", "Hoist standby", "inst/jj")
      .JJFYTable("inst/jjt")
      .Row("inst/jjt1")
      .WithRowKey("J1")
      .QTXMTable(1, "inst/q1")
      .Row("inst/q1a")
      .WithField("OSName", "Provisional sum")
      .FeeTable("inst/fee")
      .WithExpression("F1+F3")
      .FeeRow("inst/f1", "F1", "Direct cost", 0.035, 64000.456)
      .FeeRow("inst/f3", "F3", "Direct cost", 0.01, 12000)
      .MovableItem("inst/m1")
      .ProductItem("inst/p1")
      .SubProject("inst/hvac", "HVAC")
      .SubProject("inst/elec", "Electrical");
  return builder.Build();
}

std::string MergeSampleTree() {
  return R"({
  "id": "civil/root",
  "source_id": "inst/root",
  "name": "Office building",
  "source_type": 1,
  "merge_fee": true,
  "children": [
    {"id": "civil/found", "name": "Foundations", "source_type": 1},
    {"id": "civil/frame", "name": "Frame", "source_type": 1},
    {"source_id": "inst/hvac", "name": "HVAC", "source_type": 2},
    {"source_id": "inst/elec", "name": "Electrical", "source_type": 2}
  ]
}
)";
}

int MergeDemo(const std::string& folder) {
  auto civil = BuildCivilWorks();
  auto installation = BuildInstallationWorks();
  if (!folder.empty()) {
    std::string error;
    for (const auto& [name, text] :
         {std::make_pair(std::string("merge_tree.json"), MergeSampleTree())}) {
      if (!reference_host::WriteFileAtomically(folder + "/" + name, text, &error)) {
        PrintError(error);
        return kExitRefused;
      }
    }
    for (const auto& [name, document] :
         {std::make_pair("civil_works.json", civil.get()),
          std::make_pair("installation_works.json", installation.get())}) {
      std::string failure = SaveDocument(*document, folder + "/" + name);
      if (!failure.empty()) {
        PrintError(failure);
        return kExitRefused;
      }
    }
  }
  std::cout << "== plan: both projects side by side, nothing merged ==\n"
            << PlanMergeTree(*civil, *installation);
  MergeTree tree;
  std::string error;
  if (!ParseMergeTree(MergeSampleTree(), &tree, &error) ||
      !CheckMergeTree(tree, *civil, *installation, &error)) {
    PrintError(error);
    return kExitRefused;
  }
  std::cout << "\n== merge of the installation works into the civil works ==\n";
  if (!RunMerge(tree, *civil, *installation, std::cout)) return kExitRefused;
  std::cout << "\nfee rows of the merged root (code, amount, CSCost):\n";
  auto* root = civil->document()->project()->GetRootSubProject();
  engine::FeeTable* fee = root->GetFeeStore()->GetTable("Fee");
  for (int i = 0; i < fee->GetRowCount(); ++i) {
    engine::FeeRow* row = fee->GetRowAt(i);
    double amount = 0;
    row->GetAmount(amount);
    engine::FieldValue cost;
    row->GetFieldContainer()->GetFieldValue("CSCost", cost);
    std::cout << "  " << row->GetCode() << "  " << Num(amount, 3) << "  "
              << (cost.IsDouble() ? Num(cost.GetDouble(), 2) : std::string("-")) << "\n";
  }
  std::cout << "  total expression: " << fee->GetExpression() << "\n";
  std::cout << "lump-sum items:\n";
  for (int i = 0; i < root->GetZJCSRoot()->GetChildCount(); ++i) {
    auto* item = root->GetZJCSRoot()->child(i);
    std::cout << "  " << item->GetCode() << " " << item->GetName() << "\n";
    for (int j = 0; j < item->GetChildCount(); ++j)
      std::cout << "    " << item->child(j)->GetCode() << " " << item->child(j)->GetName() << "\n";
  }
  std::cout << "pipe supports booked to: "
            << TextField(civil->document()->FindObjectById("inst/d1"), "QRV_CostAccount")
            << ", stage "
            << TextField(civil->document()->FindObjectById("inst/d1"), "QRV_BillStage") << "\n";
  return kExitOk;
}

}  // namespace cli
