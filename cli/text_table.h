// Column-aligned text output that measures cells by their display width on a
// terminal: East Asian wide characters take two columns.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Terminal columns |text| takes. Wide and fullwidth characters count 2,
// combining marks 0, every other character 1; a byte that does not start a
// valid UTF-8 sequence counts 1 on its own.
int DisplayWidth(const std::string& text);

// |text| with every byte that does not start a valid UTF-8 sequence
// replaced by U+FFFD, so that echoing input never garbles a terminal.
std::string ValidUtf8(const std::string& text);

class TextTable {
 public:
  enum class Align { kLeft, kRight };

  explicit TextTable(std::vector<std::string> headers);
  // Defaults to left.
  void SetAlign(size_t column, Align align);
  // Missing trailing cells print empty.
  void AddRow(std::vector<std::string> cells);
  // A line of its own, outside the columns (a heading inside the table).
  void AddSection(std::string text);
  bool empty() const { return rows_.empty(); }

  // Each line starts with |indent|; trailing blanks are dropped.
  void Print(std::ostream& out, const std::string& indent = "") const;

 private:
  struct Row {
    bool section = false;
    std::vector<std::string> cells;
  };
  void PrintCells(std::ostream& out, const std::vector<std::string>& cells,
                  const std::vector<int>& widths, const std::string& indent) const;

  std::vector<std::string> headers_;
  std::vector<Align> aligns_;
  std::vector<Row> rows_;
};

}  // namespace cli
