#include "reference_host/model/grouped_item_set_impl.h"

#include "reference_host/model/project_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace reference_host {

GroupedItemSetImpl::GroupedItemSetImpl(SubProjectImpl* owner) : owner_(owner), groups_(owner) {}

const ProjectImpl* GroupedItemSetImpl::ProjectOfRoot() const {
  const ProjectImpl* project = dynamic_cast<ProjectImpl*>(owner_->owner());
  return project && project->GetRootSubProject() == owner_ ? project : nullptr;
}

BaseResItemGroupImpl* GroupedItemSetImpl::FindGroupById(const std::string& id) const {
  for (int i = 0; i < GetGroupCount(); ++i) {
    BaseResItemGroupImpl* group = GetGroupAt(i);
    if (group->GetId() == id) return group;
  }
  return nullptr;
}

int GroupedItemSetImpl::GetGroupCount() const {
  const ProjectImpl* project = ProjectOfRoot();
  return groups_.size() + (project ? project->GetBaseResItemGroupCount() : 0);
}

BaseResItemGroupImpl* GroupedItemSetImpl::GetGroupAt(int index) const {
  if (index < groups_.size()) return groups_.at(index);
  const ProjectImpl* project = ProjectOfRoot();
  return project ? project->GetBaseResItemGroup(index - groups_.size()) : nullptr;
}

}  // namespace reference_host
