#include "funcs/detail/qrv_res_item_detail_func.h"

#include <functional>
#include <set>

#include "host/engine/qrv/qrv_res_item_detail.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/sub_engineering.h"

namespace marrow {
namespace qrv {
namespace {

// The node kind of a bill tree's root.
constexpr int kRootNodeKind = 0;

using ItemSet = std::set<engine::SubEngineering*, std::less<engine::SubEngineering*>>;

bool HasAncestorIn(engine::SubEngineering* item, const ItemSet& items) {
  for (engine::SubEngineering* up = item->GetParent(); up; up = up->GetParent())
    if (items.count(up)) return true;
  return false;
}

// The items of |items| no other one lies under, in address order.
std::vector<engine::SubEngineering*> TopMost(const ItemSet& items) {
  std::vector<engine::SubEngineering*> top;
  for (engine::SubEngineering* item : items)
    if (!HasAncestorIn(item, items)) top.push_back(item);
  return top;
}

// Climbs from |item| to the bill tree root (node kind 0 without parent);
// null when the parents run out first.
engine::SubEngineering* RootOf(engine::SubEngineering* item) {
  engine::SubEngineering* node = item;
  while (node && !(node->GetNodeKind() == kRootNodeKind && !node->GetParent()))
    node = node->GetParent();
  return node;
}

bool IsUnder(engine::SubEngineering* item, engine::SubEngineering* root) {
  for (engine::SubEngineering* node = item; node; node = node->GetParent())
    if (node == root) return true;
  return false;
}

scoped_refptr<engine::ResItemGroup> EmptyGroup() {
  return scoped_refptr<engine::ResItemGroup>(new engine::ResItemGroupImpl());
}

// The shared checks of both classes: the root all of |items| lie under, or
// null.
engine::SubEngineering* CommonRoot(const std::vector<engine::SubEngineering*>& items) {
  if (items.empty()) return nullptr;
  engine::SubEngineering* root = RootOf(items.front());
  if (!root) return nullptr;
  for (engine::SubEngineering* item : items)
    if (!IsUnder(item, root)) return nullptr;
  return root;
}

scoped_refptr<engine::ResItemGroup> Rooted(scoped_refptr<engine::ResItemGroup> group,
                                           engine::SubEngineering* root) {
  if (!group) return EmptyGroup();
  group->SetRootSubEngineering(root);
  return group;
}

}  // namespace

QRVSubEngineeringResItemDetailFunc::QRVSubEngineeringResItemDetailFunc(
    const std::vector<engine::qrv::QRVSubEngineering*>& bills) {
  ItemSet items;
  for (engine::qrv::QRVSubEngineering* bill : bills)
    if (auto* core = dynamic_cast<engine::SubEngineering*>(bill)) items.insert(core);
  for (engine::SubEngineering* item : TopMost(items))
    if (auto* product = dynamic_cast<engine::qrv::QRVSubEngineering*>(item))
      selection_.push_back(product);
}

QRVSubEngineeringResItemDetailFunc::QRVSubEngineeringResItemDetailFunc(
    const QRVSubEngineeringResItemDetailFunc&) = default;
QRVSubEngineeringResItemDetailFunc& QRVSubEngineeringResItemDetailFunc::operator=(
    const QRVSubEngineeringResItemDetailFunc&) = default;
QRVSubEngineeringResItemDetailFunc::~QRVSubEngineeringResItemDetailFunc() = default;

scoped_refptr<engine::ResItemGroup> QRVSubEngineeringResItemDetailFunc::GetQRVResItemDetail(
    engine::ResItemCallBack* callback) {
  if (!callback || selection_.empty()) return EmptyGroup();
  std::vector<engine::SubEngineering*> items;
  for (engine::qrv::QRVSubEngineering* bill : selection_)
    items.push_back(dynamic_cast<engine::SubEngineering*>(bill));
  engine::SubEngineering* root = CommonRoot(items);
  if (!root) return EmptyGroup();
  return Rooted(engine::qrv::internal::GetQRVResItemDetail(selection_, callback), root);
}

QRVDesSubEngineeringResItemDetailFunc::QRVDesSubEngineeringResItemDetailFunc(
    const std::vector<engine::SubEngineering*>& bills) {
  ItemSet items;
  for (engine::SubEngineering* bill : bills)
    if (bill) items.insert(bill);
  selection_ = TopMost(items);
}

QRVDesSubEngineeringResItemDetailFunc::QRVDesSubEngineeringResItemDetailFunc(
    const QRVDesSubEngineeringResItemDetailFunc&) = default;
QRVDesSubEngineeringResItemDetailFunc& QRVDesSubEngineeringResItemDetailFunc::operator=(
    const QRVDesSubEngineeringResItemDetailFunc&) = default;
QRVDesSubEngineeringResItemDetailFunc::~QRVDesSubEngineeringResItemDetailFunc() = default;

scoped_refptr<engine::ResItemGroup> QRVDesSubEngineeringResItemDetailFunc::GetResItemDetail(
    engine::ResItemCallBack* callback) {
  if (!callback || selection_.empty()) return EmptyGroup();
  engine::SubEngineering* root = CommonRoot(selection_);
  if (!root) return EmptyGroup();
  return Rooted(engine::internal::GetResItemDetail(selection_, callback), root);
}

}  // namespace qrv
}  // namespace marrow
