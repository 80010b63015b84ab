// A bill's budget fee figures by resource kind ("Labor", "Machine", ...):
// the unit figure and the total figure. Owned by its SubEngineeringImpl.
//
// A bill has a handful of kinds, so the figures are one flat array in kind
// order, both figures of a kind side by side under its interned name (as
// field keys are): 24 bytes a kind where two std::maps took 80 a figure.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/sub_engineering.h"

namespace reference_host {

class FeeCalcImpl : public engine::SubEngineeringFeeCalc,
                    public engine::qrv::QRVSubEngineeringFeeCalc {
 public:
  // One side's figures, read in kind order as (kind, figure) pairs.
  class Figures;

  FeeCalcImpl() = default;
  ~FeeCalcImpl() override = default;

  // False, |value| untouched, for a kind without a figure.
  bool GetFeeCost(const std::string& kind, double& value) const override;
  bool GetFeeTotalCost(const std::string& kind, double& value) const override;

  void SetFeeCost(const std::string& kind, double value);
  void SetFeeTotalCost(const std::string& kind, double value);
  Figures unit_costs() const;
  Figures total_costs() const;

 private:
  struct Figure {
    uint32_t kind;  // interned name
    bool has_unit;
    bool has_total;
    double unit;
    double total;
  };
  // The figure of |kind|, made (with neither side set) when missing.
  Figure& FigureOf(const std::string& kind);
  const Figure* Find(const std::string& kind) const;

  std::vector<Figure> figures_;  // in kind order
};

class FeeCalcImpl::Figures {
 public:
  class Iterator {
   public:
    Iterator(const Figure* at, const Figure* end, bool unit) : at_(at), end_(end), unit_(unit) {
      Skip();
    }
    std::pair<const std::string&, const double&> operator*() const;
    Iterator& operator++() {
      ++at_;
      Skip();
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    void Skip() {
      while (at_ != end_ && !(unit_ ? at_->has_unit : at_->has_total)) ++at_;
    }
    const Figure* at_;
    const Figure* end_;
    bool unit_;
  };

  Figures(const std::vector<Figure>& figures, bool unit) : figures_(figures), unit_(unit) {}
  Iterator begin() const { return {figures_.data(), figures_.data() + figures_.size(), unit_}; }
  Iterator end() const {
    const Figure* end = figures_.data() + figures_.size();
    return {end, end, unit_};
  }
  bool empty() const { return !(begin() != end()); }

 private:
  const std::vector<Figure>& figures_;
  bool unit_;
};

}  // namespace reference_host
