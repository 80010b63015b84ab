#include "reference_host/app/app_factories.h"

#include "reference_host/app/factories_impl.h"

namespace reference_host {
namespace {

AppFactories& Registered() {
  static AppFactories registered = ReferenceFactories();
  return registered;
}

}  // namespace

AppFactories ReferenceFactories() {
  static EngineFactoryImpl engine_factory;
  static QRVFactoryImpl qrv_factory;
  static QRVApplicationImpl application;
  return AppFactories{&engine_factory, &qrv_factory, &application};
}

AppFactories RegisteredFactories() { return Registered(); }

AppFactories RegisterFactories(const AppFactories& factories) {
  AppFactories previous = Registered();
  Registered() = factories;
  return previous;
}

}  // namespace reference_host

namespace app {

engine::Factory* GetEngineFactory() { return reference_host::Registered().engine; }

namespace qrv {

engine::qrv::QRVFactory* GetQRVFactory() { return reference_host::Registered().qrv; }

QRVApplication* GetQRVApplication() { return reference_host::Registered().application; }

}  // namespace qrv
}  // namespace app
