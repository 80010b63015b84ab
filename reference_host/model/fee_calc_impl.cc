#include "reference_host/model/fee_calc_impl.h"

namespace reference_host {

bool FeeCalcImpl::GetFeeCost(const std::string& kind, double& value) const {
  auto it = unit_.find(kind);
  if (it == unit_.end()) return false;
  value = it->second;
  return true;
}

bool FeeCalcImpl::GetFeeTotalCost(const std::string& kind, double& value) const {
  auto it = total_.find(kind);
  if (it == total_.end()) return false;
  value = it->second;
  return true;
}

}  // namespace reference_host
