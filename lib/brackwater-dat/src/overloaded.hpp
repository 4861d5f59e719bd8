#pragma once

namespace brackwater::dat {

// Builds one visitor for std::visit out of several lambdas.
template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

}  // namespace brackwater::dat
