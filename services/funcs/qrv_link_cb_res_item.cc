#include "funcs/qrv_link_cb_res_item.h"

#include <glog/logging.h>

#include <cmath>
#include <string>
#include <utility>

#include "beans/qrv_resitem.h"
#include "beans/qrv_sub_engineering.h"
#include "funcs/number_text.h"
#include "host/base/string_util.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item.h"
#include "host/engine/sub_engineering.h"
#include "internal/qrv_keys.h"

namespace marrow {
namespace qrv {

namespace {

constexpr char kSelfLeaseRevolvingMaterialsForm[] = "SelfLeaseRevolvingMaterialsForm";
constexpr char kSelfLeaseMachineForm[] = "SelfLeaseMachineForm";

std::string PerUnitContent(double quantity, double bill_quantity) {
  if (std::fabs(bill_quantity) < kZeroTolerance) return "0";
  return internal::FormatFixed(quantity / bill_quantity);
}

// A missing bill has no quantity to read.
bool GetBillQuantity(engine::SubEngineering* bill, double& quantity) {
  return bill && bill->GetQuantity(quantity);
}

}  // namespace

ResItemLinkToCB::ResItemLinkToCB() = default;
ResItemLinkToCB::ResItemLinkToCB(const ResItemLinkToCB&) = default;
ResItemLinkToCB::ResItemLinkToCB(ResItemLinkToCB&&) noexcept = default;
ResItemLinkToCB& ResItemLinkToCB::operator=(const ResItemLinkToCB&) = default;
ResItemLinkToCB& ResItemLinkToCB::operator=(ResItemLinkToCB&&) noexcept = default;
ResItemLinkToCB::~ResItemLinkToCB() = default;

bool ResItemLinkToCB::LinkToCB(engine::ResItem* budget_item, Resolver resolver) {
  if (!budget_item) return false;
  const QRVResItemBean budget_view(budget_item);
  if (budget_view.IsCollected()) return false;
  engine::qrv::QRVResItem* cost_item = resolver(budget_item);
  if (!cost_item) return false;
  engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem();

  double quantity = 0.0;
  double bill_quantity = 0.0;
  if (budget_item->GetQuantity(quantity) &&
      GetBillQuantity(budget_view.GetOwnerBill(), bill_quantity)) {
    cost_item->SetContent(PerUnitContent(quantity, bill_quantity));
  }
  if (entry) entry->AddResItem(cost_item);
  return true;
}

bool ResItemLinkToCB::LinkToCB(const std::vector<engine::ResItem*>& budget_items,
                               Resolver resolver) {
  if (budget_items.empty()) return false;

  engine::SubEngineering* group_bill = nullptr;
  for (size_t i = 0; i < budget_items.size(); ++i) {
    engine::ResItem* member = budget_items[i];
    if (!member) {
      LOG(WARNING) << "mergeBingToCB check has null";
      return false;
    }
    const QRVResItemBean view(member);
    if (view.IsCollected()) {
      LOG(WARNING) << "mergeBingToCB 存在已归集的人材机";
      return false;
    }
    engine::SubEngineering* bill = view.GetOwnerBill();
    if (i == 0) {
      group_bill = bill;
    } else if (!bill || bill != group_bill) {
      LOG(WARNING) << "mergeBingToCB check failed";
      return false;
    }
  }

  engine::ResItem* first = budget_items.front();
  engine::qrv::QRVResItem* cost_item = resolver(first);
  if (!cost_item) return false;
  engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem();

  double total = 0.0;
  for (size_t i = 0; i < budget_items.size(); ++i) {
    engine::ResItem* member = budget_items[i];
    if (i != 0) cost_item->AddLinkedResItem(member);
    double quantity = 0.0;
    if (member->GetQuantity(quantity)) total += quantity;
  }

  double bill_quantity = 0.0;
  if (!GetBillQuantity(group_bill, bill_quantity)) bill_quantity = 0.0;
  cost_item->SetContent(PerUnitContent(total, bill_quantity));

  if (!entry) return true;
  entry->AddResItem(cost_item);
  engine::qrv::QRVBaseResItemGroup* group = entry->GetGroup();
  if (group && (group->GetFormName() == kSelfLeaseRevolvingMaterialsForm ||
                group->GetFormName() == kSelfLeaseMachineForm)) {
    double lease_quantity = 0.0;
    const double lease_total =
        entry->GetLeaseQuantity(lease_quantity) ? lease_quantity + total : total;
    entry->SetLeaseQuantityText(base::ToPlainStringWithStripTrailingZeros(lease_total, 4));
  }
  return true;
}

bool ResItemLinkToCB::DeLinkToCB(engine::ResItem* budget_item) {
  engine::SubEngineering* bill = QRVResItemBean(budget_item).GetOwnerBill();
  if (!bill) return false;
  if (bill->GetNodeKind() != engine::kNodeKindBill && !QRVSubEngineeringBean(bill).IsZJCS())
    return false;
  auto* cost_bill = dynamic_cast<engine::qrv::QRVSubEngineering*>(bill);
  if (!cost_bill) return false;
  engine::ResItemList* list = cost_bill->GetCBResItemList();
  if (!list) return false;

  int i = 0;
  engine::qrv::QRVResItem* just_unlinked = nullptr;
  while (i < list->GetCount()) {
    auto* cost_item = dynamic_cast<engine::qrv::QRVResItem*>(list->GetAt(i));
    // The entry may leave the list when unbound, so the same index is looked
    // at again; a host that keeps reporting the link must not hold us here.
    if (cost_item && cost_item != just_unlinked && cost_item->IsLinkedTo(budget_item)) {
      cost_item->RemoveLinkedResItem(budget_item);
      just_unlinked = cost_item;
      continue;
    }
    just_unlinked = nullptr;
    ++i;
  }
  return true;
}

}  // namespace qrv
}  // namespace marrow
