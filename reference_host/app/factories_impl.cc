#include "reference_host/app/factories_impl.h"

#include "reference_host/app/factory_failures.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"

namespace reference_host {

FactoryFailures& GetFactoryFailures() {
  static FactoryFailures failures;
  return failures;
}

ScopedFactoryFailure::ScopedFactoryFailure(bool FactoryFailures::*flag)
    : flag_(flag), previous_(GetFactoryFailures().*flag) {
  GetFactoryFailures().*flag_ = true;
}

ScopedFactoryFailure::~ScopedFactoryFailure() { GetFactoryFailures().*flag_ = previous_; }

engine::ResItem* EngineFactoryImpl::CreateResItem() {
  if (GetFactoryFailures().create_res_item) return nullptr;
  return new ResItemImpl();
}

scoped_refptr<engine::BaseResItem> EngineFactoryImpl::CreateBaseResItem() {
  if (GetFactoryFailures().create_base_res_item) return nullptr;
  return scoped_refptr<engine::BaseResItem>(new BaseResItemImpl());
}

engine::qrv::QRVResCollectObj* QRVFactoryImpl::CreateResCollectObj() {
  if (GetFactoryFailures().create_collect_obj) return nullptr;
  return new ResCollectObjImpl();
}

engine::qrv::QRVResCollectCopy* QRVFactoryImpl::CreateResCollectCopy() {
  if (GetFactoryFailures().create_collect_copy) return nullptr;
  return new ResCollectCopyImpl();
}

engine::qrv::QRVResCollectTemplete* QRVFactoryImpl::CreateResCollectTemplete() {
  if (GetFactoryFailures().create_collect_templete) return nullptr;
  return new ResCollectTempleteImpl();
}

scoped_refptr<engine::qrv::QRVBaseResItem> QRVFactoryImpl::CreateBaseResItem() {
  return scoped_refptr<engine::qrv::QRVBaseResItem>(new BaseResItemImpl());
}

engine::qrv::QRVResItem* QRVFactoryImpl::CreateCBResItem() { return new ResItemImpl(); }

engine::qrv::QRVCBResItemList* QRVFactoryImpl::CreateCBResItemList() {
  return new ResItemListImpl(nullptr, ResItemListImpl::Side::kCost);
}

scoped_refptr<engine::qrv::QRVBaseResItem> QRVBaseResItemCreatorImpl::CreateBaseResItem() {
  if (GetFactoryFailures().creator_create_base_res_item) return nullptr;
  return scoped_refptr<engine::qrv::QRVBaseResItem>(new BaseResItemImpl());
}

app::qrv::QRVBaseResItemCreator* QRVApplicationImpl::GetBaseResItemCreator() {
  if (GetFactoryFailures().base_res_item_creator) return nullptr;
  return &creator_;
}

}  // namespace reference_host

namespace app {

engine::Factory* GetEngineFactory() {
  static reference_host::EngineFactoryImpl factory;
  return reference_host::GetFactoryFailures().engine_factory ? nullptr : &factory;
}

namespace qrv {

engine::qrv::QRVFactory* GetQRVFactory() {
  static reference_host::QRVFactoryImpl factory;
  return reference_host::GetFactoryFailures().qrv_factory ? nullptr : &factory;
}

QRVApplication* GetQRVApplication() {
  static reference_host::QRVApplicationImpl application;
  return reference_host::GetFactoryFailures().qrv_application ? nullptr : &application;
}

}  // namespace qrv
}  // namespace app
