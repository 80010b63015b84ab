#include "reference_host/app/part_ids.h"

#include <algorithm>

#include "host/app/app_document.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/model/res_item_impl.h"

namespace reference_host {
namespace {

std::string IdOf(const engine::DocumentObject* object) {
  return object ? object->GetId() : std::string();
}

PartChange Describe(ResItemImpl* copy) {
  PartChange change{copy, copy->GetId(), std::string(), std::string()};
  if (auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect())) {
    change.budget_id = IdOf(record->GetTempleteResItem());
    change.cost_id = IdOf(record->GetCBResItem());
  }
  return change;
}

}  // namespace

PartWatch::PartWatch(app::AppDocument* document) {
  document_ = document ? dynamic_cast<EstimateDocument*>(document->GetEngineDocument()) : nullptr;
  if (!document_) return;
  outer_ = document_->copy_observer();
  document_->set_copy_observer(this);
}

PartWatch::~PartWatch() { Stop(); }

void PartWatch::Stop() {
  if (document_ && document_->copy_observer() == this) document_->set_copy_observer(outer_);
  document_ = nullptr;
}

PartChanges PartWatch::Take() {
  Stop();
  return std::move(changes_);
}

void PartWatch::CopyEntered(ResItemImpl* copy) {
  changes_.made.push_back(Describe(copy));
  if (outer_) outer_->CopyEntered(copy);
}

void PartWatch::CopyLeft(ResItemImpl* copy) {
  changes_.released.push_back(Describe(copy));
  if (outer_) outer_->CopyLeft(copy);
}

void PartIdKeeper::AfterRedo(EstimateDocument* document, const PartChanges& changes) {
  made_by_redo_ = Rename(document, changes.made, std::move(made_by_redo_));
  released_by_redo_.clear();
  // The latest released goes back first.
  for (auto it = changes.released.rbegin(); it != changes.released.rend(); ++it)
    released_by_redo_[{it->budget_id, it->cost_id}].push_back(it->id);
}

void PartIdKeeper::AfterUndo(EstimateDocument* document, const PartChanges& changes) {
  Rename(document, changes.made, released_by_redo_);
}

PartIdKeeper::IdsByLines PartIdKeeper::Rename(EstimateDocument* document,
                                              const std::vector<PartChange>& made,
                                              IdsByLines wanted) {
  IdsByLines now;
  std::map<Lines, std::size_t> taken;
  for (const PartChange& change : made) {
    ResItemImpl* item = change.item.get();
    // A part made and released again in the same run is gone.
    if (!document || document->FindImpl(item->GetId()) != item) continue;
    const Lines lines{change.budget_id, change.cost_id};
    auto ids = wanted.find(lines);
    if (ids != wanted.end()) {
      std::size_t& next = taken[lines];
      if (next < ids->second.size()) document->Rename(item, ids->second[next++]);
    }
    now[lines].push_back(item->GetId());
  }
  return now;
}

}  // namespace reference_host
