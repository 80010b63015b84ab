#include "reference_host/model/table_impl.h"

#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"

namespace reference_host {

TupleImpl::TupleImpl(std::string id) : DocumentObjectImpl(std::move(id)) {}

TupleImpl* TupleImpl::GetParent() const { return dynamic_cast<TupleImpl*>(owner()); }

engine::dbtables::TableObject* TupleImpl::GetTable() const { return table(); }

TableImpl* TupleImpl::table() const {
  const TupleImpl* top = this;
  while (TupleImpl* parent = top->GetParent()) top = parent;
  return dynamic_cast<TableImpl*>(top->owner());
}

namespace {

std::string TextField(const DocumentObjectImpl& object, const char* key) {
  engine::FieldValue value;
  object.fields()->GetFieldValue(key, value);
  return value.GetString();
}

bool NumberField(const DocumentObjectImpl& object, const char* key, double& number) {
  engine::FieldValue value;
  if (!object.fields()->GetFieldValue(key, value)) return false;
  if (value.IsDouble()) {
    number = value.GetDouble();
  } else if (value.IsInt()) {
    number = value.GetInt();
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string TupleImpl::GetRowKey() const { return TextField(*this, keys::kRowKey); }

void TupleImpl::SetRowKey(const std::string& key) {
  fields()->SetFieldValue(keys::kRowKey, key, true);
}

std::string TupleImpl::GetCode() const { return TextField(*this, keys::kFeeCode); }

void TupleImpl::SetCode(const std::string& code) {
  fields()->SetFieldValue(keys::kFeeCode, code, true);
}

std::string TupleImpl::GetCalculationBase() const {
  return TextField(*this, keys::kFeeCalculationBase);
}

bool TupleImpl::GetRate(double& value) const { return NumberField(*this, keys::kFeeRate, value); }

bool TupleImpl::GetAmount(double& value) const {
  return NumberField(*this, keys::kFeeAmount, value);
}

TableImpl::TableImpl(std::string id, std::string name)
    : DocumentObjectImpl(std::move(id)), name_(std::move(name)) {}

ProjectImpl* TableImpl::project() const {
  for (DocumentObjectImpl* up = owner(); up; up = up->owner())
    if (auto* found = dynamic_cast<ProjectImpl*>(up)) return found;
  return nullptr;
}

engine::qrv::QRVCostAccountGroupFile* TableImpl::GetCostAccountGroup() const {
  ProjectImpl* owner_project = project();
  return owner_project ? owner_project->cost_accounts() : nullptr;
}

bool TableImpl::AddRow(engine::dbtables::TupleObject* row, int position) {
  auto* impl = dynamic_cast<TupleImpl*>(row);
  return impl && rows_.Insert(scoped_refptr<TupleImpl>(impl), position > 0 ? position - 1 : -1);
}

bool TableImpl::RemoveRow(engine::dbtables::TupleObject* row) {
  auto* impl = dynamic_cast<TupleImpl*>(row);
  return impl && rows_.Remove(impl);
}

std::string TableImpl::GetExpression() const { return TextField(*this, keys::kTableExpression); }

void TableImpl::SetExpression(const std::string& expression) {
  fields()->SetFieldValue(keys::kTableExpression, expression, true);
}

}  // namespace reference_host
