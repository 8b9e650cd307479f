// The first-order logic's small toolkit: sets as sorted lists without
// repetition (fol/buffers.h holds the inline buffers and the hash index of
// the hot walks, fol/fpf.h the finite partial functions).
#pragma once

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "support/errors.h"

namespace fol {

// ---- Lists and sets ----

template <class T>
std::vector<std::pair<T, T>> zip(const std::vector<T>& a, const std::vector<T>& b) {
  if (a.size() != b.size()) throw support::Failure("zip");
  std::vector<std::pair<T, T>> r;
  r.reserve(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) r.emplace_back(a[i], b[i]);
  return r;
}

// Merges two lists: the head of `a` goes first when ord(head a, head b).
template <class T, class Ord>
std::vector<T> merge(Ord ord, const std::vector<T>& a, const std::vector<T>& b) {
  std::vector<T> r;
  r.reserve(a.size() + b.size());
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (ord(a[i], b[j]))
      r.push_back(a[i++]);
    else
      r.push_back(b[j++]);
  }
  while (i < a.size()) r.push_back(a[i++]);
  while (j < b.size()) r.push_back(b[j++]);
  return r;
}

// Bottom-up merge sort by passes; merged runs are pushed on the front of the
// pass's output, so the run order reverses between passes.
template <class T, class Ord>
std::vector<T> sort(Ord ord, const std::vector<T>& l) {
  if (l.empty()) return {};
  std::vector<std::vector<T>> pending;  // runs still to merge, front first
  for (const T& x : l) pending.push_back({x});
  std::vector<std::vector<T>> done;  // stored back-to-front: back() is the front
  std::size_t p = 0;
  while (true) {
    if (p == pending.size()) {
      if (done.size() == 1) return std::move(done.front());
      pending.assign(std::make_move_iterator(done.rbegin()), std::make_move_iterator(done.rend()));
      done.clear();
      p = 0;
    } else if (p + 1 == pending.size()) {
      done.push_back(std::move(pending[p]));
      pending.assign(std::make_move_iterator(done.rbegin()), std::make_move_iterator(done.rend()));
      done.clear();
      p = 0;
    } else {
      done.push_back(merge(ord, pending[p], pending[p + 1]));
      p += 2;
    }
  }
}

template <class T>
std::vector<T> uniq(const std::vector<T>& l) {
  std::vector<T> r;
  for (std::size_t i = 0; i < l.size(); ++i)
    if (i + 1 == l.size() || !(l[i] == l[i + 1])) r.push_back(l[i]);
  return r;
}

template <class T>
bool canonical(const std::vector<T>& l) {
  for (std::size_t i = 0; i + 1 < l.size(); ++i)
    if (!(l[i] < l[i + 1])) return false;
  return true;
}

template <class T>
std::vector<T> setify(const std::vector<T>& l) {
  if (canonical(l)) return l;
  return uniq(sort([](const T& a, const T& b) { return !(b < a); }, l));
}

template <class T>
std::vector<T> set_union(const std::vector<T>& a0, const std::vector<T>& b0) {
  const std::vector<T> a = setify(a0), b = setify(b0);
  std::vector<T> r;
  r.reserve(a.size() + b.size());
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

template <class T>
std::vector<T> intersect(const std::vector<T>& a0, const std::vector<T>& b0) {
  const std::vector<T> a = setify(a0), b = setify(b0);
  std::vector<T> r;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

template <class T>
std::vector<T> subtract(const std::vector<T>& a0, const std::vector<T>& b0) {
  const std::vector<T> a = setify(a0), b = setify(b0);
  std::vector<T> r;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

}  // namespace fol
