#include "reference_host/app/factories_impl.h"

#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"

namespace reference_host {

engine::ResItem* EngineFactoryImpl::CreateResItem() { return new ResItemImpl(); }

scoped_refptr<engine::BaseResItem> EngineFactoryImpl::CreateBaseResItem() {
  return scoped_refptr<engine::BaseResItem>(new BaseResItemImpl());
}

engine::qrv::QRVResCollectObj* QRVFactoryImpl::CreateResCollectObj() {
  return new ResCollectObjImpl();
}

engine::qrv::QRVResCollectCopy* QRVFactoryImpl::CreateResCollectCopy() {
  return new ResCollectCopyImpl();
}

engine::qrv::QRVResCollectTemplete* QRVFactoryImpl::CreateResCollectTemplete() {
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
  return scoped_refptr<engine::qrv::QRVBaseResItem>(new BaseResItemImpl());
}

app::qrv::QRVBaseResItemCreator* QRVApplicationImpl::GetBaseResItemCreator() { return &creator_; }

}  // namespace reference_host
