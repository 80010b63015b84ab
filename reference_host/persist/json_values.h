// How single values of an estimate document are spelled in its JSON file:
// texts (raw bytes when they are not UTF-8), doubles (exact, non-finite ones
// by name), tagged field values and map keys. Shared by the saver and the
// loader so the two always agree.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "host/engine/field_value.h"
#include "reference_host/persist/json_text_writer.h"

namespace reference_host {
namespace persist {

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF):
// exactly what the JSON serialiser accepts.
bool IsValidUtf8(std::string_view text);

// A text: a JSON string when it is valid UTF-8, else {"bytes": "<hex>"}.
nlohmann::json TextToJson(const std::string& text);
void WriteText(JsonTextWriter& out, std::string_view text);
// Reads either spelling; false (|text| untouched) for anything else.
bool TextFromJson(const nlohmann::json& json, std::string& text);

// The bytes two hex digits each (either case) stand for; false, |bytes|
// untouched, for an odd count or a non-digit.
bool BytesFromHex(std::string_view hex, std::string& bytes);

// The NaN whose IEEE 754 bits |hex| spells as 16 hex digits, as the saver
// writes a NaN with a payload; false for any other text or a number.
bool NaNFromBits(std::string_view hex, double& value);

// A text as the file spells it, in quotes, for messages.
std::string QuotedText(const std::string& text);
// Appends one reference token to a JSON pointer, escaped.
void AppendPointerToken(std::string& pointer, const std::string& token);

// A double: a JSON number when finite (shortest exact form, sign of zero
// kept), else {"double": "NaN" | "Infinity" | "-Infinity"}; a NaN other than
// the default quiet one adds "bits": "<16 hex digits>".
nlohmann::json DoubleToJson(double value);
void WriteDouble(JsonTextWriter& out, double value);
// Reads either spelling; a JSON integer is taken as its double value.
bool DoubleFromJson(const nlohmann::json& json, double& value);

// A field value: null (empty), true/false, an integer, a double (always with
// a point or exponent, or the object form above), or a text.
nlohmann::json FieldValueToJson(const engine::FieldValue& value);
// False, with |what| saying what was wrong, for anything else.
bool FieldValueFromJson(const nlohmann::json& json, engine::FieldValue& value, std::string& what);

// A map key (field key, fee kind): as it is when valid UTF-8 and not starting
// with a NUL byte, else a NUL byte followed by the hex of its bytes.
std::string KeyToJson(const std::string& key);
// Whether |key| is spelled as it is.
bool KeyIsPlain(const std::string& key);
// False for malformed hex and for an escaped key that has a plain spelling.
bool KeyFromJson(const std::string& json_key, std::string& key);

}  // namespace persist
}  // namespace reference_host
