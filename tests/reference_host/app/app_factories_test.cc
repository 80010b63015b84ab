// The application layer's factories: the reference ones, what a program
// registers instead, and the failing wrappers the library tests install.
#include "reference_host/app/app_factories.h"

#include <memory>
#include <vector>

#include "host/app/factories.h"
#include "host/app/qrv/qrv_application.h"
#include "host/engine/factory.h"
#include "host/engine/qrv/qrv_factory.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "reference_host/app/factories_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::AppFactories;

TEST(Factories, NewResItemHasNoReferenceYetAndStandsNowhere) {
  engine::ResItem* raw = app::GetEngineFactory()->CreateResItem();
  scoped_refptr<engine::ResItem> item(raw);
  EXPECT_TRUE(item->HasOneRef());
  EXPECT_EQ(item->GetDocument(), nullptr);
  EXPECT_EQ(dynamic_cast<engine::qrv::QRVResItem*>(raw)->GetOwnerList(), nullptr);
  EXPECT_EQ(item->GetId().size(), 32u);
}

TEST(Factories, CreatorMakesAContractEntryOutsideAnyGroup) {
  scoped_refptr<engine::qrv::QRVBaseResItem> entry =
      app::qrv::GetQRVApplication()->GetBaseResItemCreator()->CreateBaseResItem();
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->GetDocument(), nullptr);
  EXPECT_EQ(entry->GetGroup(), nullptr);
}

TEST(Factories, ARegisteredSetIsHandedOutAsItIsUntilReplaced) {
  const AppFactories reference = reference_host::ReferenceFactories();
  ASSERT_EQ(reference_host::RegisteredFactories().engine, reference.engine);
  reference_host::QRVFactoryImpl own_qrv_factory;
  const AppFactories previous =
      reference_host::RegisterFactories(AppFactories{nullptr, &own_qrv_factory, nullptr});
  EXPECT_EQ(previous.engine, reference.engine);
  EXPECT_EQ(previous.qrv, reference.qrv);
  EXPECT_EQ(previous.application, reference.application);
  // A member left null is a host without it.
  EXPECT_EQ(app::GetEngineFactory(), nullptr);
  EXPECT_EQ(app::qrv::GetQRVFactory(), &own_qrv_factory);
  EXPECT_EQ(app::qrv::GetQRVApplication(), nullptr);
  reference_host::RegisterFactories(previous);
  EXPECT_EQ(app::GetEngineFactory(), reference.engine);
  EXPECT_EQ(app::qrv::GetQRVApplication(), reference.application);
}

// Which of the thirteen operations of the application layer answer null, in
// FactoryStep order.
std::vector<bool> NullAnswers() {
  engine::Factory* engine = app::GetEngineFactory();
  engine::qrv::QRVFactory* qrv = app::qrv::GetQRVFactory();
  app::qrv::QRVApplication* application = app::qrv::GetQRVApplication();
  app::qrv::QRVBaseResItemCreator* creator =
      application ? application->GetBaseResItemCreator() : nullptr;
  scoped_refptr<engine::ResItem> line(engine ? engine->CreateResItem() : nullptr);
  scoped_refptr<engine::BaseResItem> entry(engine ? engine->CreateBaseResItem() : nullptr);
  scoped_refptr<engine::qrv::QRVResCollect> obj(qrv ? qrv->CreateResCollectObj() : nullptr);
  scoped_refptr<engine::qrv::QRVResCollect> copy(qrv ? qrv->CreateResCollectCopy() : nullptr);
  scoped_refptr<engine::qrv::QRVResCollect> templete(qrv ? qrv->CreateResCollectTemplete()
                                                         : nullptr);
  scoped_refptr<engine::qrv::QRVBaseResItem> created(creator ? creator->CreateBaseResItem()
                                                             : nullptr);
  scoped_refptr<engine::qrv::QRVBaseResItem> qrv_entry(qrv ? qrv->CreateBaseResItem() : nullptr);
  scoped_refptr<engine::qrv::QRVResItem> cost_line(qrv ? qrv->CreateCBResItem() : nullptr);
  // A list is owned by the bill that takes it; here nobody does.
  std::unique_ptr<reference_host::ResItemListImpl> cost_list(
      static_cast<reference_host::ResItemListImpl*>(qrv ? qrv->CreateCBResItemList() : nullptr));
  return {!engine,      !line,    !entry,   !qrv,       !obj,       !copy,     !templete,
          !application, !creator, !created, !qrv_entry, !cost_line, !cost_list};
}

TEST(ScopedFactoryFailure, FailsItsStepAloneAndPutsTheEarlierSetBack) {
  const std::vector<bool> none(13, false);
  ASSERT_EQ(NullAnswers(), none);
  for (int i = 0; i < 13; ++i) {
    const auto step = static_cast<FactoryStep>(i);
    std::vector<bool> expected = none;
    expected[i] = true;
    // A factory that is not handed out cannot give its objects either.
    if (step == FactoryStep::kEngineFactory) expected[1] = expected[2] = true;
    if (step == FactoryStep::kQRVFactory)
      expected[4] = expected[5] = expected[6] = expected[10] = expected[11] = expected[12] = true;
    if (step == FactoryStep::kQRVApplication) expected[8] = expected[9] = true;
    if (step == FactoryStep::kBaseResItemCreator) expected[9] = true;
    {
      ScopedFactoryFailure fail(step);
      EXPECT_EQ(NullAnswers(), expected) << i;
    }
    EXPECT_EQ(NullAnswers(), none) << i;
  }
}

TEST(ScopedFactoryFailure, NestedScopesFailBothSteps) {
  ScopedFactoryFailure outer(FactoryStep::kCreateCollectObj);
  {
    ScopedFactoryFailure inner(FactoryStep::kCreateResItem);
    EXPECT_EQ(app::qrv::GetQRVFactory()->CreateResCollectObj(), nullptr);
    EXPECT_EQ(app::GetEngineFactory()->CreateResItem(), nullptr);
  }
  EXPECT_EQ(app::qrv::GetQRVFactory()->CreateResCollectObj(), nullptr);
  scoped_refptr<engine::ResItem> line(app::GetEngineFactory()->CreateResItem());
  EXPECT_TRUE(line);
}

}  // namespace
