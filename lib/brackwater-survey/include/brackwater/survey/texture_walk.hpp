#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/survey/limits.hpp"
#include "brackwater/survey/resolve.hpp"

namespace brackwater::survey {

// A texture whose reads and decode are paid for: decoding it reads nothing
// more and stays within the walk's limits.
struct ReadyTexture {
  dat::Texture texture;
  // Fetched when the format is paletted and the texture names a palette.
  std::optional<std::expected<dat::Palette, dat::TextureDecodeError::PaletteFetch>> palette;

  // The texture as RGBA8 with its default palette, as texture_rgba8 makes it.
  std::expected<dat::Bytes, dat::TextureDecodeError> rgba8() const;
};

// Why a file of the walk gives no texture to decode.
struct TextureWalkFailure {
  enum class Stage {
    Read,         // the file could not be read, or its reads passed the read limit
    Unpack,       // its bytes are not a Texture
    DecodeLimit,  // its image would pass the decode limit
  };
  Stage stage;
  dat::DatError error;
};

struct WalkedTexture {
  std::uint32_t id = 0;
  std::expected<ReadyTexture, TextureWalkFailure> texture;
};

// Goes over many files of one archive as textures, in ascending id, on the
// survey's bounds: every read within its read limit, every image charged
// against its decode limit before it is decoded. A crafted archive (entries
// sharing one chain, a few bytes of record naming a 4096 x 4096 image) thus
// costs a bounded amount of work, its files past the bound failing with the
// limit's own error, while a sound one never reaches it. Charges are taken in
// id order, so which files fail does not depend on who decodes them or when.
// Not thread-safe: one caller takes the files, in turn.
class TextureWalk {
 public:
  // `ids` ascending.
  TextureWalk(const dat::DatDatabase& db, std::vector<std::uint32_t> ids,
              const Limits& limits = {});
  // Every file whose id has top byte `type`.
  static TextureWalk of_type(const dat::DatDatabase& db, std::uint8_t type,
                             const Limits& limits = {});

  std::span<const std::uint32_t> ids() const { return ids_; }
  // The next file, read and charged; empty past the last.
  std::optional<WalkedTexture> next();

 private:
  std::expected<ReadyTexture, TextureWalkFailure> prepare(std::uint32_t id);

  const dat::DatDatabase* db_;
  std::vector<std::uint32_t> ids_;
  std::size_t next_ = 0;
  ResolveSession session_;
};

}  // namespace brackwater::survey
