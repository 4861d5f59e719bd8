#include "brackwater/tools/tool_error.hpp"

#include <string_view>
#include <type_traits>

namespace brackwater::tools {
namespace {

// The messages below a library error's own: its source's, if it has one.
std::vector<std::string> source_messages(const dat::DatError& error) {
  return std::visit(
      [](const auto& source) -> std::vector<std::string> {
        if constexpr (std::is_same_v<std::decay_t<decltype(source)>, std::monostate>) {
          return {};
        } else {
          return {source.get().message()};
        }
      },
      error.source());
}

// Appends `text` with every line after its first indented by `indent` spaces,
// empty lines included, so a multi-line cause stays in its column.
void append_indented(std::string& out, std::string_view text, std::size_t indent) {
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos;
       end = text.find('\n', start)) {
    out.append(text.substr(start, end + 1 - start)).append(indent, ' ');
    start = end + 1;
  }
  out.append(text.substr(start));
}

// The number of a cause right-aligned in five columns, then ": ".
std::string cause_number(std::size_t number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), ' ');
  return digits + ": ";
}

}  // namespace

ToolError ToolError::from(const dat::DatError& error) {
  return ToolError(error.message(), source_messages(error));
}

ToolError ToolError::from(const dat::ReadError& error) {
  return ToolError(error.message());
}

ToolError ToolError::from(const dat::TextureDecodeError& error) {
  return ToolError(error.message());
}

ToolError ToolError::wrap(std::string context, const dat::DatError& cause) {
  std::vector<std::string> causes{cause.message()};
  for (std::string& below : source_messages(cause)) causes.push_back(std::move(below));
  return ToolError(std::move(context), std::move(causes));
}

ToolError ToolError::wrap(std::string context, const dat::IoError& cause) {
  return ToolError(std::move(context), {cause.message()});
}

std::string ToolError::render() const {
  std::string out = "Error: " + message_ + "\n";
  if (!causes_.empty()) {
    out += "\nCaused by:";
    const bool numbered = causes_.size() > 1;
    for (std::size_t i = 0; i < causes_.size(); ++i) {
      out += '\n';
      out += numbered ? cause_number(i) : std::string(4, ' ');
      append_indented(out, causes_[i], numbered ? 7 : 4);
    }
    out += '\n';
  }
  return out;
}

}  // namespace brackwater::tools
