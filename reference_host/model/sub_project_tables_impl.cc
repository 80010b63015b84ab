#include "reference_host/model/sub_project_tables_impl.h"

namespace reference_host {

QTXMTablesImpl::QTXMTablesImpl(DocumentObjectImpl* holder) {
  for (int i = 0; i < kTableCount; ++i)
    slots_.push_back(std::make_unique<OwnedChildren<TableImpl>>(holder));
}

TableImpl* QTXMTablesImpl::table(int number) const {
  if (number < 1 || number > kTableCount) return nullptr;
  return slots_[number - 1]->at(0);
}

bool QTXMTablesImpl::SetTable(int number, scoped_refptr<TableImpl> table) {
  if (number < 1 || number > kTableCount || slots_[number - 1]->size() > 0) return false;
  return slots_[number - 1]->Insert(std::move(table));
}

void QTXMTablesImpl::AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
  for (const auto& slot : slots_) slot->AppendTo(members);
}

TableImpl* FeeStoreImpl::GetTable(const std::string& key) const {
  for (int i = 0; i < tables_.size(); ++i)
    if (tables_.at(i)->GetName() == key) return tables_.at(i);
  return nullptr;
}

}  // namespace reference_host
