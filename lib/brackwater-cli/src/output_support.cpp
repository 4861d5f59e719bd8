#include "output_support.hpp"

#include <unistd.h>

#include <atomic>
#include <string>

namespace brackwater::cli {
namespace {

// Leaves room for the suffix within the usual 255-byte limit of a name.
constexpr std::size_t kNameStemLimit = 200;

std::atomic<unsigned long> next_temporary{0};

}  // namespace

std::filesystem::path directory_of(const std::filesystem::path& path) {
  const std::filesystem::path parent = path.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

std::filesystem::path temporary_name(const std::filesystem::path& target) {
  const std::string stem = target.filename().string().substr(0, kNameStemLimit);
  const unsigned long n = next_temporary.fetch_add(1, std::memory_order_relaxed);
  return directory_of(target) /
         ("." + stem + "." + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp");
}

}  // namespace brackwater::cli
