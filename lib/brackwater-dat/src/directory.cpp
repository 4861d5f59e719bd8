#include "brackwater/dat/database.hpp"

namespace brackwater::dat {

// Placeholder until the directory walk lands: the index stays empty.
std::expected<void, DatError> DatDatabase::read_directory() { return {}; }

}  // namespace brackwater::dat
