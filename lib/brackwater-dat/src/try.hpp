#pragma once

#include <expected>
#include <utility>

// TRY_ASSIGN(target, expr): evaluates `expr`, a std::expected; on failure
// returns its error from the enclosing function unchanged, otherwise moves the
// value into `target`. Lets a parser read like the record layout, one field a
// line. Expands to several statements: use it only as a statement of its own,
// inside braces.
#define TRY_ASSIGN(target, ...) \
  TRY_ASSIGN_WITH_(TRY_CONCAT_(try_result_, __COUNTER__), target, __VA_ARGS__)

#define TRY_ASSIGN_WITH_(result, target, ...)                     \
  auto result = (__VA_ARGS__);                                    \
  if (!result) return std::unexpected(std::move(result).error()); \
  target = *std::move(result)

#define TRY_CONCAT_(a, b) TRY_CONCAT_INNER_(a, b)
#define TRY_CONCAT_INNER_(a, b) a##b
