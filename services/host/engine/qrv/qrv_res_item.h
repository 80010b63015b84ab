// Product face of a resource item: its collection record, its contract-level
// entry, and (for cost lines) the budget lines it represents by a link.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
class ResItem;
class ResItemList;
namespace qrv {

class QRVBaseResItem;
class QRVResCollect;

class MARROW_HOST_API QRVResItem : public virtual DocumentObject {
 public:
  // The core face of the same object.
  virtual ResItem* GetResItem() = 0;
  virtual QRVBaseResItem* GetBaseResItem() const = 0;
  // Points the line at a contract-level entry (null for none).
  virtual void SetBaseResItem(QRVBaseResItem* entry) = 0;
  // The list holding the item; its owner is the sub-engineering. Null for a
  // free-standing item (a collection copy).
  virtual ResItemList* GetOwnerList() const = 0;

  // At most one record per item; the item keeps the record alive.
  virtual QRVResCollect* GetCollect() const = 0;
  virtual void SetCollect(QRVResCollect* record) = 0;

  // Links: a cost line represents whole budget lines of its bill.
  virtual bool IsLinkedTo(const ResItem* budget_item) const = 0;
  virtual void AddLinkedResItem(ResItem* budget_item) = 0;
  virtual void RemoveLinkedResItem(ResItem* budget_item) = 0;
  // False for a cost line that came from a link: it represents budget lines
  // as a whole and takes no collected parts.
  virtual bool CanBeCollectTarget() const = 0;

  // Per-unit consumption text of a cost line.
  virtual std::string GetContent() const = 0;
  // The content as a number; false when it is empty or not a number.
  virtual bool GetContent(double& content) const = 0;
  virtual void SetContent(const std::string& content) = 0;
  // Brings derived figures up to date after its parts changed.
  virtual void Recalculate() = 0;

 protected:
  ~QRVResItem() override = default;
};

}  // namespace qrv
}  // namespace engine
