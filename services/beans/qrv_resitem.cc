#include "beans/qrv_resitem.h"

#include <glog/logging.h>

#include <cmath>

#include "beans/qrv_sub_engineering.h"
#include "host/app/factories.h"
#include "host/app/qrv/qrv_application.h"
#include "host/base/ref_counted.h"
#include "host/engine/base_res_item.h"
#include "host/engine/document_object.h"
#include "host/engine/factory.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_cost_account.h"
#include "host/engine/qrv/qrv_factory.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item.h"
#include "host/engine/sub_engineering.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"

namespace marrow {
namespace qrv {

namespace {

constexpr char kSubcontractResType[] = "FB";

engine::qrv::QRVResCollectCopy* CopyRecordOf(engine::ResItem* copy) {
  return copy ? QRVResItemBean(copy).GetResItemCollectCopy() : nullptr;
}

// The item's record seen as |Record|. Only an item without any record gets a
// new one, and only when |create| asks for it.
template <class Record>
Record* RecordOf(engine::qrv::QRVResItem* item, bool create,
                 Record* (engine::qrv::QRVFactory::*make)(), engine::DocumentObject* owner) {
  if (!item) return nullptr;
  if (engine::qrv::QRVResCollect* record = item->GetCollect()) return dynamic_cast<Record*>(record);
  if (!create) return nullptr;
  engine::qrv::QRVFactory* factory = app::qrv::GetQRVFactory();
  if (!factory) return nullptr;
  Record* record = (factory->*make)();
  if (!record) return nullptr;
  record->SetOwner(owner);
  item->SetCollect(record);
  return record;
}

// Calls |visit| with each copy of |templete|, in list order, that carries a
// copy record naming a cost item, and with that cost item.
template <class Visit>
void ForEachCollectedCopy(engine::qrv::QRVResCollectTemplete* templete, Visit visit) {
  if (!templete) return;
  std::vector<engine::ResItem*> copies;
  templete->GetCopies(copies);
  for (engine::ResItem* copy : copies) {
    engine::qrv::QRVResCollectCopy* record = CopyRecordOf(copy);
    if (!record) continue;
    if (engine::qrv::QRVResItem* cost_item = record->GetCBResItem()) visit(copy, cost_item);
  }
}

// Resolves |account_id| through |item|'s document and inserts its code.
void InsertCostAccountCode(const engine::qrv::QRVResItem* item, const std::string& account_id,
                           std::set<std::string>& codes) {
  if (account_id.empty()) return;
  engine::Document* document = item->GetDocument();
  if (!document) return;
  auto* account = dynamic_cast<engine::qrv::QRVCostAccount*>(document->FindObjectById(account_id));
  if (account) codes.insert(account->GetCode());
}

}  // namespace

QRVResItemBean::QRVResItemBean(engine::qrv::QRVResItem* item) : item_(item) {}

QRVResItemBean::QRVResItemBean(engine::ResItem* item)
    : item_(dynamic_cast<engine::qrv::QRVResItem*>(item)) {}

QRVResItemBean::QRVResItemBean(std::nullptr_t) : item_(nullptr) {}

QRVResItemBean::QRVResItemBean(const QRVResItemBean& other) = default;

QRVResItemBean& QRVResItemBean::operator=(const QRVResItemBean& other) = default;

QRVResItemBean::~QRVResItemBean() = default;

bool QRVResItemBean::IsUsedByYS() const {
  if (!item_) return false;
  engine::qrv::QRVBaseResItem* entry = item_->GetBaseResItem();
  if (!entry) return false;
  const engine::DocumentObject* group = entry->GetGroup();
  return entry->GetOwner() != group;
}

bool QRVResItemBean::IsCollected() const {
  if (!IsUsedByYS()) return false;
  engine::qrv::QRVResCollect* record = item_->GetCollect();
  if (!record || record->GetCollectType() != engine::qrv::kCollectTypeTemplete) return false;
  auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record);
  return templete && templete->IsCollected();
}

bool QRVResItemBean::IsBindWithCBRCJ() const { return GetLinkedCBRes() != nullptr; }

engine::qrv::QRVResItem* QRVResItemBean::GetLinkedCBRes() const {
  if (!item_) return nullptr;
  auto* bill = dynamic_cast<engine::qrv::QRVSubEngineering*>(GetOwnerBill());
  if (!bill) return nullptr;
  engine::ResItemList* list = bill->GetCBResItemList();
  if (!list) return nullptr;
  const engine::ResItem* core = item_->GetResItem();
  for (int i = 0; i < list->GetCount(); ++i) {
    auto* cost_item = dynamic_cast<engine::qrv::QRVResItem*>(list->GetAt(i));
    if (cost_item && cost_item->IsLinkedTo(core)) return cost_item;
  }
  return nullptr;
}

engine::SubEngineering* QRVResItemBean::GetOwnerBill() const {
  if (!item_) return nullptr;
  engine::ResItemList* list = item_->GetOwnerList();
  if (!list) return nullptr;
  auto* owner = dynamic_cast<engine::SubEngineering*>(list->GetOwner());
  if (!owner) return nullptr;
  switch (owner->GetNodeKind()) {
    case engine::kNodeKindEntry:
    case engine::kNodeKindSubEntry:
      return owner->GetParent();
    case engine::kNodeKindBill:
      return owner;
    default:
      return QRVSubEngineeringBean(owner).IsZJCS() ? owner : nullptr;
  }
}

engine::ResItem* QRVResItemBean::GetResItemTemplete() const {
  engine::qrv::QRVResCollectCopy* record = GetResItemCollectCopy();
  return record ? record->GetTempleteResItem() : nullptr;
}

engine::qrv::QRVResCollectObj* QRVResItemBean::GetResItemCollectObj(bool create) const {
  return RecordOf<engine::qrv::QRVResCollectObj>(
      item_, create, &engine::qrv::QRVFactory::CreateResCollectObj, item_);
}

engine::qrv::QRVResCollectCopy* QRVResItemBean::GetResItemCollectCopy() const {
  if (!item_) return nullptr;
  return dynamic_cast<engine::qrv::QRVResCollectCopy*>(item_->GetCollect());
}

engine::qrv::QRVResCollectTemplete* QRVResItemBean::GetResItemCollectTemplete(bool create) const {
  return RecordOf<engine::qrv::QRVResCollectTemplete>(
      item_, create, &engine::qrv::QRVFactory::CreateResCollectTemplete,
      item_ ? item_->GetResItem() : nullptr);
}

engine::qrv::QRVResCollectCopy* QRVResItemBean::CreateResItemCollectCopy(
    engine::qrv::QRVResItem* cost_item, engine::ResItem* budget_item) const {
  if (!item_ || !cost_item || !budget_item) {
    LOG(WARNING) << " CreateResItemCollectCopy 参数错误";
    return nullptr;
  }
  if (item_->GetCollect()) {
    LOG(WARNING) << " CreateResItemCollectCopy 副本人材机已存在归集对象";
    return nullptr;
  }
  engine::qrv::QRVFactory* factory = app::qrv::GetQRVFactory();
  if (!factory) return nullptr;
  engine::qrv::QRVResCollectCopy* record = factory->CreateResCollectCopy();
  if (!record) return nullptr;
  record->SetCBResItem(cost_item);
  record->SetTempleteResItem(budget_item);
  record->SetOwner(item_->GetResItem());
  item_->SetCollect(record);
  return record;
}

engine::ResItem* QRVResItemBean::CreateResItemCopy(double quantity) const {
  if (!item_) return nullptr;
  engine::ResItem* source = item_->GetResItem();
  if (!source) return nullptr;
  if (std::fabs(quantity) < kZeroTolerance) return nullptr;
  double source_quantity = 0.0;
  if (!source->GetQuantity(source_quantity) || std::fabs(source_quantity) < kZeroTolerance)
    return nullptr;
  const double ratio = quantity / source_quantity;
  if (ratio <= 0) return nullptr;

  engine::Factory* factory = app::GetEngineFactory();
  if (!factory) return nullptr;
  engine::ResItem* copy = factory->CreateResItem();
  if (!copy) return nullptr;
  copy->CopyFrom(source);
  copy->ResetOwnerRef(0);
  copy->SetSourceRef(source->GetSourceRef());
  engine::FieldContainer* fields = copy->GetFieldContainer();
  if (!fields) {
    // A copy that cannot carry its ratio is useless; the first reference we
    // take is the last, which frees it.
    scoped_refptr<engine::ResItem> discard(copy);
    return nullptr;
  }
  fields->SetFieldValue(keys::kCollectRatio, engine::FieldValue(ratio), true);
  return copy;
}

double QRVResItemBean::GetResItemCollectSrcQuantity() const {
  if (!item_) return 0.0;
  engine::ResItem* core = item_->GetResItem();
  double quantity = 0.0;
  if (!core || !core->GetQuantity(quantity)) return 0.0;
  return quantity;
}

double QRVResItemBean::GetResItemCollectedQuantity(int mode) const {
  double sum = 0.0;
  ForEachCollectedCopy(GetResItemCollectTemplete(false), [&](engine::ResItem* copy,
                                                             engine::qrv::QRVResItem* cost_item) {
    if (mode == 1 || mode == 2) {
      // A cost item without a base entry has no type: it is not "FB".
      engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem();
      const bool subcontract = entry && entry->GetResType() == kSubcontractResType;
      if (mode == 1 ? !subcontract : subcontract) return;
    }
    double quantity = 0.0;
    if (copy->GetQuantity(quantity)) sum += quantity;
  });
  return sum;
}

double QRVResItemBean::GetResItemCollectAllowQuantity() const {
  const double source = GetResItemCollectSrcQuantity();
  if (std::fabs(source) < kCollectTolerance) return 0.0;
  if (GetLinkedCBRes()) return 0.0;
  const double collected = GetResItemCollectedQuantity(0);
  if (std::fabs(collected) >= kCollectTolerance)
    return std::fabs(collected) >= std::fabs(source) ? 0.0 : source - collected;
  engine::qrv::QRVResCollect* record = item_->GetCollect();
  if (!record || record->GetCollectType() == engine::qrv::kCollectTypeTemplete) return source;
  return 0.0;
}

void QRVResItemBean::GetResItemCollectedCostAccountQuantity(
    std::map<std::string, double>& quantities) {
  ForEachCollectedCopy(GetResItemCollectTemplete(false), [&](engine::ResItem* copy,
                                                             engine::qrv::QRVResItem* cost_item) {
    engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem();
    double quantity = 0.0;
    if (!entry || !copy->GetQuantity(quantity)) return;
    std::string code;
    const std::string account_id = entry->GetCostAccount();
    engine::Document* document = entry->GetDocument();
    if (!account_id.empty() && document) {
      auto* account =
          dynamic_cast<engine::qrv::QRVCostAccount*>(document->FindObjectById(account_id));
      if (account) code = account->GetCode();
    }
    quantities[code] += quantity;
  });
}

void QRVResItemBean::GetCollectedCBResItem(std::vector<engine::qrv::QRVResItem*>& cost_items) {
  if (!IsUsedByYS()) return;
  if (!dynamic_cast<engine::ResItem*>(item_)) return;
  ForEachCollectedCopy(GetResItemCollectTemplete(false),
                       [&](engine::ResItem*, engine::qrv::QRVResItem* cost_item) {
                         cost_items.push_back(cost_item);
                       });
}

void QRVResItemBean::GetCopyResFromQRVResItem(std::vector<engine::ResItem*>& copies) {
  engine::qrv::QRVResCollectObj* record = GetResItemCollectObj(false);
  if (record) record->GetCopies(copies);
}

void QRVResItemBean::GetCostAccount(std::set<std::string>& codes) {
  if (!item_ || !item_->GetDocument()) return;

  if (!IsUsedByYS()) {
    if (engine::qrv::QRVBaseResItem* entry = item_->GetBaseResItem())
      InsertCostAccountCode(item_, entry->GetCostAccount(), codes);
    return;
  }

  if (engine::qrv::QRVResItem* linked = GetLinkedCBRes()) {
    if (engine::qrv::QRVBaseResItem* entry = linked->GetBaseResItem())
      InsertCostAccountCode(item_, entry->GetCostAccount(), codes);
    return;
  }

  if (!IsCollected()) {
    engine::ResItem* core = item_->GetResItem();
    engine::BaseResItem* entry = core ? core->GetBaseResItem() : nullptr;
    if (!entry) return;
    if (std::fabs(GetResItemCollectAllowQuantity()) <= kZeroTolerance) return;
    const std::string account_id =
        internal::GetTextField(entry->GetFieldContainer(), keys::kYSCostAccount);
    InsertCostAccountCode(item_, account_id, codes);
    return;
  }

  // Only the collected parts count; an uncollected remainder adds no account.
  std::vector<engine::qrv::QRVResItem*> cost_items;
  GetCollectedCBResItem(cost_items);
  for (engine::qrv::QRVResItem* cost_item : cost_items) {
    if (engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem())
      InsertCostAccountCode(item_, entry->GetCostAccount(), codes);
  }
}

}  // namespace qrv
}  // namespace marrow
