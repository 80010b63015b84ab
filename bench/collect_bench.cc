// Collection through the host's undo stack: 100,000 collect actions on a
// 200,000-line document and their undo, and the cost of one collect against
// the size of the document.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "actions/qrv_res_item_collect_action.h"
#include "bench/bench_util.h"
#include "reference_host/app/undo_stack.h"
#include "reference_host/model/res_item_impl.h"

namespace {

using bench::CollectRequest;

void PushAll(reference_host::UndoStack& stack, const std::vector<CollectRequest>& requests) {
  for (const CollectRequest& request : requests) {
    stack.Push(
        new marrow::qrv::QRVResItemCollectAction(request.cost, request.budget, request.quantity),
        "collect");
  }
}

void UndoAll(reference_host::UndoStack& stack) {
  while (stack.CanUndo()) stack.Undo();
}

// Every request must have made a part; a refused collect would make the
// figures meaningless.
bool AllCollected(reference_host::AppDocumentImpl* document, std::size_t expected) {
  std::size_t collected = 0;
  for (const reference_host::CollectNotification& note : document->collect_notifications())
    collected += note.collected;
  return collected == expected;
}

class Collect100kFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    document_ = bench::SharedDocument("lines-200k", reference_host::OptionsForBudgetLines(200000));
    requests_ = bench::CollectRequests(*document_, 100000);
  }
  void TearDown(const benchmark::State&) override { requests_.clear(); }

 protected:
  void Finish(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * requests_.size());
    state.counters["actions"] = static_cast<double>(requests_.size());
    bench::SetObjectsCounter(state, *document_);
  }

  reference_host::AppDocumentImpl* document_ = nullptr;
  std::vector<CollectRequest> requests_;
};

BENCHMARK_DEFINE_F(Collect100kFixture, PushCollectActions)(benchmark::State& state) {
  if (requests_.size() < 100000) state.SkipWithError("too few collectable lines");
  for (auto _ : state) {
    reference_host::UndoStack stack(document_);
    PushAll(stack, requests_);
    state.PauseTiming();
    if (!AllCollected(document_, requests_.size())) state.SkipWithError("a collect was refused");
    UndoAll(stack);
    stack.Clear();
    document_->ClearNotifications();
    state.ResumeTiming();
  }
  Finish(state);
}
BENCHMARK_REGISTER_F(Collect100kFixture, PushCollectActions)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_DEFINE_F(Collect100kFixture, UndoCollectActions)(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    reference_host::UndoStack stack(document_);
    PushAll(stack, requests_);
    state.ResumeTiming();
    UndoAll(stack);
    state.PauseTiming();
    stack.Clear();
    document_->ClearNotifications();
    state.ResumeTiming();
  }
  Finish(state);
}
BENCHMARK_REGISTER_F(Collect100kFixture, UndoCollectActions)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A fixed batch of collects on documents of 10k, 100k and 1M budget lines:
// the time per collect should not follow the size.
constexpr std::size_t kBatch = 2000;

void BM_CollectBatchByDocumentSize(benchmark::State& state) {
  const std::int64_t lines = state.range(0);
  reference_host::AppDocumentImpl* document = bench::SharedDocument(
      "lines-" + std::to_string(lines), reference_host::OptionsForBudgetLines(lines));
  const std::vector<CollectRequest> requests = bench::CollectRequests(*document, kBatch);
  for (auto _ : state) {
    reference_host::UndoStack stack(document);
    PushAll(stack, requests);
    state.PauseTiming();
    if (!AllCollected(document, requests.size())) state.SkipWithError("a collect was refused");
    UndoAll(stack);
    stack.Clear();
    document->ClearNotifications();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * requests.size());
  state.counters["per_collect"] = benchmark::Counter(
      static_cast<double>(requests.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["lines"] = static_cast<double>(lines);
  bench::SetObjectsCounter(state, *document);
}
BENCHMARK(BM_CollectBatchByDocumentSize)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
