// Small readers shared by the library tests: quantities, record lists and
// captured warnings, so each test states its scenario and its expectations.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <glog/logging.h>

#include "beans/qrv_resitem.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "reference_host/model/res_item_impl.h"
#include "tests/host/log_capture.h"

namespace lib_test {

// A view over a host line, which has both faces.
inline marrow::qrv::QRVResItemBean ViewOf(engine::ResItem* item) {
  return marrow::qrv::QRVResItemBean(item);
}

// The item's quantity, NaN when it has none.
inline double Quantity(const engine::ResItem* item) {
  double quantity = 0.0;
  if (!item || !item->GetQuantity(quantity)) return std::numeric_limits<double>::quiet_NaN();
  return quantity;
}

// The copies listed by the item's templete or object record, in list order.
inline std::vector<engine::ResItem*> ListedCopies(const engine::qrv::QRVResItem* item) {
  std::vector<engine::ResItem*> copies;
  if (!item) return copies;
  engine::qrv::QRVResCollect* record = item->GetCollect();
  if (auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record))
    templete->GetCopies(copies);
  else if (auto* obj = dynamic_cast<engine::qrv::QRVResCollectObj*>(record))
    obj->GetCopies(copies);
  return copies;
}

inline std::vector<double> ListedQuantities(const engine::qrv::QRVResItem* item) {
  std::vector<double> quantities;
  for (engine::ResItem* copy : ListedCopies(item)) quantities.push_back(Quantity(copy));
  return quantities;
}

inline engine::qrv::QRVResCollectCopy* CopyRecord(engine::ResItem* copy) {
  auto* facet = dynamic_cast<engine::qrv::QRVResItem*>(copy);
  return facet ? dynamic_cast<engine::qrv::QRVResCollectCopy*>(facet->GetCollect()) : nullptr;
}

inline int CollectType(const host::ResItemImpl* item) {
  engine::qrv::QRVResCollect* record = item->GetCollect();
  return record ? record->GetCollectType() : 0;
}

// Warning lines written while it lives.
class Warnings {
 public:
  std::vector<std::string> lines() const { return capture_.Messages(google::GLOG_WARNING); }

 private:
  host_test::LogCapture capture_;
};

}  // namespace lib_test
