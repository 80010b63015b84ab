// One entry of an aggregated resource group: a resource item that stands for
// the member lines sharing one fingerprint. Its quantity is the sum of what
// the members give now; entry and type are those of its first member. It is
// in no document and no list; the group holds it, and it holds its members.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/res_item.h"
#include "reference_host/model/document_object_impl.h"

namespace reference_host {

class AggregatedResItemImpl : public DocumentObjectImpl, public engine::ResItem {
 public:
  // Named after its first member: "aggregate:<member id>".
  explicit AggregatedResItemImpl(engine::ResItem* first_member);

  // engine::ResItem:
  // False when no member gives a quantity.
  bool GetQuantity(double& quantity) const override;
  // An aggregate is not copied, moved or re-sourced: these do nothing.
  void CopyFrom(const engine::ResItem* source) override;
  void ResetOwnerRef(int owner) override;
  engine::ResItemSourceRef GetSourceRef() const override;
  void SetSourceRef(const std::string& source) override;
  engine::BaseResItem* GetBaseResItem() const override;
  std::string GetResType() const override;
  int GetDetailCount() const override { return static_cast<int>(members_.size()); }
  engine::ResItem* GetDetailResItem(int index) const override;
  std::unique_ptr<engine::Iterator<engine::ResItem>> CreateDetailIterator() const override;

  void AddMember(engine::ResItem* line) { members_.emplace_back(line); }

 protected:
  ~AggregatedResItemImpl() override;

 private:
  std::vector<scoped_refptr<engine::ResItem>> members_;
};

}  // namespace reference_host
