// The aggregated resource detail of a selection of bill items: one entry per
// distinct resource, as a fingerprint callback decides. The cost-side class
// aggregates the cost lines of product bill items, the design-side class the
// budget lines of core bill items; both hand the work to the host engine.
//
// The constructor reduces the selection to its top-most items (no element
// lies under another; null and repeated items dropped), in address order,
// so every line under it is counted once. The objects hold no reference on
// the bill items: they must not outlive them. Every refused request (null
// callback, empty selection, no bill tree root of node kind 0 above the
// first item, items of two trees) answers a new empty group, never null.
#pragma once

#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/res_item_group.h"
#include "qrv_export.h"

namespace engine {
class ResItemCallBack;
class SubEngineering;
namespace qrv {
class QRVSubEngineering;
}  // namespace qrv
}  // namespace engine

namespace marrow {
namespace qrv {

class MARROW_QRV_EXPORT QRVSubEngineeringResItemDetailFunc {
 public:
  explicit QRVSubEngineeringResItemDetailFunc(
      const std::vector<engine::qrv::QRVSubEngineering*>& bills);
  QRVSubEngineeringResItemDetailFunc(const QRVSubEngineeringResItemDetailFunc& other);
  QRVSubEngineeringResItemDetailFunc& operator=(const QRVSubEngineeringResItemDetailFunc& other);
  virtual ~QRVSubEngineeringResItemDetailFunc();

  // The group the engine aggregates, with its bill tree root set.
  scoped_refptr<engine::ResItemGroup> GetQRVResItemDetail(engine::ResItemCallBack* callback);

  const std::vector<engine::qrv::QRVSubEngineering*>& selection() const { return selection_; }

 private:
  std::vector<engine::qrv::QRVSubEngineering*> selection_;
};

class MARROW_QRV_EXPORT QRVDesSubEngineeringResItemDetailFunc {
 public:
  explicit QRVDesSubEngineeringResItemDetailFunc(const std::vector<engine::SubEngineering*>& bills);
  QRVDesSubEngineeringResItemDetailFunc(const QRVDesSubEngineeringResItemDetailFunc& other);
  QRVDesSubEngineeringResItemDetailFunc& operator=(
      const QRVDesSubEngineeringResItemDetailFunc& other);
  virtual ~QRVDesSubEngineeringResItemDetailFunc();

  scoped_refptr<engine::ResItemGroup> GetResItemDetail(engine::ResItemCallBack* callback);

  const std::vector<engine::SubEngineering*>& selection() const { return selection_; }

 private:
  std::vector<engine::SubEngineering*> selection_;
};

}  // namespace qrv
}  // namespace marrow
