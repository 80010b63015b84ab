#include "funcs/qrv_collect_ys_to_cb.h"

#include <glog/logging.h>

#include <cmath>

#include "beans/qrv_resitem.h"
#include "host/base/ref_counted.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "internal/qrv_keys.h"

namespace marrow {
namespace qrv {

namespace {

constexpr char kUnCollectName[] = "YSRcjCopyUnCollectToCB";
constexpr char kModifyName[] = "ModifyResItemCollectQuantity";

// A release step: takes |copy| off a templete or object record. False, with
// |missing| logged, when there is no record.
template <class Record>
bool TakeOffRecord(Record* record, engine::ResItem* copy, const char* missing) {
  if (!record) {
    LOG(WARNING) << kUnCollectName << missing;
    return false;
  }
  record->RemoveCopy(copy);
  return true;
}

}  // namespace

YsRCJCollectWithCB::YsRCJCollectWithCB() = default;
YsRCJCollectWithCB::YsRCJCollectWithCB(const YsRCJCollectWithCB&) = default;
YsRCJCollectWithCB::YsRCJCollectWithCB(YsRCJCollectWithCB&&) noexcept = default;
YsRCJCollectWithCB& YsRCJCollectWithCB::operator=(const YsRCJCollectWithCB&) = default;
YsRCJCollectWithCB& YsRCJCollectWithCB::operator=(YsRCJCollectWithCB&&) noexcept = default;
YsRCJCollectWithCB::~YsRCJCollectWithCB() = default;

bool YsRCJCollectWithCB::YSRcjCollectToCB(engine::qrv::QRVResItem* cost_item,
                                          engine::ResItem* budget_item, double quantity) {
  if (!cost_item || !budget_item) return false;
  if (std::fabs(quantity) < kZeroTolerance) return false;
  if (!cost_item->CanBeCollectTarget()) {
    LOG(WARNING) << "预算关联过来的人材机不可做归集 失败";
    return false;
  }

  const QRVResItemBean budget_view(budget_item);
  const double allowed = budget_view.GetResItemCollectAllowQuantity();
  if (std::fabs(quantity - allowed) < kCollectTolerance) quantity = allowed;
  if (std::fabs(quantity) > std::fabs(allowed)) return false;

  // The new copy has no owner yet: this reference keeps it alive until the
  // lists take theirs, and frees it on a refusal.
  scoped_refptr<engine::ResItem> copy(budget_view.CreateResItemCopy(quantity));
  if (!copy) {
    LOG(WARNING) << "创建一个预算的副本人材机 失败";
    return false;
  }
  engine::qrv::QRVResCollectObj* object_record =
      QRVResItemBean(cost_item).GetResItemCollectObj(true);
  if (!object_record) {
    LOG(WARNING) << "没有找到成本的归集对象";
    return false;
  }
  engine::qrv::QRVResCollectTemplete* templete_record = budget_view.GetResItemCollectTemplete(true);
  if (!templete_record) {
    LOG(WARNING) << "没有找到模板的归集对象";
    return false;
  }
  if (!QRVResItemBean(copy.get()).CreateResItemCollectCopy(cost_item, budget_item)) {
    LOG(WARNING) << "没有找到副本的归集对象";
    return false;
  }
  templete_record->AddCopy(copy.get());
  object_record->AddCopy(copy.get());
  return true;
}

bool YsRCJCollectWithCB::YSRcjCopyUnCollectToCB(engine::qrv::QRVResItem* cost_item,
                                                engine::ResItem* copy_item) {
  if (!cost_item) {
    LOG(WARNING) << kUnCollectName << "成本人材机为空";
    return false;
  }
  if (!copy_item) {
    LOG(WARNING) << kUnCollectName << "预算副本人材机为空";
    return false;
  }
  // The lists may hold the copy's last references; keep it alive to the end.
  scoped_refptr<engine::ResItem> keep_alive(copy_item);

  if (!TakeOffRecord(QRVResItemBean(cost_item).GetResItemCollectObj(true), copy_item,
                     "没有找到成本的归集对象"))
    return false;

  engine::qrv::QRVResCollectCopy* copy_record = QRVResItemBean(copy_item).GetResItemCollectCopy();
  if (!copy_record) {
    LOG(WARNING) << kUnCollectName << "没有找到副本的归集对象";
    return false;
  }
  engine::ResItem* budget_item = copy_record->GetTempleteResItem();
  if (!budget_item) {
    LOG(WARNING) << kUnCollectName << "没有找到副本的拥有者";
    return false;
  }
  return TakeOffRecord(QRVResItemBean(budget_item).GetResItemCollectTemplete(true), copy_item,
                       "没有找到模板的归集对象");
}

bool YsRCJCollectWithCB::ModifyResItemCollectQuantity(engine::qrv::QRVResItem* cost_item,
                                                      engine::ResItem* copy_item, double quantity,
                                                      double& previous_quantity) {
  if (!copy_item) return false;
  if (std::fabs(quantity) < kZeroTolerance) {
    LOG(WARNING) << kModifyName << "副本人材机的消耗量为为0";
    return false;
  }
  const QRVResItemBean copy_view(copy_item);
  if (!dynamic_cast<engine::qrv::QRVResItem*>(copy_item)) return false;
  engine::qrv::QRVResCollectCopy* copy_record = copy_view.GetResItemCollectCopy();
  if (!copy_record) {
    LOG(WARNING) << kModifyName << "没有找到副本的归集对象";
    return false;
  }
  engine::ResItem* budget_item = copy_record->GetTempleteResItem();
  if (!budget_item) return false;
  // A null cost item matches only a record that names none either.
  if (copy_record->GetCBResItem() != cost_item) {
    LOG(WARNING) << kModifyName << "副本归集的对象不匹配";
    return false;
  }

  const QRVResItemBean budget_view(budget_item);
  const double allowed = budget_view.GetResItemCollectAllowQuantity();
  double current = 0.0;
  if (!copy_item->GetQuantity(current)) return false;
  // The copy's own quantity counts as available again.
  if (std::fabs(quantity) > std::fabs(current + allowed)) {
    LOG(WARNING) << kModifyName << "剩余可归集的数量不足";
    return false;
  }
  const double source = budget_view.GetResItemCollectSrcQuantity();
  if (std::fabs(source) < kZeroTolerance) return false;
  const double ratio = quantity / source;
  if (ratio < 0) {
    LOG(WARNING) << kModifyName << "比例错误剩余可归集的数量不足";
    return false;
  }

  engine::FieldContainer* fields = copy_item->GetFieldContainer();
  if (!fields) return false;
  fields->SetFieldValue(keys::kCollectRatio, engine::FieldValue(ratio), true);
  previous_quantity = current;
  if (cost_item) {
    if (engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem()) {
      entry->Recalculate();
      cost_item->Recalculate();
    }
  }
  return true;
}

}  // namespace qrv
}  // namespace marrow
