// Re-points bill stage references from another project's stages to those of
// the bound group, matching stages by name. Holds one non-owning pointer
// (may be null); copy freely.
#pragma once

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

class MARROW_QRV_EXPORT BillStageGroupFunc {
 public:
  explicit BillStageGroupFunc(engine::qrv::QRVBillStageGroup* group);
  BillStageGroupFunc(const BillStageGroupFunc& other);
  BillStageGroupFunc& operator=(const BillStageGroupFunc& other);
  virtual ~BillStageGroupFunc();

  // When "QRV_BillStage" of |fields| names a stage of |other|, rewrites it to
  // the id of the bound group's stage with the same name. Without a bound
  // group, an |other| group, or a match, the field stays as it is.
  void UpdateLocalBillStage(engine::FieldContainer* fields, engine::qrv::QRVBillStageGroup* other);

 private:
  engine::qrv::QRVBillStageGroup* group_;
};

}  // namespace qrv
}  // namespace marrow
