// The application layer's factory access. Each may answer null.
#pragma once

#include "host/host_api.h"

namespace engine {
class Factory;
}  // namespace engine

namespace app {

MARROW_HOST_API engine::Factory* GetEngineFactory();

}  // namespace app
