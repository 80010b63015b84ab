// A bill's budget fee figures by resource kind ("Labor", "Machine", ...):
// the unit figure and the total figure. Owned by its SubEngineeringImpl.
#pragma once

#include <map>
#include <string>

#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/sub_engineering.h"

namespace reference_host {

class FeeCalcImpl : public engine::SubEngineeringFeeCalc,
                    public engine::qrv::QRVSubEngineeringFeeCalc {
 public:
  FeeCalcImpl() = default;
  ~FeeCalcImpl() override = default;

  // False, |value| untouched, for a kind without a figure.
  bool GetFeeCost(const std::string& kind, double& value) const override;
  bool GetFeeTotalCost(const std::string& kind, double& value) const override;

  void SetFeeCost(const std::string& kind, double value) { unit_[kind] = value; }
  void SetFeeTotalCost(const std::string& kind, double value) { total_[kind] = value; }
  const std::map<std::string, double>& unit_costs() const { return unit_; }
  const std::map<std::string, double>& total_costs() const { return total_; }

 private:
  std::map<std::string, double> unit_;
  std::map<std::string, double> total_;
};

}  // namespace reference_host
