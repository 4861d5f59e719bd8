#include "command_line.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "brackwater/cli/option_splitter.hpp"
#include "brackwater/cli/usage_messages.hpp"

namespace brackwater::inspect {
namespace {

constexpr std::string_view kProgram = "portal-inspect";
// The width of the synopses before the command summaries of the general help.
constexpr std::size_t kSummaryColumn = 27;

struct OptionDecl {
  std::string_view name;     // "out", "type", "ids"; empty: no option
  std::string_view value;    // "FILE", "0xNN"; empty for a flag
  bool required;
  std::string_view synonym;  // another name for the option ("png" for "out"); may be empty
};

struct CommandDecl {
  Command command;
  std::string_view name;
  std::string_view operand;  // "ID", "REPORT", "DIR" (a mount point) or empty
  std::array<OptionDecl, 3> options;
  bool draws_png;       // needs libpng
  bool out_as_operand;  // a lone operand may stand for --out (export DIR)
  std::string_view summary;
  std::string_view details;

  // The option given as `--{given}`, under its name or its synonym.
  const OptionDecl* find_option(std::string_view given) const {
    for (const OptionDecl& decl : options) {
      if (!decl.name.empty() && (decl.name == given || decl.synonym == given)) return &decl;
    }
    return nullptr;
  }
  bool takes_several_options() const { return !options[1].name.empty(); }
};

constexpr std::array<CommandDecl, 9> kCommands{{
    {Command::Ls,
     "ls",
     "",
     {{{"type", "0xNN", false, ""}}},
     false,
     false,
     "List every file: id, stored size, compression, block offset",
     "Lists every file of the archive's index in ascending id order, one line each: the id,\n"
     "the stored size in bytes, whether the stored bytes are LRS-compressed, and the offset of\n"
     "the file's first block. --type keeps the ids whose top byte is 0xNN (0x08: surfaces)."},
    {Command::Cat,
     "cat",
     "ID",
     {{{"out", "FILE", true, ""}}},
     false,
     false,
     "Write a file's bytes (decompressed) to FILE",
     "Writes the bytes of file ID to FILE, decompressed when the file is stored compressed:\n"
     "exactly what the record parsers read."},
    {Command::Explain,
     "explain",
     "ID",
     {},
     false,
     false,
     "Resolve one surface step by step, or show where it fails",
     "Resolves surface ID the way tintsurvey does and prints every step to standard output:\n"
     "the Surface fields, the mip ids, the texture's format and size, the palette used and why,\n"
     "and the resulting colour. A surface that fails ends with the error and its causes exactly\n"
     "as the failing step reported them; the exit status is then 1."},
    {Command::Errors,
     "errors",
     "",
     {{{"ids", "", false, ""}}},
     false,
     false,
     "Count why surfaces fail, most frequent first",
     "Resolves every surface the way tintsurvey does and counts the failures by kind, most\n"
     "frequent first, with up to five example ids. Failures of one kind (the same error, and\n"
     "for a record read the same field) are counted together, shown with the ids and numbers\n"
     "they differ in masked: \"File ID {id} not found in provider\". A framed parse error is\n"
     "shown in one line as its cause and innermost field, e.g. \"Binary read error: failed to\n"
     "fill whole buffer, while parsing field 'height' in Texture\".\n"
     "With --ids it prints instead every surface that fails, one a line: its id, a tab and\n"
     "its message."},
    {Command::Texture,
     "texture",
     "ID",
     {{{"out", "FILE", true, "png"}}},
     true,
     false,
     "Draw a texture, or the texture a surface resolves to, as a PNG",
     "Decodes Texture ID to RGBA8 and writes it to FILE as a PNG. A surface ID (0x08xxxxxx)\n"
     "draws the last mip of its texture with the palette tintsurvey would choose.\n"
     "--png FILE is another name for --out FILE."},
    {Command::Swatch,
     "swatch",
     "REPORT",
     {{{"out", "FILE", true, "png"}}},
     true,
     false,
     "Draw a tintsurvey report as a grid of colour swatches",
     "Reads a report written by tintsurvey and draws one 16 x 16 swatch per surface into FILE,\n"
     "in ascending id order, left to right and top to bottom. It reads no archive: ARCHIVE may\n"
     "be left out. --png FILE is another name for --out FILE."},
    {Command::Sheet,
     "sheet",
     "REPORT",
     {{{"out", "DIR", true, "html"}}},
     true,
     false,
     "Show a report's colours beside their textures, as a web page",
     "Writes DIR/index.html and the textures it shows into DIR/textures: one tile per surface\n"
     "of the report, in id order, with its flat colour (and hex), whether it is solid or\n"
     "textured, the mip the survey decodes with the palette it chooses, and the first mip.\n"
     "Surfaces of the archive that the report leaves out are listed with their failure, those\n"
     "failing alike on one line. A filter box takes an id or a colour. The page needs no\n"
     "network and opens from the disk.\n"
     "--html DIR is another name for --out DIR."},
    {Command::Export,
     "export",
     "",
     {{{"out", "DIR", true, ""}, {"type", "0xNN", false, ""}, {"jobs", "N", false, ""}}},
     true,
     true,
     "Write every texture as a PNG file, on all cores",
     "Decodes every file of type 0xNN (default 0x06, the textures) with its default palette\n"
     "and writes it to DIR/0xXXXXXXXX.png, on N threads (default: one per core); the files\n"
     "written do not depend on N. Files that do not decode are listed on standard error with\n"
     "the reason and counted; the exit status stays 0 unless a file cannot be written.\n"
     "DIR may also be given alone, after the command: export DIR."},
    {Command::Mount,
     "mount",
     "DIR",
     {{{"foreground", "", false, ""}}},
     false,
     false,
     "Show the archive as a read-only folder at DIR",
     "Mounts the archive read-only at DIR, an empty directory, and returns once it is there:\n"
     "DIR/files/TT/0xXXXXXXXX holds each file's bytes (decompressed) in a folder per top byte\n"
     "TT, DIR/textures/0xXXXXXXXX.png each texture drawn as export draws it, and\n"
     "DIR/tintsurvey.json the survey's report. Images and the report are made when first read;\n"
     "listing decodes nothing. 'fusermount3 -u DIR' unmounts it. With --foreground it stays in\n"
     "the foreground until Ctrl-C or an unmount, then exits with status 0."},
}};

// The options any command can take, each with one value, and the flags.
constexpr std::array<std::string_view, 5> kOptionNames{"out", "png", "type", "html", "jobs"};
constexpr std::array<std::string_view, 2> kFlagNames{"ids", "foreground"};

const CommandDecl& declaration(Command command) {
  return *std::ranges::find(kCommands, command, &CommandDecl::command);
}

const CommandDecl* find_command(std::string_view name) {
  for (const CommandDecl& decl : kCommands) {
    if (decl.name == name) return &decl;
  }
  return nullptr;
}

// "explain ID", "ls [--type 0xNN]": a command with its arguments.
std::string synopsis(const CommandDecl& decl) {
  std::string text(decl.name);
  if (!decl.operand.empty()) text.append(" ").append(decl.operand);
  for (const OptionDecl& option : decl.options) {
    if (option.name.empty()) continue;
    std::string shown = "--";
    shown.append(option.name);
    if (!option.value.empty()) shown.append(" ").append(option.value);
    text.append(option.required ? " " : " [").append(shown);
    if (!option.required) text.append("]");
  }
  return text;
}

std::string command_usage(const CommandDecl& decl) {
  const std::string_view archive = decl.command == Command::Swatch ? " [ARCHIVE] " : " ARCHIVE ";
  return std::string(kProgram) + std::string(archive) + synopsis(decl);
}

std::string general_usage() {
  return "Usage: " + std::string(kProgram) + " ARCHIVE COMMAND [ARGS]\n       " +
         std::string(kProgram) + " [COMMAND] --help\n";
}

std::string general_help() {
  std::string out =
      "Look inside a portal DAT archive: list and extract its files, follow one surface's colour\n"
      "step by step, count why surfaces fail, draw textures and reports as PNG images, show a\n"
      "report's colours beside their textures and export every texture.\n\n" +
      general_usage() + "\nCommands:\n";
  for (const CommandDecl& decl : kCommands) {
    // A synopsis too long for its column has its summary on the next line.
    std::string line = "  " + synopsis(decl);
    if (line.size() > kSummaryColumn) {
      out += line + "\n";
      line.clear();
    }
    line.resize(kSummaryColumn + 2, ' ');
    out += line + std::string(decl.summary) + "\n";
  }
  out +=
      "\nIDs are hexadecimal, with or without a leading 0x (0x08000001).\n"
      "Exit status: 0 on success, 1 on a failure, 2 on a usage error.\n";
  return out;
}

std::string command_help(const CommandDecl& decl) {
  return "Usage: " + command_usage(decl) + "\n\n" + std::string(decl.details) + "\n";
}

CliExit usage_error(const std::string& message, const CommandDecl* decl) {
  const std::string usage = decl ? "Usage: " + command_usage(*decl) + "\n" : general_usage();
  const std::string help = decl ? std::string(kProgram) + " " + std::string(decl->name) + " --help"
                                : std::string(kProgram) + " --help";
  return cli::usage_error(kProgram, message, usage, help);
}

// Threads for export: more than this only adds switching.
constexpr unsigned kMaxJobs = 256;

// A decimal count of threads from 1 to kMaxJobs; 0 for anything else.
unsigned parse_jobs(std::string_view text) {
  unsigned jobs = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return 0;
  return jobs <= kMaxJobs ? jobs : 0;
}

std::optional<std::uint32_t> parse_hex(std::string_view text, std::size_t max_digits) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Splits the arguments into operands and option values, then checks them
// against the command they name.
class Parser {
 public:
  explicit Parser(std::span<const char* const> argv) : argv_(argv) {}

  std::expected<Invocation, CliExit> run() {
    if (cli::asks_for_help(argv_)) return std::unexpected(help());
    if (auto split = split_arguments(); !split) return std::unexpected(split.error());
    if (auto named = take_command(); !named) return std::unexpected(named.error());
    return check();
  }

 private:
  CliExit help() const {
    for (std::size_t i = 1; i < argv_.size(); ++i) {
      if (const CommandDecl* decl = find_command(argv_[i] ? argv_[i] : "")) {
        return CliExit{0, command_help(*decl)};
      }
    }
    return CliExit{0, general_help()};
  }

  std::expected<void, CliExit> split_arguments() {
    cli::OptionSplitter split(argv_, kOptionNames, kFlagNames);
    while (!split.done()) {
      const auto arg = split.next();
      if (!arg) return std::unexpected(refusal(arg.error()));
      if (!arg->is_option) {
        operands_.push_back(arg->value);
        continue;
      }
      if (!options_.empty() && !allows_another_option()) {
        return std::unexpected(usage_error("more than one option given", nullptr));
      }
      if (std::ranges::find(options_, arg->name, &cli::Argument::name) != options_.end()) {
        return std::unexpected(
            usage_error(cli::usage::given_more_than_once(arg->name), named_so_far()));
      }
      options_.push_back(*arg);
    }
    return {};
  }

  // The command the operands read so far name; options may come before it
  // is known, but usually follow it.
  const CommandDecl* named_so_far() const {
    return operands_.size() >= 2 ? find_command(operands_[1]) : nullptr;
  }

  // Commands with one option at most refuse a second one as soon as it shows.
  bool allows_another_option() const {
    const CommandDecl* decl = named_so_far();
    return decl != nullptr && decl->takes_several_options();
  }

  CliExit refusal(const cli::SplitError& error) const {
    if (error.kind == cli::SplitError::Kind::UnknownOption) {
      return usage_error(cli::usage::unrecognised_option(error.argument), nullptr);
    }
    if (!options_.empty() && !allows_another_option()) {
      return usage_error("more than one option given", nullptr);
    }
    if (error.kind == cli::SplitError::Kind::FlagValue) {
      return usage_error(cli::usage::takes_no_value(error.name), nullptr);
    }
    return usage_error(cli::usage::needs_value(error.name), nullptr);
  }

  // ARCHIVE COMMAND, or a bare "swatch", which reads no archive.
  std::expected<void, CliExit> take_command() {
    if (operands_.size() >= 2 && find_command(operands_[1])) {
      archive_ = operands_[0];
      decl_ = find_command(operands_[1]);
      operands_.erase(operands_.begin(), operands_.begin() + 2);
      if (archive_.empty()) {
        return std::unexpected(usage_error(cli::usage::empty_path("ARCHIVE"), decl_));
      }
      return {};
    }
    if (!operands_.empty() && operands_[0] == "swatch") {
      decl_ = find_command(operands_[0]);
      operands_.erase(operands_.begin());
      return {};
    }
    if (operands_.empty()) {
      return std::unexpected(usage_error("missing ARCHIVE and COMMAND", nullptr));
    }
    if (const CommandDecl* decl = find_command(operands_[0])) {
      return std::unexpected(
          usage_error("missing ARCHIVE before '" + std::string(decl->name) + "'", decl));
    }
    if (operands_.size() == 1) return std::unexpected(usage_error("missing COMMAND", nullptr));
    return std::unexpected(
        usage_error("unknown command '" + std::string(operands_[1]) + "'", nullptr));
  }

  std::expected<Invocation, CliExit> check() const {
    const std::string command(decl_->name);
    const auto fail = [this](const std::string& message) {
      return std::unexpected(usage_error(message, decl_));
    };
    Invocation result;
    result.command = decl_->command;
    result.archive = std::filesystem::path(archive_);

    // "export DIR" says what "export --out DIR" says.
    std::vector<std::string_view> operands = operands_;
    std::vector<cli::Argument> options = options_;
    if (decl_->out_as_operand && operands.size() == 1 && !was_given("out")) {
      if (operands[0].empty()) return fail(cli::usage::empty_path("DIR"));
      options.push_back(cli::Argument{true, "out", operands[0]});
      operands.clear();
    }

    const std::size_t wanted = decl_->operand.empty() ? 0 : 1;
    if (operands.size() < wanted) return fail(cli::usage::missing_operand(decl_->operand, command));
    if (operands.size() > wanted) return fail(cli::usage::unexpected_argument(operands[wanted]));
    for (const cli::Argument& option : options) {
      if (!decl_->find_option(option.name)) {
        return fail(cli::usage::takes_no_option(command, option.name));
      }
    }
    for (const OptionDecl& option : decl_->options) {
      const auto given = [&](const cli::Argument& arg) {
        return decl_->find_option(arg.name) == &option;
      };
      if (option.required && std::ranges::none_of(options, given)) {
        return fail(cli::usage::needs_option(command, option.name, option.value));
      }
    }

    if (decl_->operand == "ID") {
      const auto id = parse_file_id(operands[0]);
      if (!id) {
        return fail("invalid ID '" + std::string(operands[0]) +
                    "': expected up to eight hex digits, such as 0x08000001");
      }
      result.id = *id;
    } else if (!decl_->operand.empty()) {
      if (operands[0].empty()) return fail(cli::usage::empty_path(decl_->operand));
      (decl_->operand == "REPORT" ? result.report : result.output) = operands[0];
    }
    for (const cli::Argument& option : options) {
      const std::string value(option.value);
      if (option.name == "ids") {
        result.list_failures = true;
      } else if (option.name == "foreground") {
        result.foreground = true;
      } else if (option.name == "type") {
        result.type = parse_type_byte(value);
        if (!result.type) {
          return fail(cli::usage::invalid_value(value, "type", "one byte in hex, such as 0x08"));
        }
      } else if (option.name == "jobs") {
        result.jobs = parse_jobs(value);
        if (result.jobs == 0) {
          return fail(cli::usage::invalid_value(
              value, "jobs", "a number from 1 to " + std::to_string(kMaxJobs)));
        }
      } else {
        if (value.empty()) {
          return fail(
              cli::usage::empty_option_path(decl_->find_option(option.name)->value, option.name));
        }
        result.output = value;
      }
    }
    return result;
  }

  // Whether an option of the command was given under its name or its synonym.
  bool was_given(std::string_view name) const {
    return std::ranges::any_of(options_, [&](const cli::Argument& arg) {
      const OptionDecl* option = decl_->find_option(arg.name);
      return option != nullptr && option->name == name;
    });
  }

  std::span<const char* const> argv_;
  std::vector<std::string_view> operands_;
  std::vector<cli::Argument> options_;
  std::string_view archive_;
  const CommandDecl* decl_ = nullptr;
};

}  // namespace

std::expected<Invocation, CliExit> parse_command_line(std::span<const char* const> argv) {
  return Parser(argv).run();
}

std::string_view command_name(Command command) {
  return declaration(command).name;
}

bool draws_png(Command command) {
  return declaration(command).draws_png;
}

std::optional<std::uint32_t> parse_file_id(std::string_view text) {
  return parse_hex(text, 8);
}

std::optional<std::uint8_t> parse_type_byte(std::string_view text) {
  const auto value = parse_hex(text, 2);
  if (!value) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

}  // namespace brackwater::inspect
