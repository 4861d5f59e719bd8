#include "brackwater/cli/cli_exit.hpp"

namespace brackwater::cli {

CliExit usage_error(std::string_view program, std::string_view message, std::string_view usage,
                    std::string_view hint) {
  std::string text(program);
  text.append(": ").append(message).append("\n").append(usage);
  text.append("Try '").append(hint).append("' for more information.\n");
  return CliExit{2, std::move(text)};
}

}  // namespace brackwater::cli
