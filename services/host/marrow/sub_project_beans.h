// The general services library's view of one sub-project: its overview
// building areas and the making of a subtitle bill item. A value made on the
// stack for one use; the sub-project is not owned and may be null, in which
// case every read answers false and every change does nothing.
#pragma once

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {
class SubEngineering;
class SubProject;
}  // namespace engine

namespace marrow {

class MARROW_HOST_API SubProjectBeans {
 public:
  explicit SubProjectBeans(engine::SubProject* sub_project) : sub_project_(sub_project) {}

  // Each fills |area| and answers true when the sub-project has that area.
  bool GetBuildingArea(double& area) const;
  bool GetUponBuildingArea(double& area) const;
  bool GetUnderBuildingArea(double& area) const;
  void SetBuildingArea(double area);
  void SetUponBuildingArea(double area);
  void SetUnderBuildingArea(double area);

  // A new subtitle bill item of the sub-project, not yet placed in any tree;
  // the caller's reference keeps it until it is placed. Null without a
  // sub-project the host knows.
  scoped_refptr<engine::SubEngineering> CreateSubtitle() const;

 private:
  engine::SubProject* sub_project_;
};

}  // namespace marrow
