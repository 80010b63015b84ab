#include "reference_host/model/fee_calc_impl.h"

#include <algorithm>

#include "reference_host/model/field_container_impl.h"

namespace reference_host {
namespace {

// Kinds compare by name, as the keys of the maps the figures were kept in did.
struct ByName {
  template <class Figure>
  bool operator()(const Figure& figure, const std::string& kind) const {
    return FieldKeyName(figure.kind) < kind;
  }
};

}  // namespace

const FeeCalcImpl::Figure* FeeCalcImpl::Find(const std::string& kind) const {
  auto it = std::lower_bound(figures_.begin(), figures_.end(), kind, ByName());
  return it != figures_.end() && FieldKeyName(it->kind) == kind ? &*it : nullptr;
}

FeeCalcImpl::Figure& FeeCalcImpl::FigureOf(const std::string& kind) {
  auto it = std::lower_bound(figures_.begin(), figures_.end(), kind, ByName());
  if (it != figures_.end() && FieldKeyName(it->kind) == kind) return *it;
  // Bills have a few kinds: grow by little.
  if (figures_.size() == figures_.capacity()) {
    const size_t index = it - figures_.begin();
    figures_.reserve(figures_.size() + 3);
    it = figures_.begin() + index;
  }
  return *figures_.insert(it, Figure{InternFieldKey(kind), false, false, 0.0, 0.0});
}

bool FeeCalcImpl::GetFeeCost(const std::string& kind, double& value) const {
  const Figure* figure = Find(kind);
  if (!figure || !figure->has_unit) return false;
  value = figure->unit;
  return true;
}

bool FeeCalcImpl::GetFeeTotalCost(const std::string& kind, double& value) const {
  const Figure* figure = Find(kind);
  if (!figure || !figure->has_total) return false;
  value = figure->total;
  return true;
}

void FeeCalcImpl::SetFeeCost(const std::string& kind, double value) {
  Figure& figure = FigureOf(kind);
  figure.unit = value;
  figure.has_unit = true;
}

void FeeCalcImpl::SetFeeTotalCost(const std::string& kind, double value) {
  Figure& figure = FigureOf(kind);
  figure.total = value;
  figure.has_total = true;
}

FeeCalcImpl::Figures FeeCalcImpl::unit_costs() const { return Figures(figures_, true); }
FeeCalcImpl::Figures FeeCalcImpl::total_costs() const { return Figures(figures_, false); }

std::pair<const std::string&, const double&> FeeCalcImpl::Figures::Iterator::operator*() const {
  return {FieldKeyName(at_->kind), unit_ ? at_->unit : at_->total};
}

}  // namespace reference_host
