#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.hpp"

namespace test_support {

// A fenced code block of a Markdown file: its info string ("console",
// "cpp tests/consumer/main.cpp") and its lines, without the fence's
// indentation.
struct FencedBlock {
  std::string info;
  std::vector<std::string> lines;
  std::size_t line_number = 0;  // of the opening fence, from 1

  // The lines joined, each ended by a line feed.
  std::string text() const {
    std::string joined;
    for (const std::string& line : lines) joined.append(line).append("\n");
    return joined;
  }
};

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every fenced block of `markdown`, in order; a block inside a list item is
// indented with its item, and that indentation is taken off its lines.
inline std::vector<FencedBlock> fenced_blocks(const std::string& markdown) {
  std::vector<FencedBlock> blocks;
  const std::vector<std::string> lines = split_lines(markdown);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t indent = lines[i].find_first_not_of(' ');
    if (indent == std::string::npos || lines[i].compare(indent, 3, "```") != 0) continue;
    FencedBlock block;
    block.info = lines[i].substr(indent + 3);
    block.line_number = i + 1;
    for (++i; i < lines.size(); ++i) {
      const std::size_t at = lines[i].find_first_not_of(' ');
      if (at != std::string::npos && lines[i].substr(at) == "```") break;
      block.lines.push_back(lines[i].size() >= indent ? lines[i].substr(indent) : "");
    }
    blocks.push_back(std::move(block));
  }
  return blocks;
}

inline std::vector<FencedBlock> fenced_blocks(const std::filesystem::path& file) {
  return fenced_blocks(read_file(file));
}

}  // namespace test_support
