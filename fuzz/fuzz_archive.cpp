#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/survey.hpp"
#include "check.hpp"

namespace {

using namespace brackwater;

// The archive under test lives in one file, rewritten for every input and
// removed at exit. Memory-backed /dev/shm keeps the rewrite cheap.
class ScratchFile {
 public:
  ScratchFile() {
    const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm")
                                          ? "/dev/shm"
                                          : std::filesystem::temp_directory_path();
    std::string pattern = (dir / "brackwater-fuzz-XXXXXX").string();
    fd_ = ::mkstemp(pattern.data());
    fuzz::require(fd_ >= 0, "a scratch file can be created");
    path_ = pattern;
  }
  ~ScratchFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }

  void write(const std::uint8_t* data, std::size_t size) {
    fuzz::require(::ftruncate(fd_, 0) == 0, "the scratch file can be emptied");
    std::size_t done = 0;
    while (done < size) {
      const ssize_t put = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      fuzz::require(put > 0, "the scratch file can be written");
      done += static_cast<std::size_t>(put);
    }
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// The survey's decode limit (sixteen times the archive plus 256 MiB) lets
// one input decode a few 4096 x 4096 textures, at about a tenth of a second
// each here. This smaller one runs exactly the same code and keeps the
// search for crashes from turning into a hunt for slow inputs.
dat::Allowance decode_limit(std::size_t size) {
  return dat::Allowance(16 * std::uint64_t{size} + (std::uint64_t{64} << 20));
}

std::string outcome(const std::expected<dat::Bytes, dat::DatError>& read) {
  return read ? std::string(read->begin(), read->end()) : "error: " + read.error().message();
}

}  // namespace

// Opens the input as an archive, fetches every file it indexes, also from
// blocks read ahead (which must give what a plain fetch gives), and surveys
// every surface as tintsurvey does, within its limits.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile file;
  file.write(data, size);
  auto db = dat::DatDatabase::open(file.path());
  if (!db) {
    fuzz::require(!db.error().message().empty(), "an open error has a text");
    return 0;
  }
  std::vector<dat::ChainStart> chains;
  for (const auto& [id, entry] : db->index()) chains.push_back({entry.offset, entry.size});
  dat::PrefetchedBlocks ahead;
  db->chain_prefetcher().prefetch(chains, std::uint64_t{1} << 20, ahead);
  // As the survey reads: within what the archive holds beyond its directory.
  dat::ReadBudget fetches = db->unread_budget(0, 0);
  dat::ReadBudget fetches_ahead = db->unread_budget(0, 0);
  for (const auto& [id, entry] : db->index()) {
    auto bytes = db->get_file(id, fetches);
    fuzz::require(outcome(db->get_file(id, fetches_ahead, ahead)) == outcome(bytes) &&
                      fetches_ahead.bytes_left() == fetches.bytes_left() &&
                      fetches_ahead.blocks_left() == fetches.blocks_left(),
                  "a fetch from blocks read ahead gives and charges what a plain one does");
    if (!bytes) {
      fuzz::require(!bytes.error().message().empty(), "a fetch error has a text");
      continue;
    }
    fuzz::require(entry.compressed() || bytes->size() == entry.size,
                  "a stored file comes back at its entry's size");
  }
  survey::ResolveSession session = survey::ResolveSession::for_archive(*db);
  session.decodes = decode_limit(size);
  survey::run_survey(*db, session, survey::surface_ids(db->index()),
                     {.on_outcome = [](std::uint32_t, const survey::SurfaceOutcome& color) {
                       if (!color) {
                         fuzz::require(!color.error().render().empty(), "a surface error has a text");
                       }
                       return true;
                     }});
  return 0;
}
