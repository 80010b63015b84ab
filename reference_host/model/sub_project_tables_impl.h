// The row tables a sub-project holds beside its measure trees: the five
// other-items tables (QTXMTablesImpl) and the fee store, whose tables are
// found by name (FeeStoreImpl). Both are owned by their SubProjectImpl, which
// is the owner of the tables in them.
#pragma once

#include <string>
#include <vector>

#include "host/engine/fee_store.h"
#include "host/engine/qtxm_tables.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/table_impl.h"

namespace reference_host {

class QTXMTablesImpl : public engine::QTXMTables {
 public:
  static constexpr int kTableCount = 5;

  explicit QTXMTablesImpl(DocumentObjectImpl* holder);
  ~QTXMTablesImpl() override = default;

  // engine::QTXMTables:
  TableImpl* GetTable1() const override { return table(1); }
  TableImpl* GetTable2() const override { return table(2); }
  TableImpl* GetTable3() const override { return table(3); }
  TableImpl* GetTable4() const override { return table(4); }
  TableImpl* GetTable5() const override { return table(5); }

  // |number| 1 to 5; null when absent or out of range.
  TableImpl* table(int number) const;
  // Puts a free table in slot |number| (empty before); false otherwise.
  bool SetTable(int number, scoped_refptr<TableImpl> table);
  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const;

 private:
  std::vector<std::unique_ptr<OwnedChildren<TableImpl>>> slots_;
};

class FeeStoreImpl : public engine::FeeStore {
 public:
  // The key of the fee summary table.
  static constexpr char kFeeTable[] = "Fee";

  explicit FeeStoreImpl(DocumentObjectImpl* holder) : tables_(holder) {}
  ~FeeStoreImpl() override = default;

  // engine::FeeStore: the first table whose name is |key|.
  TableImpl* GetTable(const std::string& key) const override;

  bool AddTable(scoped_refptr<TableImpl> table) { return tables_.Insert(std::move(table)); }
  int size() const { return tables_.size(); }
  TableImpl* table_at(int index) const { return tables_.at(index); }
  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const { tables_.AppendTo(members); }

 private:
  OwnedChildren<TableImpl> tables_;
};

}  // namespace reference_host
