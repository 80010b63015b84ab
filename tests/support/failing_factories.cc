#include "tests/support/failing_factories.h"

#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/qrv/qrv_sub_engineering.h"

namespace test_support {

engine::ResItem* FailingEngineFactory::CreateResItem() {
  return failing_ == FactoryStep::kCreateResItem ? nullptr : real_->CreateResItem();
}

scoped_refptr<engine::BaseResItem> FailingEngineFactory::CreateBaseResItem() {
  return failing_ == FactoryStep::kCreateBaseResItem ? nullptr : real_->CreateBaseResItem();
}

engine::qrv::QRVResCollectObj* FailingQRVFactory::CreateResCollectObj() {
  return failing_ == FactoryStep::kCreateCollectObj ? nullptr : real_->CreateResCollectObj();
}

engine::qrv::QRVResCollectCopy* FailingQRVFactory::CreateResCollectCopy() {
  return failing_ == FactoryStep::kCreateCollectCopy ? nullptr : real_->CreateResCollectCopy();
}

engine::qrv::QRVResCollectTemplete* FailingQRVFactory::CreateResCollectTemplete() {
  return failing_ == FactoryStep::kCreateCollectTemplete ? nullptr
                                                         : real_->CreateResCollectTemplete();
}

scoped_refptr<engine::qrv::QRVBaseResItem> FailingQRVFactory::CreateBaseResItem() {
  return failing_ == FactoryStep::kCreateQRVBaseResItem ? nullptr : real_->CreateBaseResItem();
}

engine::qrv::QRVResItem* FailingQRVFactory::CreateCBResItem() {
  return failing_ == FactoryStep::kCreateCBResItem ? nullptr : real_->CreateCBResItem();
}

engine::qrv::QRVCBResItemList* FailingQRVFactory::CreateCBResItemList() {
  return failing_ == FactoryStep::kCreateCBResItemList ? nullptr : real_->CreateCBResItemList();
}

scoped_refptr<engine::qrv::QRVBaseResItem> FailingBaseResItemCreator::CreateBaseResItem() {
  return failing_ == FactoryStep::kCreatorCreateBaseResItem ? nullptr : real_->CreateBaseResItem();
}

app::qrv::QRVBaseResItemCreator* FailingQRVApplication::GetBaseResItemCreator() {
  if (failing_ == FactoryStep::kBaseResItemCreator) return nullptr;
  app::qrv::QRVBaseResItemCreator* real = real_->GetBaseResItemCreator();
  if (!real) return nullptr;
  if (!creator_) creator_ = std::make_unique<FailingBaseResItemCreator>(real, failing_);
  return creator_.get();
}

ScopedFactoryFailure::ScopedFactoryFailure(FactoryStep failing)
    : previous_(reference_host::RegisteredFactories()) {
  reference_host::AppFactories wrapped;
  if (previous_.engine && failing != FactoryStep::kEngineFactory) {
    engine_ = std::make_unique<FailingEngineFactory>(previous_.engine, failing);
    wrapped.engine = engine_.get();
  }
  if (previous_.qrv && failing != FactoryStep::kQRVFactory) {
    qrv_ = std::make_unique<FailingQRVFactory>(previous_.qrv, failing);
    wrapped.qrv = qrv_.get();
  }
  if (previous_.application && failing != FactoryStep::kQRVApplication) {
    application_ = std::make_unique<FailingQRVApplication>(previous_.application, failing);
    wrapped.application = application_.get();
  }
  reference_host::RegisterFactories(wrapped);
}

ScopedFactoryFailure::~ScopedFactoryFailure() { reference_host::RegisterFactories(previous_); }

}  // namespace test_support
