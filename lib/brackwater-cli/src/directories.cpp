#include "brackwater/cli/directories.hpp"

#include <sys/stat.h>

#include <cerrno>

namespace brackwater::cli {
namespace {

namespace fs = std::filesystem;

bool is_existing_directory(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates `dir` (0777 before the umask); one that already exists is fine.
// Gives the errno of the failure otherwise.
std::expected<void, int> make_directory(const fs::path& dir) {
  if (::mkdir(dir.c_str(), 0777) == 0) return {};
  const int error = errno;
  if (error != ENOENT && is_existing_directory(dir)) return {};
  return std::unexpected(error);
}

}  // namespace

std::expected<void, int> make_directories(const fs::path& dir) {
  const auto made = make_directory(dir);
  if (made || made.error() != ENOENT) return made;
  const fs::path parent = dir.parent_path();
  if (parent.empty() || parent == dir) return made;
  if (const auto ancestors = make_directories(parent); !ancestors) return ancestors;
  return make_directory(dir);
}

}  // namespace brackwater::cli
