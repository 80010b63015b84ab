// A sub-project's resource summary: the budget-side entries its lines point
// to, shared by those lines (the sub-project's shared item set). Owned by its
// SubProjectImpl; owns its entries. It finds an entry by key and numbers new
// entries through indexes it builds on first use and keeps current as
// entries come and go; a change to a member entry's fields makes it build
// them afresh on next use.
//
// Shared members (entries of another set listed here too, as a project
// merge lists the source side's) are saved by id, not inline: an entry is
// written once, where it is owned, or in detachedEntries when it stands
// outside the saved document (docs/format.md, Shared members).
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/engine/shared_item_set.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class SubProjectImpl;

class ResSummaryImpl : public DocumentObjectImpl,
                       public engine::SharedItemSet,
                       public engine::NumberAllocator {
 public:
  explicit ResSummaryImpl(std::string id = std::string()) : DocumentObjectImpl(std::move(id)) {}

  // engine::SharedItemSet:
  // Where several entries share the key, the one that has held it longest.
  engine::BaseResItem* Find(const std::string& key) const override;
  // Appends a free entry of this host; refused (false, logged) otherwise.
  bool Add(engine::BaseResItem* entry) override;
  engine::NumberAllocator* GetNumberAllocator() override { return this; }
  // Own entries first, then the shared ones (held by counted reference, not
  // owned, and not part of this set's document membership or key index).
  int GetMemberCount() const override { return entries_.size() + static_cast<int>(shared_.size()); }
  BaseResItemImpl* GetMemberAt(int index) const override;
  bool AddMember(engine::BaseResItem* entry) override;
  int shared_count() const { return static_cast<int>(shared_.size()); }
  BaseResItemImpl* shared_member(int index) const {
    return index >= 0 && index < shared_count() ? shared_[index].get() : nullptr;
  }
  // engine::NumberAllocator: one more than the highest number an entry of
  // the set with |number_key| holds now, or 1 when none does. Numbers of
  // entries that left are free again.
  int Next(const std::string& number_key) override;

  bool Add(scoped_refptr<BaseResItemImpl> entry, int index = -1);
  scoped_refptr<BaseResItemImpl> Remove(const BaseResItemImpl* entry);
  int size() const { return entries_.size(); }
  BaseResItemImpl* entry(int index) const { return entries_.at(index); }
  // First entry whose code field is |code|, or null (a linear scan).
  BaseResItemImpl* FindByCode(const std::string& code) const;
  SubProjectImpl* sub_project() const;
  // A member entry's fields changed: the indexes are rebuilt on next use.
  void MarkIndexStale() { index_stale_ = true; }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    entries_.AppendTo(members);
  }

 protected:
  ~ResSummaryImpl() override = default;

 private:
  void EnsureIndex() const;
  void Index(BaseResItemImpl* entry) const;
  void Unindex(const BaseResItemImpl* entry) const;

  OwnedChildren<BaseResItemImpl> entries_{this};
  std::vector<scoped_refptr<BaseResItemImpl>> shared_;
  std::unordered_set<const BaseResItemImpl*> shared_set_;
  mutable bool index_stale_ = true;
  mutable std::unordered_map<std::string, std::vector<BaseResItemImpl*>> by_key_;
  // Number key -> number -> how many entries hold it.
  mutable std::unordered_map<std::string, std::map<int, int>> numbers_;
};

}  // namespace reference_host
