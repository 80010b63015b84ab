#include "reference_host/persist/json_values.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace reference_host {
namespace persist {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string ToHex(const std::string& bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    hex.push_back(kHexDigits[byte >> 4]);
    hex.push_back(kHexDigits[byte & 0xf]);
  }
  return hex;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool BytesFromHex(std::string_view hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = HexValue(hex[i]);
    int low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>(high << 4 | low));
  }
  bytes = std::move(out);
  return true;
}

namespace {

bool FromHex(const std::string& hex, std::string& bytes) { return BytesFromHex(hex, bytes); }

uint64_t BitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

const uint64_t kQuietNaNBits = BitsOf(std::numeric_limits<double>::quiet_NaN());

}  // namespace

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    // Texts are mostly ASCII: eight bytes at a time while they are.
    uint64_t word;
    while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080u) == 0)) p += 8;
    if (p == end) break;
    unsigned char lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    int length;
    unsigned char low = 0x80, high = 0xbf;  // bounds of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
      length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
      length = 3;
      if (lead == 0xe0) low = 0xa0;   // overlong
      if (lead == 0xed) high = 0x9f;  // surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
      length = 4;
      if (lead == 0xf0) low = 0x90;   // overlong
      if (lead == 0xf4) high = 0x8f;  // above U+10FFFF
    } else {
      return false;
    }
    if (end - p < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (int i = 2; i < length; ++i)
      if (p[i] < 0x80 || p[i] > 0xbf) return false;
    p += length;
  }
  return true;
}

nlohmann::json TextToJson(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  return nlohmann::json{{"bytes", ToHex(text)}};
}

void WriteText(JsonTextWriter& out, std::string_view text) {
  if (IsValidUtf8(text)) {
    out.String(text);
    return;
  }
  out.BeginObject();
  out.Key("bytes");
  out.String(ToHex(std::string(text)));
  out.EndObject();
}

bool TextFromJson(const nlohmann::json& json, std::string& text) {
  if (json.is_string()) {
    text = json.get_ref<const std::string&>();
    return true;
  }
  if (!json.is_object() || json.size() != 1) return false;
  auto bytes = json.find("bytes");
  if (bytes == json.end() || !bytes->is_string()) return false;
  return FromHex(bytes->get_ref<const std::string&>(), text);
}

std::string QuotedText(const std::string& text) {
  return TextToJson(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void AppendPointerToken(std::string& pointer, const std::string& token) {
  pointer += '/';
  for (char c : token) {
    if (c == '~')
      pointer += "~0";
    else if (c == '/')
      pointer += "~1";
    else
      pointer += c;
  }
}

nlohmann::json DoubleToJson(double value) {
  if (std::isfinite(value)) return value;
  if (std::isinf(value)) return nlohmann::json{{"double", value > 0 ? "Infinity" : "-Infinity"}};
  nlohmann::json nan{{"double", "NaN"}};
  uint64_t bits = BitsOf(value);
  if (bits != kQuietNaNBits) {
    char hex[17];
    for (int i = 0; i < 16; ++i) hex[i] = kHexDigits[(bits >> (60 - 4 * i)) & 0xf];
    hex[16] = '\0';
    nan["bits"] = hex;
  }
  return nan;
}

void WriteDouble(JsonTextWriter& out, double value) {
  if (std::isfinite(value)) {
    out.Double(value);
    return;
  }
  out.BeginObject();
  uint64_t bits = BitsOf(value);
  if (std::isnan(value) && bits != kQuietNaNBits) {
    char hex[17];
    for (int i = 0; i < 16; ++i) hex[i] = kHexDigits[(bits >> (60 - 4 * i)) & 0xf];
    hex[16] = '\0';
    out.Key("bits");
    out.String(hex);
  }
  out.Key("double");
  out.String(std::isnan(value) ? "NaN" : value > 0 ? "Infinity" : "-Infinity");
  out.EndObject();
}

bool DoubleFromJson(const nlohmann::json& json, double& value) {
  if (json.is_number()) {
    value = json.get<double>();
    return true;
  }
  if (!json.is_object()) return false;
  auto name = json.find("double");
  if (name == json.end() || !name->is_string()) return false;
  const std::string& text = name->get_ref<const std::string&>();
  auto bits = json.find("bits");
  if (text == "NaN") {
    if (json.size() == 1) {
      value = std::numeric_limits<double>::quiet_NaN();
      return true;
    }
    if (json.size() != 2 || bits == json.end() || !bits->is_string()) return false;
    return NaNFromBits(bits->get_ref<const std::string&>(), value);
  }
  if (json.size() != 1) return false;
  if (text == "Infinity") {
    value = std::numeric_limits<double>::infinity();
    return true;
  }
  if (text == "-Infinity") {
    value = -std::numeric_limits<double>::infinity();
    return true;
  }
  return false;
}

nlohmann::json FieldValueToJson(const engine::FieldValue& value) {
  switch (value.kind()) {
    case engine::FieldValue::Kind::kEmpty:
      return nullptr;
    case engine::FieldValue::Kind::kBool:
      return value.GetBool();
    case engine::FieldValue::Kind::kInt:
      return value.GetInt();
    case engine::FieldValue::Kind::kDouble:
      return DoubleToJson(value.GetDouble());
    case engine::FieldValue::Kind::kText:
      return TextToJson(value.GetString());
  }
  return nullptr;
}

bool FieldValueFromJson(const nlohmann::json& json, engine::FieldValue& value, std::string& what) {
  switch (json.type()) {
    case nlohmann::json::value_t::null:
      value = engine::FieldValue();
      return true;
    case nlohmann::json::value_t::boolean:
      value = engine::FieldValue(json.get<bool>());
      return true;
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned: {
      // Out-of-range values would wrap silently in get<int>.
      if (json.is_number_unsigned()
              ? json.get<uint64_t>() > static_cast<uint64_t>(INT32_MAX)
              : (json.get<int64_t>() < INT32_MIN || json.get<int64_t>() > INT32_MAX)) {
        what = "integer out of range";
        return false;
      }
      value = engine::FieldValue(static_cast<int>(json.get<int64_t>()));
      return true;
    }
    case nlohmann::json::value_t::number_float:
      value = engine::FieldValue(json.get<double>());
      return true;
    case nlohmann::json::value_t::string:
      value = engine::FieldValue(json.get<std::string>());
      return true;
    case nlohmann::json::value_t::object: {
      std::string text;
      double number;
      if (TextFromJson(json, text)) {
        value = engine::FieldValue(std::move(text));
        return true;
      }
      if (DoubleFromJson(json, number)) {
        value = engine::FieldValue(number);
        return true;
      }
      break;
    }
    default:
      break;
  }
  what =
      "expected a field value (null, boolean, integer, number, text, {\"bytes\"} or {\"double\"})";
  return false;
}

bool KeyIsPlain(const std::string& key) {
  return IsValidUtf8(key) && (key.empty() || key[0] != '\0');
}

std::string KeyToJson(const std::string& key) {
  if (KeyIsPlain(key)) return key;
  return std::string(1, '\0') + ToHex(key);
}

bool KeyFromJson(const std::string& json_key, std::string& key) {
  if (json_key.empty() || json_key[0] != '\0') {
    key = json_key;
    return true;
  }
  // Only keys that cannot be written plainly have the escaped form, so two
  // spellings never name one key.
  std::string decoded;
  if (!FromHex(json_key.substr(1), decoded)) return false;
  if (KeyIsPlain(decoded)) return false;
  key = std::move(decoded);
  return true;
}

bool NaNFromBits(std::string_view hex, double& value) {
  std::string raw;
  if (hex.size() != 16 || !BytesFromHex(hex, raw)) return false;
  uint64_t parsed = 0;
  for (unsigned char byte : raw) parsed = parsed << 8 | byte;
  double decoded;
  std::memcpy(&decoded, &parsed, sizeof decoded);
  if (!std::isnan(decoded)) return false;
  value = decoded;
  return true;
}

}  // namespace persist
}  // namespace reference_host
