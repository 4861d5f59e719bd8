#include "block_layout.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "brackwater/dat/chain_reader.hpp"
#include "brackwater/dat/field_reader.hpp"
#include "portal_fixture/lrs_encoder.hpp"

namespace portal_fixture::detail {
namespace {

using brackwater::dat::kBlockLinkSize;

std::size_t round_up(std::size_t value, std::size_t unit) {
  return (value + unit - 1) / unit * unit;
}

}  // namespace

std::uint32_t append_chain(ImageTail image, std::uint32_t block_size, ByteSpan data,
                           const ChainShape& shape) {
  const std::size_t area = block_size - kBlockLinkSize;
  const std::size_t needed = std::max<std::size_t>(1, (data.size() + area - 1) / area);
  if (shape.blocks == 0u) throw std::invalid_argument("a chain has at least one block");
  const std::size_t count = std::min(needed, shape.blocks.value_or(needed));

  // Every block but the last holds one data area; the last holds the rest,
  // running on over as many whole blocks as it needs.
  const std::size_t last_data = data.size() - (count - 1) * area;
  std::vector<std::size_t> at(count);
  std::size_t next = image.end();
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t k = shape.reversed ? count - 1 - i : i;
    at[k] = next;
    next += k + 1 < count ? block_size : round_up(kBlockLinkSize + last_data, block_size);
  }
  if (next > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("archive larger than 32-bit offsets reach");
  }
  image.bytes.resize(next - image.base);

  std::vector<std::uint32_t> links(count, 0);
  for (std::size_t k = 0; k + 1 < count; ++k) links[k] = static_cast<std::uint32_t>(at[k + 1]);
  for (const auto& [k, link] : shape.links) links.at(k) = link;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t block = at[k] - image.base;
    poke_u32(image.bytes, block, links[k]);
    const std::size_t length = k + 1 < count ? area : last_data;
    if (length != 0) {
      std::memcpy(image.bytes.data() + block + kBlockLinkSize, data.data() + k * area, length);
    }
  }
  return static_cast<std::uint32_t>(at[0]);
}

DatFileEntry append_file(ImageTail image, std::uint32_t block_size, std::uint32_t id,
                         ByteSpan bytes, const FileOptions& options) {
  const Bytes encoded = options.compress ? lrs_encode(bytes) : Bytes{};
  const ByteSpan stored = options.compress ? ByteSpan(encoded) : bytes;
  DatFileEntry entry;
  entry.bit_flags = options.bit_flags | (options.compress ? 1u : 0u);
  entry.id = id;
  entry.offset = append_chain(image, block_size, stored, options.chain);
  entry.size = options.size.value_or(static_cast<std::uint32_t>(stored.size()));
  entry.timestamp = options.timestamp;
  entry.version = options.version;
  return entry;
}

void overwrite_chain(Bytes& image, std::uint32_t block_size, std::uint32_t offset, ByteSpan data) {
  const std::size_t area = block_size - kBlockLinkSize;
  std::size_t block = offset;
  std::size_t done = 0;
  while (done < data.size()) {
    if (block + kBlockLinkSize > image.size()) throw std::out_of_range("chain runs past the archive");
    const std::uint32_t link = brackwater::dat::load_u32(image.data() + block);
    const std::size_t length = link == 0 ? data.size() - done : std::min(area, data.size() - done);
    if (block + kBlockLinkSize + length > image.size()) {
      throw std::out_of_range("chain runs past the archive");
    }
    std::memcpy(image.data() + block + kBlockLinkSize, data.data() + done, length);
    done += length;
    block = link;
  }
}

}  // namespace portal_fixture::detail
