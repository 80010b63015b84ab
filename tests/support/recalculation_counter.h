// Counts, by object id, the recalculations a document's observers hear of
// while the counter lives. Make it after the document and let it go first.
#pragma once

#include <map>
#include <string>

#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/document_observer.h"
#include "reference_host/model/estimate_document.h"

namespace test_support {

class RecalculationCounter : public reference_host::DocumentObserver {
 public:
  explicit RecalculationCounter(reference_host::EstimateDocument* document) : document_(document) {
    document_->AddObserver(this);
  }
  RecalculationCounter(const RecalculationCounter&) = delete;
  RecalculationCounter& operator=(const RecalculationCounter&) = delete;
  ~RecalculationCounter() override { document_->RemoveObserver(this); }

  void OnFiguresRecalculated(const reference_host::DocumentObjectImpl& object) override {
    ++counts_[object.GetId()];
  }
  int count(const std::string& id) const {
    auto it = counts_.find(id);
    return it == counts_.end() ? 0 : it->second;
  }
  int total() const {
    int sum = 0;
    for (const auto& [id, count] : counts_) sum += count;
    return sum;
  }

 private:
  reference_host::EstimateDocument* document_;
  std::map<std::string, int> counts_;
};

}  // namespace test_support
