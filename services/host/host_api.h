// Visibility of the host contracts. The library is built with hidden
// visibility, but the host's interface classes must keep one type identity
// across shared objects or the cross casts between an object's faces fail.
#pragma once

#define MARROW_HOST_API __attribute__((visibility("default")))
