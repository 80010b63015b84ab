// The collection engine: moves parts of budget resource lines onto cost
// resource lines (collect), takes one part back (release) and changes the
// quantity of one part. Stateless: make one on the stack for each use.
#pragma once

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Each part is a copy item of the budget line standing in the budget line's
// templete record and the cost line's object record. Refusals a user could act
// on are logged as warnings; every operation reports success as a bool.
class MARROW_QRV_EXPORT YsRCJCollectWithCB {
 public:
  YsRCJCollectWithCB();
  YsRCJCollectWithCB(const YsRCJCollectWithCB& other);
  YsRCJCollectWithCB(YsRCJCollectWithCB&& other) noexcept;
  YsRCJCollectWithCB& operator=(const YsRCJCollectWithCB& other);
  YsRCJCollectWithCB& operator=(YsRCJCollectWithCB&& other) noexcept;
  ~YsRCJCollectWithCB();

  // Collects |quantity| of |budget_item| into |cost_item| as a new copy item.
  // A request within 0.0001 of the collectable quantity is snapped to it.
  // A refusal after the records were created leaves them in place, empty.
  bool YSRcjCollectToCB(engine::qrv::QRVResItem* cost_item, engine::ResItem* budget_item,
                        double quantity);
  // Takes |copy_item| out of both lists. The copy keeps its copy record. A
  // refusal after the cost side was updated does not restore it.
  bool YSRcjCopyUnCollectToCB(engine::qrv::QRVResItem* cost_item, engine::ResItem* copy_item);
  // Gives |copy_item| (collected into |cost_item|) the new |quantity|;
  // |previous_quantity| receives its quantity from before, on success only.
  bool ModifyResItemCollectQuantity(engine::qrv::QRVResItem* cost_item, engine::ResItem* copy_item,
                                    double quantity, double& previous_quantity);
};

}  // namespace qrv
}  // namespace marrow
