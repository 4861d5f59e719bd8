#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>

#include "brackwater/dat/read_budget.hpp"

namespace brackwater::python {

namespace py = pybind11;

// What the reads of one Archive may still gather, shared by all its calls;
// none: reads are not bounded. A call reads within a copy taken as it starts
// and charges back what it spent as it ends, both with the GIL held. One
// thread is charged exactly; threads reading at once may each spend what
// was left when they began.
class SharedReadLimit {
 public:
  // A budget to read within, taken from what is left.
  class Charge {
   public:
    dat::ReadBudget& budget() { return budget_; }

   private:
    friend class SharedReadLimit;
    Charge(std::shared_ptr<dat::ReadBudget> left, dat::ReadBudget budget)
        : left_(std::move(left)), taken_(budget), budget_(budget) {}

    std::shared_ptr<dat::ReadBudget> left_;
    dat::ReadBudget taken_;
    dat::ReadBudget budget_;
  };

  explicit SharedReadLimit(std::optional<dat::ReadBudget> limit);

  Charge take() const;
  // Charges what `charge` spent to the limit it was taken from, which a
  // new limit set since then has replaced.
  static void settle(const Charge& charge);

  std::optional<dat::ReadBudget> left() const;

 private:
  std::shared_ptr<dat::ReadBudget> left_;
};

// bd.ReadLimit(bytes, blocks), a named tuple.
void bind_read_limit(py::module_& m);
py::object read_limit_for_python(const std::optional<dat::ReadBudget>& limit);
// From None or a (bytes, blocks) pair; TypeError for anything else.
std::optional<dat::ReadBudget> read_limit_from_python(py::handle limit);

}  // namespace brackwater::python
