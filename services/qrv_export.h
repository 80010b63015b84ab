// The library is built with hidden visibility; only what carries this macro
// is part of its boundary.
#pragma once

#define MARROW_QRV_EXPORT __attribute__((visibility("default")))
