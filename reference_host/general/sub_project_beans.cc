// The reference host's general-services view of a sub-project: the overview
// areas are the sub-project's number fields "BuildingArea",
// "UponBuildingArea" and "UnderBuildingArea"; a subtitle is a free bill item
// of node kind 1 with a fresh id.
#include "host/marrow/sub_project_beans.h"

#include "reference_host/model/field_keys.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace marrow {
namespace {

constexpr int kSubtitleNodeKind = 1;

bool ReadArea(engine::SubProject* sub_project, const char* key, double& area) {
  if (!sub_project) return false;
  engine::FieldValue value;
  if (!sub_project->GetFieldContainer()->GetFieldValue(key, value)) return false;
  if (value.IsDouble()) {
    area = value.GetDouble();
  } else if (value.IsInt()) {
    area = value.GetInt();
  } else {
    return false;
  }
  return true;
}

void WriteArea(engine::SubProject* sub_project, const char* key, double area) {
  if (sub_project) sub_project->GetFieldContainer()->SetFieldValue(key, area, true);
}

}  // namespace

bool SubProjectBeans::GetBuildingArea(double& area) const {
  return ReadArea(sub_project_, reference_host::keys::kBuildingArea, area);
}
bool SubProjectBeans::GetUponBuildingArea(double& area) const {
  return ReadArea(sub_project_, reference_host::keys::kUponBuildingArea, area);
}
bool SubProjectBeans::GetUnderBuildingArea(double& area) const {
  return ReadArea(sub_project_, reference_host::keys::kUnderBuildingArea, area);
}
void SubProjectBeans::SetBuildingArea(double area) {
  WriteArea(sub_project_, reference_host::keys::kBuildingArea, area);
}
void SubProjectBeans::SetUponBuildingArea(double area) {
  WriteArea(sub_project_, reference_host::keys::kUponBuildingArea, area);
}
void SubProjectBeans::SetUnderBuildingArea(double area) {
  WriteArea(sub_project_, reference_host::keys::kUnderBuildingArea, area);
}

scoped_refptr<engine::SubEngineering> SubProjectBeans::CreateSubtitle() const {
  if (!dynamic_cast<reference_host::SubProjectImpl*>(sub_project_)) return nullptr;
  return scoped_refptr<engine::SubEngineering>(
      new reference_host::SubEngineeringImpl(std::string(), kSubtitleNodeKind));
}

}  // namespace marrow
