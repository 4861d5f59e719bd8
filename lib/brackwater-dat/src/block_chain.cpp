#include "brackwater/dat/database.hpp"

namespace brackwater::dat {

// Placeholder until the block-chain reader lands.
std::expected<Bytes, DatError> DatDatabase::read_file_data(std::uint32_t, std::uint32_t) const {
  return std::unexpected(DatError(DatError::Other{"block chains are not read yet"}));
}

std::expected<Bytes, DatError> DatDatabase::get_file(std::uint32_t id) const {
  return std::unexpected(DatError(DatError::NotFound{id}));
}

}  // namespace brackwater::dat
