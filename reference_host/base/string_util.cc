// Number formatting works on the shortest decimal text that reads back as the
// same double, so 2.675 rounds to 2.68 as a user would expect, and values of
// any size stay in plain (never exponent) form.
#include "host/base/string_util.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace base {
namespace {

// Shortest fixed-notation text of a finite value, e.g. "-0.00001", "7".
std::string ShortestFixed(double value) {
  char buffer[512];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

// Rounds decimal text half away from zero to |digits| decimals; the result
// keeps exactly |digits| decimals (none and no point when digits is 0).
std::string RoundDecimalText(const std::string& text, int digits) {
  bool negative = !text.empty() && text[0] == '-';
  std::string body = negative ? text.substr(1) : text;
  std::string::size_type point = body.find('.');
  std::string int_part = point == std::string::npos ? body : body.substr(0, point);
  std::string frac_part = point == std::string::npos ? "" : body.substr(point + 1);
  if (int_part.empty()) int_part = "0";

  bool round_up = static_cast<int>(frac_part.size()) > digits && frac_part[digits] >= '5';
  frac_part.resize(digits, '0');
  std::string digits_text = int_part + frac_part;
  if (round_up) {
    int i = static_cast<int>(digits_text.size()) - 1;
    for (; i >= 0; --i) {
      if (digits_text[i] == '9') {
        digits_text[i] = '0';
      } else {
        ++digits_text[i];
        break;
      }
    }
    if (i < 0) digits_text.insert(digits_text.begin(), '1');
  }
  std::string out = digits_text.substr(0, digits_text.size() - digits);
  if (digits > 0) out += "." + digits_text.substr(digits_text.size() - digits);
  return negative ? "-" + out : out;
}

std::string StripTrailingZeros(std::string text) {
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  if (text == "-0" || text.empty()) return "0";
  return text;
}

}  // namespace

double DoubleRound(double value, int digits) {
  if (!std::isfinite(value)) return value;
  if (digits < 0) {
    double scale = std::pow(10.0, -digits);
    return std::round(value / scale) * scale;
  }
  std::string rounded = RoundDecimalText(ShortestFixed(value), digits);
  double result = std::strtod(rounded.c_str(), nullptr);
  return result == 0.0 ? 0.0 : result;
}

std::string ToLower(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string ToPlainStringWithStripTrailingZeros(double value, int digits) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  if (digits < 0) digits = 0;
  return StripTrailingZeros(RoundDecimalText(ShortestFixed(value), digits));
}

}  // namespace base
