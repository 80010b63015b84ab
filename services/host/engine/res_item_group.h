// A counted group of aggregated resource entries, as the host engine's
// aggregation answers it: each entry is a resource item standing for the
// member lines that share one fingerprint, in the order their first line was
// met. ResItemGroupImpl is the engine's own group; default-constructed it is
// empty, which is what a caller answers when it has nothing to aggregate.
#pragma once

#include <memory>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/iterator.h"
#include "host/host_api.h"

namespace engine {

class ResItem;
class ResItemCallBack;
class SubEngineering;

class MARROW_HOST_API ResItemGroup : public base::Object {
 public:
  virtual std::unique_ptr<Iterator<ResItem>> CreateEntryIterator() const = 0;
  virtual int GetEntryCount() const = 0;
  virtual ResItem* GetEntry(int index) const = 0;
  // The bill tree root the group was aggregated under (detail views).
  virtual void SetRootSubEngineering(SubEngineering* root) = 0;
  virtual SubEngineering* GetRootSubEngineering() const = 0;

 protected:
  ~ResItemGroup() override = default;
};

class MARROW_HOST_API ResItemGroupImpl : public ResItemGroup {
 public:
  ResItemGroupImpl();

  // engine::ResItemGroup:
  std::unique_ptr<Iterator<ResItem>> CreateEntryIterator() const override;
  int GetEntryCount() const override;
  ResItem* GetEntry(int index) const override;
  void SetRootSubEngineering(SubEngineering* root) override;
  SubEngineering* GetRootSubEngineering() const override;

  // Engine side: appends an aggregated entry; the group holds a reference.
  void AddEntry(ResItem* entry);
  // Whether the callback that built the group fingerprinted plainly (not as
  // a provisional-estimate aggregation).
  bool IsPlain() const { return plain_; }
  void SetPlain(bool plain) { plain_ = plain; }

 protected:
  ~ResItemGroupImpl() override;

 private:
  std::vector<scoped_refptr<ResItem>> entries_;
  SubEngineering* root_ = nullptr;
  bool plain_ = true;
};

namespace internal {

// Aggregates the budget lines under |bills| (each bill with its whole
// sub-tree): lines |callback| finds valid, one entry per fingerprint. Never
// null.
MARROW_HOST_API scoped_refptr<ResItemGroup> GetResItemDetail(
    const std::vector<SubEngineering*>& bills, ResItemCallBack* callback);

}  // namespace internal
}  // namespace engine
