// Read-side views over every line and every bill of a 200,000-line document.
#include <benchmark/benchmark.h>

#include <set>
#include <string>
#include <vector>

#include "beans/qrv_resitem.h"
#include "beans/qrv_sub_engineering.h"
#include "bench/bench_util.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/sub_engineering_impl.h"

namespace {

reference_host::AppDocumentImpl* Lines200k() {
  return bench::SharedDocument("lines-200k", reference_host::OptionsForBudgetLines(200000));
}

class ViewFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    document_ = Lines200k();
    lines_ = bench::ListedLines(*document_);
    bills_ = bench::Bills(*document_);
  }
  void TearDown(const benchmark::State&) override {
    lines_.clear();
    bills_.clear();
  }

 protected:
  void Finish(benchmark::State& state, std::size_t per_iteration) {
    state.SetItemsProcessed(state.iterations() * per_iteration);
    state.counters["lines"] = static_cast<double>(lines_.size());
    bench::SetObjectsCounter(state, *document_);
  }

  reference_host::AppDocumentImpl* document_ = nullptr;
  std::vector<reference_host::ResItemImpl*> lines_;  // budget and cost lines
  std::vector<reference_host::SubEngineeringImpl*> bills_;
};

BENCHMARK_DEFINE_F(ViewFixture, IsUsedByYS)(benchmark::State& state) {
  for (auto _ : state) {
    int budget = 0;
    for (reference_host::ResItemImpl* line : lines_)
      budget += marrow::qrv::QRVResItemBean(static_cast<engine::ResItem*>(line)).IsUsedByYS();
    benchmark::DoNotOptimize(budget);
  }
  Finish(state, lines_.size());
}
BENCHMARK_REGISTER_F(ViewFixture, IsUsedByYS)->Unit(benchmark::kMillisecond)->MinTime(0.5);

BENCHMARK_DEFINE_F(ViewFixture, GetResItemCollectAllowQuantity)(benchmark::State& state) {
  for (auto _ : state) {
    double allowed = 0;
    for (reference_host::ResItemImpl* line : lines_)
      allowed += marrow::qrv::QRVResItemBean(static_cast<engine::ResItem*>(line))
                     .GetResItemCollectAllowQuantity();
    benchmark::DoNotOptimize(allowed);
  }
  Finish(state, lines_.size());
}
BENCHMARK_REGISTER_F(ViewFixture, GetResItemCollectAllowQuantity)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

BENCHMARK_DEFINE_F(ViewFixture, GetCostAccount)(benchmark::State& state) {
  std::set<std::string> codes;
  for (auto _ : state) {
    std::size_t total = 0;
    for (reference_host::ResItemImpl* line : lines_) {
      codes.clear();
      marrow::qrv::QRVResItemBean(static_cast<engine::ResItem*>(line)).GetCostAccount(codes);
      total += codes.size();
    }
    benchmark::DoNotOptimize(total);
  }
  Finish(state, lines_.size());
}
BENCHMARK_REGISTER_F(ViewFixture, GetCostAccount)->Unit(benchmark::kMillisecond)->MinTime(0.5);

BENCHMARK_DEFINE_F(ViewFixture, GetYSAllResCostAccountPerBill)(benchmark::State& state) {
  std::set<std::string> codes;
  for (auto _ : state) {
    std::size_t total = 0;
    for (reference_host::SubEngineeringImpl* bill : bills_) {
      codes.clear();
      marrow::qrv::QRVSubEngineeringBean(static_cast<engine::SubEngineering*>(bill))
          .GetYSAllResCostAccount(codes, true);
      total += codes.size();
    }
    benchmark::DoNotOptimize(total);
  }
  Finish(state, bills_.size());
  state.counters["bills"] = static_cast<double>(bills_.size());
}
BENCHMARK_REGISTER_F(ViewFixture, GetYSAllResCostAccountPerBill)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

}  // namespace
