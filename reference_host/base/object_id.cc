#include "reference_host/base/object_id.h"

#include <cstdio>
#include <mutex>
#include <random>

namespace reference_host {
namespace {

struct IdSource {
  std::mutex lock;
  std::mt19937_64 engine{std::random_device{}()};
};

IdSource& Source() {
  static IdSource* source = new IdSource;
  return *source;
}

}  // namespace

std::string NewObjectId() {
  IdSource& source = Source();
  std::uint64_t high, low;
  {
    std::lock_guard<std::mutex> hold(source.lock);
    high = source.engine();
    low = source.engine();
  }
  char text[33];
  std::snprintf(text, sizeof(text), "%016llx%016llx", static_cast<unsigned long long>(high),
                static_cast<unsigned long long>(low));
  return text;
}

void SeedObjectIds(std::uint64_t seed) {
  IdSource& source = Source();
  std::lock_guard<std::mutex> hold(source.lock);
  source.engine.seed(seed);
}

}  // namespace reference_host
