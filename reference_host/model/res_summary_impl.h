// A sub-project's resource summary: the budget-side entries its lines point
// to. Owned by its SubProjectImpl; owns its entries.
#pragma once

#include <string>
#include <vector>

#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class SubProjectImpl;

class ResSummaryImpl : public DocumentObjectImpl {
 public:
  explicit ResSummaryImpl(std::string id = std::string()) : DocumentObjectImpl(std::move(id)) {}

  bool Add(scoped_refptr<BaseResItemImpl> entry, int index = -1) {
    return entries_.Insert(std::move(entry), index);
  }
  scoped_refptr<BaseResItemImpl> Remove(const BaseResItemImpl* entry) {
    return entries_.Remove(entry);
  }
  int size() const { return entries_.size(); }
  BaseResItemImpl* entry(int index) const { return entries_.at(index); }
  // First entry whose code field is |code|, or null (a linear scan).
  BaseResItemImpl* FindByCode(const std::string& code) const;
  SubProjectImpl* sub_project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    entries_.AppendTo(members);
  }

 protected:
  ~ResSummaryImpl() override = default;

 private:
  OwnedChildren<BaseResItemImpl> entries_{this};
};

}  // namespace reference_host
