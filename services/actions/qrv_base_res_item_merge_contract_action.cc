#include "actions/qrv_base_res_item_merge_contract_action.h"

#include <algorithm>
#include <memory>
#include <set>

#include "funcs/qrv_base_res_item_func.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_item.h"

namespace marrow {
namespace qrv {
namespace {

// Built from sorted lines, the set takes each at its end: linear, not n log n.
std::set<engine::qrv::QRVResItem*> LineSet(std::vector<engine::qrv::QRVResItem*> lines) {
  std::sort(lines.begin(), lines.end(), std::less<engine::qrv::QRVResItem*>());
  return std::set<engine::qrv::QRVResItem*>(lines.begin(), lines.end());
}

}  // namespace

QRVBaseResItemMergeContractAction::QRVBaseResItemMergeContractAction(
    engine::qrv::QRVBaseResItem* target, const std::vector<engine::qrv::QRVBaseResItem*>& sources)
    : target_(target) {
  for (engine::qrv::QRVBaseResItem* source : sources) {
    if (!source) continue;
    std::unique_ptr<engine::qrv::QRVResItemIterator> it = source->CreateResItemIterator();
    std::vector<engine::qrv::QRVResItem*>& lines = source_lines_[EntryRef(source)];
    lines.clear();
    if (!it) continue;
    for (it->First(); !it->IsDone(); it->Next())
      if (engine::qrv::QRVResItem* line = it->CurrentItem()) lines.push_back(line);
  }
}

QRVBaseResItemMergeContractAction::~QRVBaseResItemMergeContractAction() = default;

void QRVBaseResItemMergeContractAction::InternalRedo(app::AppDocument* /*document*/) {
  if (!target_ || source_lines_.empty()) return;
  source_groups_.clear();
  QRVBaseResItemFunc func(target_.get());
  for (const auto& [source, lines] : source_lines_) {
    // A source without lines answers false here; it still leaves its group.
    func.MergeContract(LineSet(lines));
    engine::qrv::QRVBaseResItemGroup* group = source->GetGroup();
    source_groups_[source.get()] = group;
    if (group) group->RemoveBaseResItem(source.get());
  }
}

void QRVBaseResItemMergeContractAction::InternalUndo(app::AppDocument* /*document*/) {
  if (!target_ || source_lines_.empty()) return;
  for (const auto& [source, lines] : source_lines_) {
    auto group = source_groups_.find(source.get());
    if (group != source_groups_.end() && group->second)
      group->second->AddBaseResItem(source.get(), nullptr, true);
    for (engine::qrv::QRVResItem* line : lines) {
      target_->RemoveResItem(line);
      source->AddResItem(line);
      line->SetBaseResItem(source.get());
    }
  }
}

}  // namespace qrv
}  // namespace marrow
