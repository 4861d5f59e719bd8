#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace test_support {

// A frame as its read error shows it: the message, and "file:line" when it
// has a location.
struct FrameText {
  std::string message;
  std::string at;  // empty: no location
};

// The text of a read error with frames, innermost first, laid out between
// the "Backtrace" rules with the bold marks around each frame.
inline std::string backtrace_text(const std::string& cause, const std::vector<FrameText>& frames) {
  const std::string bold = "\x1b[1m";
  const std::string plain = "\x1b[22m";
  const auto rule = [](int width) {
    std::string line;
    for (int i = 0; i < width; ++i) line += "\u2501";
    return line;
  };
  std::string text = "\n \u257A" + rule(20) + "\u2505 Backtrace \u2505" + rule(20) + "\u2578\n\n";
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const std::string block = k == 0 ? bold + "Error: " + cause + plain + "\n" +
                                           std::string(11, ' ') + bold + frames[k].message + plain
                                     : frames[k].message;
    text += " " + std::to_string(k) + ": " + bold + block + plain + "\n";
    if (!frames[k].at.empty()) text += "     at " + frames[k].at + "\n";
  }
  return text + "\n \u257A" + rule(53) + "\u2578\n\n";
}

// `text` with every line after the first moved right by `columns` spaces, as
// an error chain sets a multi-line cause in its column.
inline std::string indent_following_lines(const std::string& text, std::size_t columns) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\n') out.append(columns, ' ');
  }
  return out;
}

}  // namespace test_support
