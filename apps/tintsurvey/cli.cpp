#include "cli.hpp"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <system_error>

#include "brackwater/cli/option_splitter.hpp"

namespace brackwater::tintsurvey {
namespace {

constexpr std::string_view kCommandName = "brackwater-tools";
constexpr std::string_view kAbout =
    "Emit per-surface dominant-colour JSON for the quill-agent fill path";
constexpr std::string_view kDefaultOut = "apps/brackwater-web/data/tintsurvey.json";
constexpr std::string_view kDefaultLimit = "0";

// One option taking exactly one value.
struct OptionDecl {
  std::string_view name;        // without the leading "--"
  std::string_view value_name;  // shown as <VALUE_NAME>
  std::string_view help;
};

enum Option : std::size_t { kPortalDat, kOut, kLimit, kOptionCount };

constexpr std::array<OptionDecl, kOptionCount> kOptions{{
    {"portal-dat", "PORTAL_DAT", "Path to the retail client_portal.dat (surfaces live here)"},
    {"out", "OUT",
     "Output JSON path. Default writes alongside the brackwater-web data directory so the "
     "runtime can fetch it relative to its own URL"},
    {"limit", "LIMIT",
     "Optional max number of surfaces to process (handy for smoke tests). `0` means \"all\""},
}};

constexpr auto kOptionNames = [] {
  std::array<std::string_view, kOptionCount> names{};
  for (std::size_t k = 0; k < kOptionCount; ++k) names[k] = kOptions[k].name;
  return names;
}();

// The archive's usual place below the invoking user's home directory, as the
// password database records it.
std::filesystem::path default_portal_dat() {
  const passwd* user = ::getpwuid(::getuid());
  const std::filesystem::path home = user != nullptr && user->pw_dir != nullptr && *user->pw_dir
                                         ? std::filesystem::path(user->pw_dir)
                                         : std::filesystem::path("/");
  return home / "ac_base_dats/client_portal.dat";
}

// The file-name part of argv[0]; the command's own name when there is none.
std::string program_name(std::span<const char* const> argv) {
  if (argv.empty() || argv[0] == nullptr) return std::string(kCommandName);
  const std::string_view invoked = argv[0];
  const std::string_view name = invoked.substr(invoked.rfind('/') + 1);
  return name.empty() ? std::string(kCommandName) : std::string(name);
}

std::string usage_line(const std::string& program) {
  return "Usage: " + program + " [OPTIONS]\n";
}

// "--name <VALUE_NAME>", as usage texts show an option.
std::string label(Option option) {
  const OptionDecl& declared = kOptions[option];
  return "--" + std::string(declared.name) + " <" + std::string(declared.value_name) + ">";
}

void append_option_help(std::string& out, std::string_view heading, std::string_view help,
                        std::string_view default_value) {
  out.append("  ").append(heading).append("\n");
  out.append("      ").append(help).append("\n");
  if (!default_value.empty()) out.append("      [default: ").append(default_value).append("]\n");
}

std::string help_text(const std::string& program, const std::filesystem::path& portal_dat) {
  std::string out(kAbout);
  out += "\n\n" + usage_line(program) + "\nOptions:\n";
  append_option_help(out, label(kPortalDat), kOptions[kPortalDat].help, portal_dat.native());
  append_option_help(out, label(kOut), kOptions[kOut].help, kDefaultOut);
  append_option_help(out, label(kLimit), kOptions[kLimit].help, kDefaultLimit);
  append_option_help(out, "-h, --help", "Print this help and exit", "");
  return out;
}

// Collects the given option values left to right, then converts them; the
// first problem ends parsing.
class Parser {
 public:
  explicit Parser(std::span<const char* const> argv) : argv_(argv), program_(program_name(argv)) {}

  std::expected<Cli, CliExit> run() {
    cli::OptionSplitter split(argv_, kOptionNames);
    while (!split.done()) {
      const auto arg = split.next();
      if (!arg) return refuse(arg.error());
      if (!arg->is_option) return fail("unexpected argument '" + std::string(arg->value) + "'");
      const Option option = declared(arg->name);
      if (given_[option]) return fail("option '" + label(option) + "' given more than once");
      given_[option] = arg->value;
    }
    return convert();
  }

 private:
  // The option the splitter found declared under `name`.
  static Option declared(std::string_view name) {
    return static_cast<Option>(std::ranges::find(kOptionNames, name) - kOptionNames.begin());
  }

  // Help counts where it stands: an argument before it can still fail.
  std::unexpected<CliExit> refuse(const cli::SplitError& error) const {
    const std::string_view arg = error.argument;
    if (error.kind == cli::SplitError::Kind::MissingValue) {
      const Option option = declared(error.name);
      if (given_[option]) return fail("option '" + label(option) + "' given more than once");
      return fail("option '" + label(option) + "' requires a value");
    }
    if (cli::is_help(arg)) return std::unexpected(help());
    if (!arg.starts_with("--")) return fail("unexpected argument '" + std::string(arg) + "'");
    if (error.name == "help") return fail("option '--help' takes no value");
    return fail("unrecognised option '" + std::string(arg) + "'");
  }

  std::expected<Cli, CliExit> convert() const {
    Cli cli;
    auto portal_dat = path_value(kPortalDat, default_portal_dat());
    if (!portal_dat) return std::unexpected(portal_dat.error());
    cli.portal_dat = std::move(*portal_dat);
    auto out = path_value(kOut, std::filesystem::path(kDefaultOut));
    if (!out) return std::unexpected(out.error());
    cli.out = std::move(*out);
    const std::string_view limit = given_[kLimit].value_or(kDefaultLimit);
    const std::optional<std::size_t> parsed = parse_limit(limit);
    if (!parsed) {
      return invalid(kLimit, limit,
                     "expected a decimal number from 0 to " +
                         std::to_string(std::numeric_limits<std::size_t>::max()));
    }
    cli.limit = *parsed;
    return cli;
  }

  // Any non-empty value, taken as the bytes given.
  std::expected<std::filesystem::path, CliExit> path_value(Option option,
                                                           std::filesystem::path fallback) const {
    if (!given_[option]) return fallback;
    if (given_[option]->empty()) return invalid(option, "", "the path must not be empty");
    return std::filesystem::path(*given_[option]);
  }

  CliExit help() const { return CliExit{0, help_text(program_, default_portal_dat())}; }

  std::unexpected<CliExit> fail(const std::string& message) const {
    return std::unexpected(
        cli::usage_error(program_, message, usage_line(program_), program_ + " --help"));
  }

  std::unexpected<CliExit> invalid(Option option, std::string_view value,
                                   const std::string& reason) const {
    return fail("invalid value '" + std::string(value) + "' for '" + label(option) +
                "': " + reason);
  }

  std::span<const char* const> argv_;
  std::string program_;
  std::array<std::optional<std::string_view>, kOptionCount> given_;
};

}  // namespace

std::expected<Cli, CliExit> parse_cli(std::span<const char* const> argv) {
  return Parser(argv).run();
}

std::optional<std::size_t> parse_limit(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace brackwater::tintsurvey
