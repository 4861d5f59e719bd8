#pragma once

#include <string>
#include <string_view>

namespace brackwater::cli {

// What ends a run at the command line: help (status 0, standard output) or a
// usage error (status 2, standard error), with the text to print.
struct CliExit {
  int status = 0;
  std::string text;
};

// "{program}: {message}", then the usage lines as given, then "Try '{hint}'
// for more information.": every usage error says where the help is.
CliExit usage_error(std::string_view program, std::string_view message, std::string_view usage,
                    std::string_view hint);

}  // namespace brackwater::cli
