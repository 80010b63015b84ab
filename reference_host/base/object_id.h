// Fresh object ids: 32 hex characters from one process-wide generator, so ids
// stay unique across every document of the process.
#pragma once

#include <cstdint>
#include <string>

namespace reference_host {

std::string NewObjectId();

// Makes the following ids repeatable (tests, generated benchmark documents).
void SeedObjectIds(std::uint64_t seed);

}  // namespace reference_host
