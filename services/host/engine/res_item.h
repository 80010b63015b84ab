// Core resource item (a labour, material or machinery line) and the ordered
// lists that hold resource items under a bill. An item of an aggregated group
// (engine::ResItemGroup) is a resource item too: it stands for its member
// lines, which it gives through GetDetailResItem and CreateDetailIterator.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "host/engine/document_object.h"
#include "host/engine/iterator.h"
#include "host/host_api.h"

namespace engine {

class BaseResItem;
class SubEngineering;

// Where a line comes from: the id of the object it was taken from (a quota
// entry, a template), and the bill item it stands in (for a collection copy,
// the one its budget line stands in). Reads as its text wherever a text is
// wanted.
class ResItemSourceRef {
 public:
  ResItemSourceRef() = default;
  ResItemSourceRef(std::string text, SubEngineering* sub_engineering = nullptr)
      : text_(std::move(text)), sub_engineering_(sub_engineering) {}

  const std::string& text() const { return text_; }
  operator const std::string&() const { return text_; }
  bool empty() const { return text_.empty(); }
  // Null for a line that stands in no bill item.
  SubEngineering* GetSubEngineering() const { return sub_engineering_; }

  friend bool operator==(const ResItemSourceRef& a, const ResItemSourceRef& b) {
    return a.text_ == b.text_;
  }
  friend bool operator!=(const ResItemSourceRef& a, const ResItemSourceRef& b) { return !(a == b); }
  friend bool operator==(const ResItemSourceRef& a, const std::string& b) { return a.text_ == b; }
  friend bool operator==(const ResItemSourceRef& a, const char* b) { return a.text_ == b; }
  friend std::ostream& operator<<(std::ostream& out, const ResItemSourceRef& ref) {
    return out << ref.text_;
  }

 private:
  std::string text_;
  SubEngineering* sub_engineering_ = nullptr;
};

class MARROW_HOST_API ResItem : public virtual DocumentObject {
 public:
  // False when the item has no quantity to give.
  virtual bool GetQuantity(double& quantity) const = 0;
  // Takes the source's fields, quantity, entry and source reference; never its
  // owner, its collection record or its links.
  virtual void CopyFrom(const ResItem* source) = 0;
  // Detaches the item from the list that holds it; 0 means no owner at all.
  virtual void ResetOwnerRef(int owner) = 0;
  virtual ResItemSourceRef GetSourceRef() const = 0;
  virtual void SetSourceRef(const std::string& source) = 0;
  // The entry of the resource summary this line points to, or null.
  virtual BaseResItem* GetBaseResItem() const = 0;
  // Resource type code ("R" labour, "C" material, "J" machinery, "Z", "F",
  // ...), from the line's field "BRIType"; "" for none.
  virtual std::string GetResType() const = 0;

  // Aggregated entries: the member lines, in the order they were met. An
  // ordinary line has none (count 0, null, an iterator that is done).
  virtual int GetDetailCount() const = 0;
  virtual ResItem* GetDetailResItem(int index) const = 0;
  virtual std::unique_ptr<Iterator<ResItem>> CreateDetailIterator() const = 0;

 protected:
  ~ResItem() override = default;
};

// An ordered list of resource items held by one owner (a bill or an entry).
class MARROW_HOST_API ResItemList {
 public:
  virtual int GetCount() const = 0;
  virtual ResItem* GetAt(int index) const = 0;
  // The object holding the list: a sub-engineering.
  virtual DocumentObject* GetOwner() const = 0;

 protected:
  virtual ~ResItemList() = default;
};

}  // namespace engine
