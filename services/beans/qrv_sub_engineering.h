// A view over one sub-engineering (a bill or an entry under a bill): its
// budget fee figures by resource kind, the cost accounts of its resource lines
// and the lump-sum measure test. Holds one non-owning pointer; copy freely.
#pragma once

#include <cstddef>
#include <set>
#include <string>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Every query on an empty view answers false or nothing.
class MARROW_QRV_EXPORT QRVSubEngineeringBean {
 public:
  explicit QRVSubEngineeringBean(engine::qrv::QRVSubEngineering* sub_engineering);
  // Cross casts to the product facet; null when the cast fails.
  explicit QRVSubEngineeringBean(engine::SubEngineering* sub_engineering);
  explicit QRVSubEngineeringBean(std::nullptr_t);
  QRVSubEngineeringBean(const QRVSubEngineeringBean& other);
  QRVSubEngineeringBean& operator=(const QRVSubEngineeringBean& other);
  ~QRVSubEngineeringBean();

  // The budget fee figure behind a budget detail field name ("YSMXLabor",
  // "YSMXLaborTotal", ...). False, |value| untouched, for any other name or
  // when the figure cannot be read.
  bool GetYSFieldValue(const std::string& field_name, double& value);
  // Inserts the cost account codes of the resource lines directly under the
  // item and, with |include_children|, of the whole subtree (depth first).
  void GetYSAllResCostAccount(std::set<std::string>& codes, bool include_children);
  // A lump-sum measure item: measure kind 16 with a parent, or measure kind 3
  // under a parent of measure kind 3.
  bool IsZJCS() const;

 protected:
  bool GetYSFieldCost(const std::string& field_name, double& value);
  bool GetYSFieldTotalCost(const std::string& field_name, double& value);
  bool GetYSFeeCost(const std::string& kind, double& value);
  bool GetYSFeeTotalCost(const std::string& kind, double& value);

 private:
  engine::qrv::QRVSubEngineering* sub_engineering_;
};

}  // namespace qrv
}  // namespace marrow
