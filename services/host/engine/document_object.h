// Every domain object: an id unique within its document, an owner and fields.
// Product and core faces of one object share this as a virtual base and are
// reached from each other with dynamic_cast.
#pragma once

#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {

class Document;
class FieldContainer;

class MARROW_HOST_API DocumentObject : public base::Object {
 public:
  virtual const std::string& GetId() const = 0;
  // Null while the object is not part of a document (a fresh copy item).
  virtual Document* GetDocument() const = 0;
  virtual DocumentObject* GetOwner() const = 0;
  virtual FieldContainer* GetFieldContainer() const = 0;

 protected:
  ~DocumentObject() override = default;
};

// An estimate document: owns its objects and finds any of them by id.
class MARROW_HOST_API Document {
 public:
  virtual ~Document() = default;
  virtual DocumentObject* FindObjectById(const std::string& id) const = 0;
  // Appends every object of the document.
  virtual void GetAllObjects(std::vector<DocumentObject*>& objects) const = 0;
};

}  // namespace engine
