// The application-layer document an undo action runs against.
#pragma once

#include <string>

#include "host/host_api.h"

namespace engine {
class Document;
class DocumentObject;
}  // namespace engine

namespace app {

class MARROW_HOST_API AppDocument {
 public:
  virtual ~AppDocument() = default;
  // The object with that id, or null.
  virtual engine::DocumentObject* FindObjectById(const std::string& id) const = 0;
  virtual engine::Document* GetEngineDocument() const = 0;
};

}  // namespace app
