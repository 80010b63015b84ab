// Random estimate documents for properties. Call only inside a rapidcheck
// property: every choice is a rapidcheck draw, so failures shrink. Every
// count and text length is drawn from a small fixed range, whatever size
// rapidcheck asks for: a document stays within a few hundred objects.
#pragma once

#include <memory>
#include <string>

#include "host/engine/field_value.h"
#include "reference_host/app/app_document_impl.h"

namespace test_support {

// Texts that stress storage: empty, CJK, NUL bytes, invalid UTF-8
// (stray bytes, surrogates, overlong forms), "/" and "~", or arbitrary bytes.
std::string DrawOddText();
// Any double, weighted towards -0.0, NaN (with payloads), infinities and
// extremes.
double DrawOddDouble();
engine::FieldValue DrawFieldValue();

// A document with objects of every kind the reference host has, random
// fields, links (some dangling), collections with copy items, missing
// quantities, lists and fee calculators, and lines whose entry has left the
// document.
std::unique_ptr<reference_host::AppDocumentImpl> DrawRandomDocument();

}  // namespace test_support
