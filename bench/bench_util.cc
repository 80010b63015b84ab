#include "bench/bench_util.h"

#include <glog/logging.h>

#include <algorithm>
#include <list>
#include <memory>
#include <utility>

#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/table_impl.h"

namespace bench {
namespace {

constexpr std::size_t kKeptDocuments = 3;

struct Cached {
  std::string name;
  std::unique_ptr<reference_host::AppDocumentImpl> document;
};

// Never destroyed: tearing down gigabytes of generated documents object by
// object at exit would only add to the run time.
std::list<Cached>& Cache() {
  static auto* cache = new std::list<Cached>;
  return *cache;
}

template <class T>
std::vector<T*> AllOf(const reference_host::AppDocumentImpl& document) {
  std::vector<engine::DocumentObject*> objects;
  document.document()->GetAllObjects(objects);
  std::vector<T*> found;
  for (engine::DocumentObject* object : objects)
    if (auto* typed = dynamic_cast<T*>(object)) found.push_back(typed);
  return found;
}

}  // namespace

reference_host::AppDocumentImpl* SharedDocument(const std::string& name,
                                                const reference_host::GeneratorOptions& options) {
  std::list<Cached>& cache = Cache();
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->name != name) continue;
    cache.splice(cache.begin(), cache, it);
    return cache.front().document.get();
  }
  while (cache.size() >= kKeptDocuments) cache.pop_back();
  cache.push_front({name, reference_host::GenerateDocument(options)});
  return cache.front().document.get();
}

reference_host::AppDocumentImpl* ObjectsDocument(std::int64_t objects) {
  return SharedDocument("objects-" + std::to_string(objects),
                        reference_host::OptionsForObjects(objects));
}

std::vector<reference_host::ResItemImpl*> BudgetLines(
    const reference_host::AppDocumentImpl& document) {
  std::vector<reference_host::ResItemImpl*> lines;
  for (reference_host::ResItemImpl* line : AllOf<reference_host::ResItemImpl>(document))
    if (line->owner_list() &&
        line->owner_list()->side() == reference_host::ResItemListImpl::Side::kBudget)
      lines.push_back(line);
  return lines;
}

std::vector<reference_host::ResItemImpl*> ListedLines(
    const reference_host::AppDocumentImpl& document) {
  std::vector<reference_host::ResItemImpl*> lines;
  for (reference_host::ResItemImpl* line : AllOf<reference_host::ResItemImpl>(document))
    if (line->owner_list()) lines.push_back(line);
  return lines;
}

std::vector<reference_host::SubEngineeringImpl*> Bills(
    const reference_host::AppDocumentImpl& document) {
  std::vector<reference_host::SubEngineeringImpl*> bills;
  for (reference_host::SubEngineeringImpl* item :
       AllOf<reference_host::SubEngineeringImpl>(document))
    if (item->GetNodeKind() == engine::kNodeKindBill) bills.push_back(item);
  return bills;
}

std::vector<reference_host::TupleImpl*> Rows(const reference_host::AppDocumentImpl& document) {
  return AllOf<reference_host::TupleImpl>(document);
}

std::vector<CollectRequest> CollectRequests(const reference_host::AppDocumentImpl& document,
                                            std::size_t count) {
  std::vector<CollectRequest> eligible;
  for (reference_host::ResItemImpl* line : BudgetLines(document)) {
    // An earlier run's undo leaves an empty templete record behind: such a
    // line is as good as new.
    auto* templete = dynamic_cast<reference_host::ResCollectTempleteImpl*>(line->GetCollect());
    if (line->GetCollect() && (!templete || !templete->listed_copies().empty())) continue;
    reference_host::SubEngineeringImpl* holder = line->owner_sub_engineering();
    reference_host::SubEngineeringImpl* bill =
        holder && holder->GetNodeKind() != engine::kNodeKindBill ? holder->GetParent() : holder;
    if (!bill || !bill->cost_list()) continue;
    reference_host::ResItemImpl* target = nullptr;
    bool linked = false;
    for (int i = 0; i < bill->cost_list()->size(); ++i) {
      reference_host::ResItemImpl* cost = bill->cost_list()->item(i);
      if (cost->IsLinkedTo(line)) linked = true;
      if (!target && cost->CanBeCollectTarget()) target = cost;
    }
    double quantity = 0;
    if (linked || !target || !line->GetQuantity(quantity) || quantity < 0.001) continue;
    eligible.push_back({target, line, quantity / 2});
  }
  if (eligible.size() <= count) return eligible;
  std::vector<CollectRequest> spread;
  spread.reserve(count);
  for (std::size_t i = 0; i < count; ++i) spread.push_back(eligible[i * eligible.size() / count]);
  return spread;
}

}  // namespace bench

// The library has set glog up already when it was loaded; its refusal
// warnings would only flood the output here.
namespace {
const bool kQuietLog = [] {
  FLAGS_minloglevel = google::GLOG_ERROR;
  return true;
}();
}  // namespace

BENCHMARK_MAIN();
