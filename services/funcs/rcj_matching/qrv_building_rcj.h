// Carries out a pairing of budget resources with contract resources: releases
// the links no longer wanted and builds cost lines for the new ones.
#pragma once

#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Apply compares |wanted_links| with |current_links| of a context that
// QRVCollectMatchData::Collect filled, and changes the live document (no
// undo action):
//
// 1. Release first: for every (merged entry, summary) pair no longer wanted,
//    the first budget line of each bill of the summary is unlinked.
// 2. Then build, per sub-project and bill of the newly wanted lines, one
//    cost line in the bill's cost list, attached to the merged entry's first
//    source in that sub-project (a warning when there are several; nothing
//    when there is none):
//    - lines drawn from one budget entry are linked to it (group link), the
//      budget entry records the contract entry's id in
//      "QRV_BindedBaseResItemId", four price fields are copied to the
//      contract entry, and the per-unit content is converted when the units
//      differ (km/m, kg/g, t/kg, 千块/百块/块 and their aliases; an unknown
//      conversion empties the content);
//    - lines drawn from several budget entries are collected into it, each
//      with its whole quantity;
//    and the cost account is brought into agreement: a contract entry
//    without one takes the budget one, else its account is written into
//    the budget entries as "QRV_YSCostAccount".
// Refused links and collections are not reported; the run goes on.
// Log lines: "不存在匹配的成本基础人材机；" (error) for a merged entry
// without sources, "同一个项目节点中有多个相同的基础人材机被合并，此处默认使用第一个；"
// (warning) once per bill whose sub-project holds several sources.
class MARROW_QRV_EXPORT QRVBuildRCJ {
 public:
  QRVBuildRCJ();
  QRVBuildRCJ(const QRVBuildRCJ& other);
  QRVBuildRCJ(QRVBuildRCJ&& other) noexcept;
  QRVBuildRCJ& operator=(const QRVBuildRCJ& other);
  QRVBuildRCJ& operator=(QRVBuildRCJ&& other) noexcept;
  ~QRVBuildRCJ();

  // Reads the context; never changes it.
  void Apply(RCJMatchingContext& context);
};

}  // namespace qrv
}  // namespace marrow
