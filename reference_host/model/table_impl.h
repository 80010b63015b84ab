// A product-module row table (TableImpl, owned by the project) and its rows
// (TupleImpl), which form trees: a top-level row is owned by the table, any
// other row by its parent row. Rows keep their data in fields, the key of a
// keyed table and a fee row's figures included, so every table can serve as
// a fee table. A sub-project owns the tables of its own.
#pragma once

#include <string>
#include <vector>

#include "host/engine/dbtables.h"
#include "host/engine/fee_store.h"
#include "host/engine/qrv/qrv_table_file.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class ProjectImpl;
class TableImpl;

class TupleImpl : public DocumentObjectImpl, public engine::FeeRow {
 public:
  explicit TupleImpl(std::string id = std::string());

  // engine::dbtables::TupleObject:
  engine::dbtables::TableObject* GetTable() const override;
  TupleImpl* GetParent() const override;
  int GetChildCount() const override { return children_.size(); }
  TupleImpl* GetChild(int index) const override { return children_.at(index); }
  std::string GetRowKey() const override;
  void SetRowKey(const std::string& key) override;
  // engine::FeeRow:
  std::string GetCode() const override;
  void SetCode(const std::string& code) override;
  std::string GetCalculationBase() const override;
  bool GetRate(double& value) const override;
  bool GetAmount(double& value) const override;

  // The table at the top of the row tree, or null.
  TableImpl* table() const;
  bool AddChild(scoped_refptr<TupleImpl> child, int index = -1) {
    return children_.Insert(std::move(child), index);
  }
  scoped_refptr<TupleImpl> RemoveChild(const TupleImpl* child) { return children_.Remove(child); }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    children_.AppendTo(members);
  }

 protected:
  ~TupleImpl() override = default;

 private:
  OwnedChildren<TupleImpl> children_{this};
};

class TableImpl : public DocumentObjectImpl,
                  public engine::FeeTable,
                  public engine::qrv::QRVTableObjectFile {
 public:
  TableImpl(std::string id, std::string name);

  // engine::dbtables::TableObject:
  const std::string& GetName() const override { return name_; }
  int GetRowCount() const override { return rows_.size(); }
  TupleImpl* GetRow(int index) const override { return rows_.at(index); }
  bool AddRow(engine::dbtables::TupleObject* row, int position) override;
  bool RemoveRow(engine::dbtables::TupleObject* row) override;
  void RefreshChildren() override {}
  // engine::FeeTable:
  TupleImpl* GetRowAt(int index) const override { return rows_.at(index); }
  std::string GetExpression() const override;
  void SetExpression(const std::string& expression) override;
  // engine::qrv::QRVTableObjectFile: the tree of the owning project.
  engine::qrv::QRVCostAccountGroupFile* GetCostAccountGroup() const override;

  void set_name(const std::string& name) { name_ = name; }
  bool AddRow(scoped_refptr<TupleImpl> row, int index = -1) {
    return rows_.Insert(std::move(row), index);
  }
  scoped_refptr<TupleImpl> RemoveRow(const TupleImpl* row) { return rows_.Remove(row); }
  ProjectImpl* project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    rows_.AppendTo(members);
  }

 protected:
  ~TableImpl() override = default;

 private:
  std::string name_;
  OwnedChildren<TupleImpl> rows_{this};
};

}  // namespace reference_host
