#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <optional>
#include <span>
#include <vector>

#include "brackwater/dat/batch_reader.hpp"
#include "brackwater/dat/chain_prefetcher.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/prefetched_blocks.hpp"
#include "brackwater/dat/read_budget.hpp"
#include "brackwater/survey/flat_id_map.hpp"
#include "brackwater/survey/resolve.hpp"

namespace brackwater::survey {

// Reading ahead saves waiting for the device; for files in memory it only
// adds work. Always is for measuring and testing the reads ahead themselves.
enum class ReadAheadWhen { NotInMemory, Always };

// Reads ahead what resolving a window of surfaces will read, a level at a
// time and each level in one batch: the Surfaces, the SurfaceTextures they
// name, the last-mip Textures, then the Palettes those take. The blocks go to
// the session, whose reads take them instead of reading the file. It guesses
// with the resolution's own rules but decides nothing for it: a wrong or
// missing guess costs a read, never a different result.
//
// While one window resolves, the next is read on a thread of its own, which
// touches nothing of the session: it keeps its own account of the files it
// has read ahead. Windows grow while what a surface needs read fits: each
// holds at most the session's `read_ahead_bytes`, and the fewer the windows,
// the fewer times the survey waits for a level of reads.
class WindowPrefetch {
 public:
  // `db` must not move, and `ids` must stay, while the prefetch lives.
  WindowPrefetch(const dat::DatDatabase& db, ResolveSession& session,
                 std::span<const std::uint32_t> ids,
                 dat::BatchReader::Mechanism mechanism = dat::BatchReader::Mechanism::Ring,
                 ReadAheadWhen when = ReadAheadWhen::NotInMemory);
  // Waits for the reads in flight.
  ~WindowPrefetch();
  WindowPrefetch(const WindowPrefetch&) = delete;
  WindowPrefetch& operator=(const WindowPrefetch&) = delete;

  // Told before `ids[i]` resolves, for i = 0, 1, ... in turn: at the start of
  // a window, hands its blocks to the session and starts reading the next.
  void before(std::size_t i);

 private:
  // What reading ahead remembers between windows, on the reading thread.
  class Reader {
   public:
    Reader(const dat::DatDatabase& db, dat::BatchReader::Mechanism mechanism,
           std::uint64_t window_bytes, dat::ReadBudget allowance);
    // The blocks the surfaces `surface_ids` will need, as far as they fit.
    dat::PrefetchedBlocks window(std::span<const std::uint32_t> surface_ids);
    // How many bytes were asked for over all windows read ahead so far.
    std::uint64_t bytes_asked() const { return bytes_asked_; }
    // Whether a few of the surfaces, spread over them, are in memory.
    bool in_memory(std::span<const std::uint32_t> surface_ids) const;

   private:
    // The mip a surface ends at, with the palette the surface names.
    struct Mip {
      std::uint32_t texture_id;
      std::uint32_t surface_palette_id;
    };
    // What of a Texture tells which palette colours it.
    struct PaletteRule {
      bool paletted = false;
      std::optional<std::uint32_t> default_palette_id;
    };

    // Reads ahead the files `ids` not read ahead before.
    void read_ahead(std::vector<std::uint32_t> ids, dat::PrefetchedBlocks& blocks);
    // A file's bytes as put together from `blocks` alone; empty when they
    // do not hold it all.
    std::optional<dat::Bytes> record(std::uint32_t id, const dat::PrefetchedBlocks& blocks);
    // What each level's records name for the next; records read ahead in an
    // earlier window answer from what was learnt of them then.
    std::vector<dat::TextureRefs> surfaces(std::span<const std::uint32_t> surface_ids,
                                           const dat::PrefetchedBlocks& blocks);
    std::vector<Mip> mips(const std::vector<dat::TextureRefs>& textured,
                          const dat::PrefetchedBlocks& blocks);
    std::vector<std::uint32_t> palettes(const std::vector<Mip>& mips,
                                        const dat::PrefetchedBlocks& blocks);

    const dat::DatDatabase& db_;
    dat::ChainPrefetcher chains_;
    std::uint64_t window_bytes_;
    // Bounds what reading ahead may read over the whole run, as much as the
    // session's budget held at the start: a crafted archive makes it give
    // up early.
    dat::ReadBudget allowance_;
    std::uint64_t bytes_asked_ = 0;
    FlatIdMap<bool> asked_;                // files read ahead, by id
    FlatIdMap<std::uint32_t> last_mip_;    // by SurfaceTexture id
    FlatIdMap<PaletteRule> palette_rule_;  // by Texture id
  };

  // Starts reading the window after the one ending at `window_end_`.
  void start_next();

  ResolveSession& session_;
  std::span<const std::uint32_t> ids_;
  Reader reader_;
  ReadAheadWhen when_;
  bool reads_ahead_;
  std::size_t first_window_;
  // How many surfaces the window read last holds.
  std::size_t window_size_ = 0;
  // Where the window being resolved ends, and where the one read ahead does.
  std::size_t window_end_ = 0;
  std::size_t next_end_ = 0;
  std::future<dat::PrefetchedBlocks> next_;
};

}  // namespace brackwater::survey
