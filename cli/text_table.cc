#include "cli/text_table.h"

#include <algorithm>
#include <cstdint>

namespace cli {
namespace {

bool IsWide(uint32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
         (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsZeroWidth(uint32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0xFE00 && c <= 0xFE0F);
}

// Decodes one UTF-8 sequence at |i|; false (and one byte consumed) when the
// bytes there do not form a valid, shortest-form sequence.
bool Decode(const std::string& text, size_t& i, uint32_t& code) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  int extra;
  uint32_t min;
  if (lead < 0x80) {
    code = lead;
    ++i;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, code = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, code = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, code = lead & 0x07, min = 0x10000;
  } else {
    ++i;
    return false;
  }
  if (i + extra >= text.size()) {
    ++i;
    return false;
  }
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++i;
    return false;
  }
  i += extra + 1;
  return true;
}

}  // namespace

int DisplayWidth(const std::string& text) {
  int width = 0;
  size_t i = 0;
  while (i < text.size()) {
    uint32_t code = 0;
    if (!Decode(text, i, code)) {
      ++width;
      continue;
    }
    if (IsZeroWidth(code)) continue;
    width += IsWide(code) ? 2 : 1;
  }
  return width;
}

std::string ValidUtf8(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = i;
    uint32_t code = 0;
    if (Decode(text, i, code))
      out.append(text, start, i - start);
    else
      out += "\xEF\xBF\xBD";
  }
  return out;
}

TextTable::TextTable(std::vector<std::string> headers)
    : headers_(std::move(headers)), aligns_(headers_.size(), Align::kLeft) {}

void TextTable::SetAlign(size_t column, Align align) {
  if (column < aligns_.size()) aligns_[column] = align;
}

void TextTable::AddRow(std::vector<std::string> cells) {
  cells.resize(headers_.size());
  rows_.push_back({false, std::move(cells)});
}

void TextTable::AddSection(std::string text) { rows_.push_back({true, {std::move(text)}}); }

void TextTable::PrintCells(std::ostream& out, const std::vector<std::string>& cells,
                           const std::vector<int>& widths, const std::string& indent) const {
  std::string line = indent;
  for (size_t c = 0; c < cells.size(); ++c) {
    const int pad = widths[c] - DisplayWidth(cells[c]);
    if (c > 0) line += "  ";
    if (aligns_[c] == Align::kRight) line.append(pad, ' ');
    line += cells[c];
    if (aligns_[c] == Align::kLeft) line.append(pad, ' ');
  }
  line.erase(line.find_last_not_of(' ') + 1);
  out << line << '\n';
}

void TextTable::Print(std::ostream& out, const std::string& indent) const {
  std::vector<int> widths(headers_.size(), 0);
  for (size_t c = 0; c < headers_.size(); ++c) widths[c] = DisplayWidth(headers_[c]);
  for (const Row& row : rows_) {
    if (row.section) continue;
    for (size_t c = 0; c < row.cells.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(row.cells[c]));
  }
  PrintCells(out, headers_, widths, indent);
  for (const Row& row : rows_) {
    if (row.section)
      out << indent << row.cells[0] << '\n';
    else
      PrintCells(out, row.cells, widths, indent);
  }
}

}  // namespace cli
