#include "reference_host/model/item_set_impl.h"

namespace reference_host {

bool ItemSetImpl::Remove(engine::DocumentObject* member) {
  auto* impl = dynamic_cast<DocumentObjectImpl*>(member);
  return impl && members_.Remove(impl);
}

bool ItemSetImpl::Add(engine::DocumentObject* member, int position) {
  auto* impl = dynamic_cast<DocumentObjectImpl*>(member);
  if (!impl) return false;
  return members_.Insert(scoped_refptr<DocumentObjectImpl>(impl), position > 0 ? position - 1 : -1);
}

}  // namespace reference_host
