// Collects part of a budget line into a cost line through an undo action, the
// way an application would, then undoes it.
#include <iostream>

#include "actions/qrv_res_item_collect_action.h"
#include "beans/qrv_resitem.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "qrv_version.h"
#include "reference_host/app/undo_stack.h"
#include "reference_host/builder/document_builder.h"

int main() {
  std::cout << "marrow-qrv " << MARROW_QRV_VERSION_STRING << "\n";
  auto doc = reference_host::DocumentBuilder("p")
                 .ContractGroup("g1", "MaterialPurchaseForm")
                 .ContractEntry("e1", "C0101", "钢筋 HRB400")
                 .SubProject("sp1", "土建工程")
                 .Bill("b1", 12.5)
                 .BudgetLine("ys1", 12.75, "C0101")
                 .CostLine("cb1", "e1")
                 .Build();
  auto* budget = doc->Find<engine::ResItem>("ys1");
  auto* cost = doc->Find<engine::qrv::QRVResItem>("cb1");
  const marrow::qrv::QRVResItemBean view(budget);

  reference_host::UndoStack stack(doc.get());
  stack.Push(new marrow::qrv::QRVResItemCollectAction(cost, budget, 4), "collect 4");
  std::cout << "after collect: allowed " << view.GetResItemCollectAllowQuantity() << "\n";
  stack.Undo();
  std::cout << "after undo:    allowed " << view.GetResItemCollectAllowQuantity() << "\n";
}
