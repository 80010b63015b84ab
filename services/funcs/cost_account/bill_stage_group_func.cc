#include "funcs/cost_account/bill_stage_group_func.h"

#include <string>

#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/qrv/qrv_bill_stage.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"

namespace marrow {
namespace qrv {

namespace {}  // namespace

BillStageGroupFunc::BillStageGroupFunc(engine::qrv::QRVBillStageGroup* group) : group_(group) {}

BillStageGroupFunc::BillStageGroupFunc(const BillStageGroupFunc& other) = default;

BillStageGroupFunc& BillStageGroupFunc::operator=(const BillStageGroupFunc& other) = default;

BillStageGroupFunc::~BillStageGroupFunc() = default;

void BillStageGroupFunc::UpdateLocalBillStage(engine::FieldContainer* fields,
                                              engine::qrv::QRVBillStageGroup* other) {
  if (!group_ || !other || !fields) return;
  const std::string id = internal::GetTextField(fields, keys::kBillStage);
  if (id.empty()) return;
  engine::qrv::QRVBillStage* foreign = other->FindBillStageById(id);
  if (!foreign) return;
  engine::qrv::QRVBillStage* local = group_->FindBillStageByName(foreign->GetName());
  if (!local) return;
  fields->SetFieldValue(keys::kBillStage, engine::FieldValue(local->GetId()), true);
}

}  // namespace qrv
}  // namespace marrow
