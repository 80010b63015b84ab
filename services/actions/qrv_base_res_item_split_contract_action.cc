#include "actions/qrv_base_res_item_split_contract_action.h"

#include <algorithm>
#include <functional>
#include <set>

#include "funcs/qrv_base_res_item_func.h"
#include "host/engine/qrv/qrv_base_res_item.h"

namespace marrow {
namespace qrv {

QRVBaseResItemSplitContractAction::QRVBaseResItemSplitContractAction(
    engine::qrv::QRVBaseResItem* donor, const std::vector<engine::qrv::QRVResItem*>& lines)
    : lines_(lines), donor_(donor) {}

QRVBaseResItemSplitContractAction::~QRVBaseResItemSplitContractAction() = default;

void QRVBaseResItemSplitContractAction::InternalRedo(app::AppDocument* /*document*/) {
  if (!ready_ || lines_.empty() || !donor_) return;
  split_item_ = QRVBaseResItemFunc(donor_).SplitContract(lines_);
}

void QRVBaseResItemSplitContractAction::InternalUndo(app::AppDocument* /*document*/) {
  if (!ready_ || !split_item_ || !donor_ || lines_.empty()) return;
  // Built from sorted lines, the set takes each at its end: linear.
  std::vector<engine::qrv::QRVResItem*> sorted = lines_;
  std::sort(sorted.begin(), sorted.end(), std::less<engine::qrv::QRVResItem*>());
  ready_ = QRVBaseResItemFunc(donor_).MergeContract(
      std::set<engine::qrv::QRVResItem*>(sorted.begin(), sorted.end()));
  if (!ready_ || split_item_->HasResItem()) return;
  if (engine::qrv::QRVBaseResItemGroup* group = split_item_->GetGroup())
    group->RemoveBaseResItem(split_item_);
  split_item_ = nullptr;
}

}  // namespace qrv
}  // namespace marrow
