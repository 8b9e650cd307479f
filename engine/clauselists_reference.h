// List operations in their plain form, for the tests only.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace engine::reference {

// Checks the rest clauses of a decomposition (`decompose_clause` erases
// the n-th literal in place): (l without its n-th element, that element);
// nullopt when l is shorter.
template <class T>
std::optional<std::pair<std::vector<T>, T>> list_delete_nth(const std::vector<T>& l,
                                                            std::size_t n) {
  if (n >= l.size()) return std::nullopt;
  std::vector<T> rest(l.begin(), l.begin() + static_cast<std::ptrdiff_t>(n));
  rest.insert(rest.end(), l.begin() + static_cast<std::ptrdiff_t>(n) + 1, l.end());
  return std::make_pair(std::move(rest), l[n]);
}

}  // namespace engine::reference
