#include "read_limit.hpp"

#include <pybind11/stl.h>

#include <cstdint>
#include <limits>
#include <utility>

namespace brackwater::python {
namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

// Created with the module and kept for the life of the process.
py::handle read_limit_type;

}  // namespace

SharedReadLimit::SharedReadLimit(std::optional<dat::ReadBudget> limit)
    : left_(limit ? std::make_shared<dat::ReadBudget>(*limit) : nullptr) {}

SharedReadLimit::Charge SharedReadLimit::take() const {
  return Charge(left_, left_ ? *left_ : dat::ReadBudget(kUnbounded, kUnbounded));
}

void SharedReadLimit::settle(const Charge& charge) {
  if (!charge.left_) return;
  dat::ReadBudget& left = *charge.left_;
  const dat::ReadBudget& after = charge.budget_;
  if (after.exhausted()) {
    left = after;
    return;
  }
  // Refused, using the limit up, when other threads spent it meanwhile.
  (void)left.spend(charge.taken_.blocks_left() - after.blocks_left(),
                   charge.taken_.bytes_left() - after.bytes_left());
}

std::optional<dat::ReadBudget> SharedReadLimit::left() const {
  if (!left_) return std::nullopt;
  return *left_;
}

void bind_read_limit(py::module_& m) {
  py::object type = py::module_::import("collections").attr("namedtuple")("ReadLimit", "bytes blocks");
  type.attr("__module__") = m.attr("__module__");
  type.attr("__doc__") =
      "A bound on what an Archive's reads may gather: data bytes and block visits.";
  m.attr("ReadLimit") = type;
  read_limit_type = type.release();
}

py::object read_limit_for_python(const std::optional<dat::ReadBudget>& limit) {
  if (!limit) return py::none();
  return read_limit_type(limit->bytes_left(), limit->blocks_left());
}

std::optional<dat::ReadBudget> read_limit_from_python(py::handle limit) {
  if (limit.is_none()) return std::nullopt;
  try {
    const auto [bytes, blocks] = limit.cast<std::pair<std::uint64_t, std::uint64_t>>();
    return dat::ReadBudget(bytes, blocks);
  } catch (const py::cast_error&) {
    throw py::type_error("read_limit must be None or ReadLimit(bytes, blocks), two ints of 0 or more");
  }
}

}  // namespace brackwater::python
