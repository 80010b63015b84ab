// The three collection records. A record is held (counted) by the one item it
// is attached to; a templete or object record holds counted references to
// the copy items it lists. Back references (owner, budget item, cost item)
// are weak, so a record never keeps a deleted item reachable.
#pragma once

#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/qrv/qrv_res_collect.h"

namespace engine {
class DocumentObject;
class ResItem;
namespace qrv {
class QRVResItem;
}  // namespace qrv
}  // namespace engine

namespace reference_host {

class ResItemImpl;

class ResCollectImpl : public virtual engine::qrv::QRVResCollect {
 public:
  // engine::qrv::QRVResCollect:
  void SetOwner(engine::DocumentObject* owner) override;
  engine::DocumentObject* GetOwner() const override;

  // The item the record is attached to (SetCollect), or null.
  ResItemImpl* holder() const { return holder_; }
  // The copies the record lists, in order (none for a copy record).
  virtual const std::vector<scoped_refptr<ResItemImpl>>& listed_copies() const;

 protected:
  ResCollectImpl() = default;
  ~ResCollectImpl() override = default;

 private:
  friend class ResItemImpl;

  engine::DocumentObject* owner_ = nullptr;
  base::WeakPtr<base::Object> owner_alive_;
  ResItemImpl* holder_ = nullptr;
};

// A record that lists copy items. Listing a copy puts it into the document
// of the holding item; unlisting it takes it out when nothing else lists it.
class ListingCollectImpl : public ResCollectImpl {
 public:
  const std::vector<scoped_refptr<ResItemImpl>>& listed_copies() const override { return copies_; }

 protected:
  ListingCollectImpl() = default;
  ~ListingCollectImpl() override = default;

  void AppendCopies(std::vector<engine::ResItem*>& copies) const;
  void ListCopy(engine::ResItem* copy);
  void UnlistCopy(engine::ResItem* copy);

 private:
  std::vector<scoped_refptr<ResItemImpl>> copies_;
};

class ResCollectTempleteImpl : public ListingCollectImpl,
                               public engine::qrv::QRVResCollectTemplete {
 public:
  ResCollectTempleteImpl() = default;

  int GetCollectType() const override { return engine::qrv::kCollectTypeTemplete; }
  void GetCopies(std::vector<engine::ResItem*>& copies) const override { AppendCopies(copies); }
  void AddCopy(engine::ResItem* copy) override { ListCopy(copy); }
  void RemoveCopy(engine::ResItem* copy) override { UnlistCopy(copy); }
  // A listed copy carries a copy record naming a cost item.
  bool IsCollected() const override;

 protected:
  ~ResCollectTempleteImpl() override = default;
};

class ResCollectObjImpl : public ListingCollectImpl, public engine::qrv::QRVResCollectObj {
 public:
  ResCollectObjImpl() = default;

  int GetCollectType() const override { return engine::qrv::kCollectTypeObj; }
  void GetCopies(std::vector<engine::ResItem*>& copies) const override { AppendCopies(copies); }
  void AddCopy(engine::ResItem* copy) override { ListCopy(copy); }
  void RemoveCopy(engine::ResItem* copy) override { UnlistCopy(copy); }

 protected:
  ~ResCollectObjImpl() override = default;
};

class ResCollectCopyImpl : public ResCollectImpl, public engine::qrv::QRVResCollectCopy {
 public:
  ResCollectCopyImpl() = default;

  int GetCollectType() const override { return engine::qrv::kCollectTypeCopy; }
  engine::ResItem* GetTempleteResItem() const override;
  void SetTempleteResItem(engine::ResItem* budget_item) override;
  engine::qrv::QRVResItem* GetCBResItem() const override;
  void SetCBResItem(engine::qrv::QRVResItem* cost_item) override;

 protected:
  ~ResCollectCopyImpl() override = default;

 private:
  engine::ResItem* budget_item_ = nullptr;
  base::WeakPtr<base::Object> budget_alive_;
  engine::qrv::QRVResItem* cost_item_ = nullptr;
  base::WeakPtr<base::Object> cost_alive_;
};

}  // namespace reference_host
