// Linking a large group of budget lines of one bill to one cost line, and
// unlinking them one by one.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "funcs/qrv_link_cb_res_item.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"

namespace {

// One bill holding |members| budget lines and two cost lines, nothing
// collected or linked yet.
reference_host::GeneratorOptions OneLargeBill(int members) {
  reference_host::GeneratorOptions options;
  options.sub_projects = 1;
  options.bills_per_sub_project = 1;
  options.entries_per_bill = 0;
  options.budget_lines_per_bill = members;
  options.cost_lines_per_bill = 2;
  options.contract_entries = 50;
  options.collected_fraction = 0;
  options.linked_fraction = 0;
  return options;
}

class LinkFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State& state) override {
    const int members = static_cast<int>(state.range(0));
    document_ = bench::SharedDocument("one-bill-" + std::to_string(members), OneLargeBill(members));
    members_.clear();
    for (reference_host::ResItemImpl* line : bench::BudgetLines(*document_))
      members_.push_back(line);
    reference_host::SubEngineeringImpl* bill = bench::Bills(*document_).front();
    cost_ = bill->cost_list()->item(0);
  }

 protected:
  bool Link() {
    reference_host::ResItemImpl* cost = cost_;
    // Binding the resolver's own argument is the caller's business.
    auto resolver = [cost](engine::ResItem* first) -> engine::qrv::QRVResItem* {
      cost->AddLinkedResItem(first);
      return cost;
    };
    return marrow::qrv::ResItemLinkToCB().LinkToCB(members_, resolver);
  }
  void Unlink() {
    marrow::qrv::ResItemLinkToCB link;
    for (engine::ResItem* member : members_) link.DeLinkToCB(member);
  }
  void Finish(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * members_.size());
    state.counters["members"] = static_cast<double>(members_.size());
  }

  reference_host::AppDocumentImpl* document_ = nullptr;
  std::vector<engine::ResItem*> members_;
  reference_host::ResItemImpl* cost_ = nullptr;
};

BENCHMARK_DEFINE_F(LinkFixture, GroupLink)(benchmark::State& state) {
  for (auto _ : state) {
    if (!Link()) state.SkipWithError("the group link was refused");
    state.PauseTiming();
    if (cost_->linked_ids().size() != members_.size())
      state.SkipWithError("a member was not linked");
    Unlink();
    state.ResumeTiming();
  }
  Finish(state);
}
BENCHMARK_REGISTER_F(LinkFixture, GroupLink)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

BENCHMARK_DEFINE_F(LinkFixture, UnlinkEachMember)(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    if (!Link()) state.SkipWithError("the group link was refused");
    state.ResumeTiming();
    Unlink();
    state.PauseTiming();
    if (!cost_->linked_ids().empty()) state.SkipWithError("a member stayed linked");
    state.ResumeTiming();
  }
  Finish(state);
}
BENCHMARK_REGISTER_F(LinkFixture, UnlinkEachMember)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
