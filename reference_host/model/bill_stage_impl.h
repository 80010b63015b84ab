// A project's bill stages (BillStageGroupImpl, owned by the project) and the
// stages it owns in order. Lookups by id and by name use indexes rebuilt
// lazily after a change; where names repeat, the first stage in order wins.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "host/engine/qrv/qrv_bill_stage.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class BillStageGroupImpl;

class BillStageImpl : public DocumentObjectImpl, public engine::qrv::QRVBillStage {
 public:
  BillStageImpl(std::string id, std::string name);

  const std::string& GetName() const override { return name_; }
  void SetName(const std::string& name);
  BillStageGroupImpl* group() const;

 protected:
  ~BillStageImpl() override = default;

 private:
  std::string name_;
};

class BillStageGroupImpl : public DocumentObjectImpl, public engine::qrv::QRVBillStageGroup {
 public:
  explicit BillStageGroupImpl(std::string id = std::string());

  // engine::qrv::QRVBillStageGroup:
  int GetBillStageCount() const override { return stages_.size(); }
  BillStageImpl* GetBillStage(int index) const override { return stages_.at(index); }
  BillStageImpl* FindBillStageById(const std::string& id) const override;
  BillStageImpl* FindBillStageByName(const std::string& name) const override;

  // Host side.
  bool AddBillStage(scoped_refptr<BillStageImpl> stage, int index = -1);
  scoped_refptr<BillStageImpl> RemoveBillStage(const BillStageImpl* stage);
  void Invalidate() const { indexed_ = false; }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    stages_.AppendTo(members);
  }

 protected:
  ~BillStageGroupImpl() override = default;

 private:
  void Reindex() const;

  OwnedChildren<BillStageImpl> stages_{this};
  mutable bool indexed_ = false;
  mutable std::unordered_map<std::string, BillStageImpl*> by_id_;
  mutable std::unordered_map<std::string, BillStageImpl*> by_name_;
};

}  // namespace reference_host
