// The proxy library's element: a counted wrapper around one host object. It
// holds the object weakly, so wrapping never keeps an object alive (nor takes
// the first reference of a fresh one); GetObject turns null once it dies.
#pragma once

#include "host/base/ref_counted.h"
#include "host/proxy/element.h"

namespace reference_host {

class ElementImpl : public proxy::Element {
 public:
  explicit ElementImpl(base::Object* object);

  base::Object* GetObject() const override { return object_.get(); }

 protected:
  ~ElementImpl() override = default;

 private:
  base::WeakPtr<base::Object> object_;
};

}  // namespace reference_host
