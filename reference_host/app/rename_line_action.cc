#include "reference_host/app/rename_line_action.h"

#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace reference_host {

RenameLineAction::RenameLineAction(ResItemImpl* line, std::string name, Rename rename)
    : line_(line), name_(std::move(name)), rename_(std::move(rename)) {}

RenameLineAction::~RenameLineAction() = default;

void RenameLineAction::InternalRedo(app::AppDocument* /*document*/) {
  if (!line_ || !rename_) return;
  before_.clear();
  added_.reset();
  before_.emplace_back(line_, line_->GetBaseResItem());
  if (auto* templete = dynamic_cast<ResCollectTempleteImpl*>(line_->GetCollect()))
    for (const auto& copy : templete->listed_copies())
      before_.emplace_back(copy, copy->GetBaseResItem());
  SubEngineeringImpl* bill = line_->owner_sub_engineering();
  SubProjectImpl* sub_project = bill ? bill->sub_project() : nullptr;
  summary_ = sub_project ? sub_project->summary() : nullptr;
  const int size_before = summary_ ? summary_->size() : 0;

  rename_(line_.get(), name_);

  // A new entry joins the summary at its end.
  if (summary_ && summary_->size() == size_before + 1) added_ = summary_->entry(size_before);
}

void RenameLineAction::InternalUndo(app::AppDocument* /*document*/) {
  for (auto& [item, entry] : before_) item->SetBaseResItem(entry.get());
  if (summary_ && added_) summary_->Remove(added_.get());
  added_.reset();
}

}  // namespace reference_host
