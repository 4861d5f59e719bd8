#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <variant>

#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// The error of every archive operation. Exactly one variant, with its payload.
class DatError {
 public:
  struct Io {
    IoError error;
  };
  struct BinRead {
    ReadError error;
  };
  struct NotFound {
    std::uint32_t id;
  };
  struct DuplicateId {
    std::uint32_t id;
  };
  struct DuplicateNamespacedId {
    std::string namespace_name;
    std::uint32_t file_id;
  };
  struct InvalidMagic {
    std::string format;
  };
  struct UnsupportedVersion {
    std::uint32_t version;
  };
  struct InvalidNamespace {
    std::string name;
  };
  struct Corruption {
    std::string what;
  };
  struct DecompressionFailed {
    std::uint32_t id;
  };
  struct PathError {
    std::filesystem::path path;
    IoError source;
  };
  // A read refused by its ReadBudget (read_budget.hpp); its text is fixed.
  struct ReadLimitReached {};
  // Decoded images went past a caller's allowance of `amount` bytes.
  struct DecodeLimitReached {
    std::uint64_t amount = 0;
  };
  struct Other {
    std::variant<std::string, ReadLimitReached, DecodeLimitReached> what;
  };

  using Payload = std::variant<Io, BinRead, NotFound, DuplicateId, DuplicateNamespacedId,
                               InvalidMagic, UnsupportedVersion, InvalidNamespace, Corruption,
                               DecompressionFailed, PathError, Other>;

  // The two implicit conversions: an I/O error is `Io`, a record error `BinRead`.
  DatError(IoError error) : payload_(Io{std::move(error)}) {}         // NOLINT
  DatError(ReadError error) : payload_(BinRead{std::move(error)}) {}  // NOLINT
  explicit DatError(Payload payload) : payload_(std::move(payload)) {}

  const Payload& payload() const { return payload_; }
  template <class Variant>
  const Variant* as() const {
    return std::get_if<Variant>(&payload_);
  }

  std::string message() const;
  // Whether a read ran out of the ReadBudget it was given.
  bool read_limit_reached() const;
  // Whether the archive changed while it was read (IoError::changed()).
  bool archive_changed() const;
  // Whether decoded images went past the allowance they were given.
  bool decode_limit_reached() const;

  // The wrapped error of `Io`, `PathError` and `BinRead`; empty for the rest.
  using Source = std::variant<std::monostate, std::reference_wrapper<const IoError>,
                              std::reference_wrapper<const ReadError>>;
  Source source() const;

 private:
  Payload payload_;
};

}  // namespace brackwater::dat
