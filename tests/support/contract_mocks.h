// Mock contract-level entries, groups and cost lines for tests that check the
// exact sequence of host calls the contract services make (gmock InSequence).
// Each is a counted host object: make them with new and hold scoped_refptr.
#pragma once

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_item.h"

namespace test_support {

// Walks a fixed list of lines.
class ListIterator : public engine::qrv::QRVResItemIterator {
 public:
  explicit ListIterator(std::vector<engine::qrv::QRVResItem*> lines) : lines_(std::move(lines)) {}
  void First() override { at_ = 0; }
  void Next() override { ++at_; }
  bool IsDone() const override { return at_ >= lines_.size(); }
  engine::qrv::QRVResItem* CurrentItem() const override { return IsDone() ? nullptr : lines_[at_]; }

 private:
  std::vector<engine::qrv::QRVResItem*> lines_;
  size_t at_ = 0;
};

class MockGroup : public engine::qrv::QRVBaseResItemGroup {
 public:
  MOCK_METHOD(const std::string&, GetId, (), (const, override));
  MOCK_METHOD(engine::Document*, GetDocument, (), (const, override));
  MOCK_METHOD(engine::DocumentObject*, GetOwner, (), (const, override));
  MOCK_METHOD(engine::FieldContainer*, GetFieldContainer, (), (const, override));
  MOCK_METHOD(const std::string&, GetFormName, (), (const, override));
  MOCK_METHOD(int, GetCount, (), (const, override));
  MOCK_METHOD(engine::qrv::QRVBaseResItem*, GetAt, (int), (const, override));
  MOCK_METHOD(bool, AddBaseResItem,
              (engine::qrv::QRVBaseResItem*, engine::qrv::QRVBaseResItem*, bool), (override));
  MOCK_METHOD(bool, RemoveBaseResItem, (engine::qrv::QRVBaseResItem*), (override));
  MOCK_METHOD(void, RefreshChildren, (), (override));
  MOCK_METHOD(engine::qrv::QRVSubProject*, GetOwnerSubProject, (), (const, override));
  MOCK_METHOD(std::unique_ptr<engine::Iterator<engine::qrv::QRVBaseResItem>>, CreateChildIterator,
              (), (const, override));
};

// Both faces of an entry, as the library's casts expect.
class MockEntry : public engine::BaseResItem, public engine::qrv::QRVBaseResItem {
 public:
  explicit MockEntry(std::string id = "mock-entry") : id_(std::move(id)) {
    ON_CALL(*this, GetId).WillByDefault(testing::ReturnRef(id_));
  }
  MOCK_METHOD(const std::string&, GetId, (), (const, override));
  MOCK_METHOD(engine::Document*, GetDocument, (), (const, override));
  MOCK_METHOD(engine::DocumentObject*, GetOwner, (), (const, override));
  MOCK_METHOD(engine::FieldContainer*, GetFieldContainer, (), (const, override));
  MOCK_METHOD(void, CopyFrom, (const engine::BaseResItem*), (override));
  MOCK_METHOD(std::string, GetName, (), (const, override));
  MOCK_METHOD(void, SetName, (const std::string&), (override));
  MOCK_METHOD(std::string, GetKey, (), (const, override));
  MOCK_METHOD(std::string, GetNumberKey, (), (const, override));
  MOCK_METHOD(void, SetNumber, (int), (override));
  MOCK_METHOD(bool, GetNumber, (int&), (const, override));
  MOCK_METHOD(std::string, GetUnit, (), (const, override));
  MOCK_METHOD(engine::qrv::QRVBaseResItemGroup*, GetGroup, (), (const, override));
  MOCK_METHOD(std::string, GetCostAccount, (), (const, override));
  MOCK_METHOD(void, SetCostAccount, (const std::string&), (override));
  MOCK_METHOD(std::string, GetResType, (), (const, override));
  MOCK_METHOD(void, AddResItem, (engine::qrv::QRVResItem*), (override));
  MOCK_METHOD(void, RemoveResItem, (engine::qrv::QRVResItem*), (override));
  MOCK_METHOD(int, GetResItemCount, (), (const, override));
  MOCK_METHOD(bool, HasResItem, (), (const, override));
  MOCK_METHOD(std::unique_ptr<engine::qrv::QRVResItemIterator>, CreateResItemIterator, (),
              (const, override));
  MOCK_METHOD(bool, GetLeaseQuantity, (double&), (const, override));
  MOCK_METHOD(void, SetLeaseQuantityText, (const std::string&), (override));
  MOCK_METHOD(void, Recalculate, (), (override));
  MOCK_METHOD(engine::DocumentObject*, GetIdentityItem, (bool), (const, override));
  MOCK_METHOD(bool, GetQuantity, (double&), (const, override));
  MOCK_METHOD(void, SetQuantity, (const double&), (override));
  MOCK_METHOD(std::string, GetSortText, (), (const, override));

  // The entry's lines walk as |lines|, however often asked.
  void WalksOver(std::vector<engine::qrv::QRVResItem*> lines) {
    ON_CALL(*this, CreateResItemIterator).WillByDefault([lines] {
      return std::unique_ptr<engine::qrv::QRVResItemIterator>(new ListIterator(lines));
    });
  }

 private:
  std::string id_;
};

class MockLine : public engine::qrv::QRVResItem {
 public:
  explicit MockLine(std::string id = "mock-line") : id_(std::move(id)) {
    ON_CALL(*this, GetId).WillByDefault(testing::ReturnRef(id_));
  }
  MOCK_METHOD(const std::string&, GetId, (), (const, override));
  MOCK_METHOD(engine::Document*, GetDocument, (), (const, override));
  MOCK_METHOD(engine::DocumentObject*, GetOwner, (), (const, override));
  MOCK_METHOD(engine::FieldContainer*, GetFieldContainer, (), (const, override));
  MOCK_METHOD(engine::ResItem*, GetResItem, (), (override));
  MOCK_METHOD(engine::qrv::QRVBaseResItem*, GetBaseResItem, (), (const, override));
  MOCK_METHOD(void, SetBaseResItem, (engine::qrv::QRVBaseResItem*), (override));
  MOCK_METHOD(engine::ResItemList*, GetOwnerList, (), (const, override));
  MOCK_METHOD(engine::qrv::QRVResCollect*, GetCollect, (), (const, override));
  MOCK_METHOD(void, SetCollect, (engine::qrv::QRVResCollect*), (override));
  MOCK_METHOD(bool, IsLinkedTo, (const engine::ResItem*), (const, override));
  MOCK_METHOD(void, AddLinkedResItem, (engine::ResItem*), (override));
  MOCK_METHOD(void, RemoveLinkedResItem, (engine::ResItem*), (override));
  MOCK_METHOD(bool, CanBeCollectTarget, (), (const, override));
  MOCK_METHOD(std::string, GetContent, (), (const, override));
  MOCK_METHOD(bool, GetContent, (double&), (const, override));
  MOCK_METHOD(void, SetContent, (const std::string&), (override));
  MOCK_METHOD(void, Recalculate, (), (override));

 private:
  std::string id_;
};

}  // namespace test_support
