// Collection records. A budget line carries a templete record listing its copy
// items; a cost line carries an object record listing the copies collected
// into it; each copy carries a copy record naming both. Records hold counted
// references to the copies they list.
#pragma once

#include <vector>

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {
class DocumentObject;
class ResItem;
namespace qrv {

class QRVResItem;

// Collection record type codes.
enum QRVResCollectType { kCollectTypeObj = 1, kCollectTypeCopy = 2, kCollectTypeTemplete = 3 };

class MARROW_HOST_API QRVResCollect : public base::Object {
 public:
  virtual int GetCollectType() const = 0;
  // The item the record belongs to (the cost facet for an object record, the
  // core item for a templete or copy record).
  virtual void SetOwner(DocumentObject* owner) = 0;
  virtual DocumentObject* GetOwner() const = 0;

 protected:
  ~QRVResCollect() override = default;
};

class MARROW_HOST_API QRVResCollectTemplete : public virtual QRVResCollect {
 public:
  // Appends the copies in list order.
  virtual void GetCopies(std::vector<ResItem*>& copies) const = 0;
  virtual void AddCopy(ResItem* copy) = 0;
  // Removing a copy that is not listed changes nothing.
  virtual void RemoveCopy(ResItem* copy) = 0;
  // True while a listed copy is collected into a cost line.
  virtual bool IsCollected() const = 0;

 protected:
  ~QRVResCollectTemplete() override = default;
};

class MARROW_HOST_API QRVResCollectObj : public virtual QRVResCollect {
 public:
  virtual void GetCopies(std::vector<ResItem*>& copies) const = 0;
  virtual void AddCopy(ResItem* copy) = 0;
  virtual void RemoveCopy(ResItem* copy) = 0;

 protected:
  ~QRVResCollectObj() override = default;
};

class MARROW_HOST_API QRVResCollectCopy : public virtual QRVResCollect {
 public:
  virtual ResItem* GetTempleteResItem() const = 0;
  virtual void SetTempleteResItem(ResItem* budget_item) = 0;
  virtual QRVResItem* GetCBResItem() const = 0;
  virtual void SetCBResItem(QRVResItem* cost_item) = 0;

 protected:
  ~QRVResCollectCopy() override = default;
};

}  // namespace qrv
}  // namespace engine
