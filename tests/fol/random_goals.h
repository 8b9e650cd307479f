// Random first-order goals with free variables, and a countermodel search
// over small domains that reads free variables universally: a goal (with its
// hypotheses) for which it finds a countermodel must never be proved.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace randgoals {

// Terms: the free variables x, y, the constant a(), and the bound z.
enum class T { X, Y, A, Z };
struct F {
  enum K { P, Q, R, Not, And, Or, Imp, Iff, All, Ex } k;
  T t1 = T::X, t2 = T::X;
  std::shared_ptr<F> l, r;
};
using FP = std::shared_ptr<F>;

inline FP gen(std::mt19937& rng, int depth, bool z_bound) {
  auto term = [&] {
    int n = z_bound ? 4 : 3;
    return static_cast<T>(rng() % n);
  };
  if (depth == 0 || rng() % 4 == 0) {
    auto f = std::make_shared<F>();
    f->k = static_cast<F::K>(rng() % 3);
    f->t1 = term();
    f->t2 = term();
    return f;
  }
  auto f = std::make_shared<F>();
  int c = static_cast<int>(rng() % 8);
  f->k = c == 0   ? F::Not
         : c == 1 ? F::And
         : c == 2 ? F::Or
         : c <= 4 ? F::Imp
         : c == 5 ? F::Iff
         : c == 6 ? F::All
                  : F::Ex;
  const bool zb = z_bound || f->k == F::All || f->k == F::Ex;
  f->l = gen(rng, depth - 1, zb);
  if (f->k != F::Not && f->k != F::All && f->k != F::Ex) f->r = gen(rng, depth - 1, zb);
  return f;
}

inline std::string text(const T t) {
  return t == T::X ? "x" : t == T::Y ? "y" : t == T::A ? "a()" : "z";
}

inline std::string text(const FP& f) {
  switch (f->k) {
    case F::P:
      return "p(" + text(f->t1) + ")";
    case F::Q:
      return "q(" + text(f->t1) + ")";
    case F::R:
      return "r(" + text(f->t1) + ", " + text(f->t2) + ")";
    case F::Not:
      return "~(" + text(f->l) + ")";
    case F::And:
      return "(" + text(f->l) + " & " + text(f->r) + ")";
    case F::Or:
      return "(" + text(f->l) + " | " + text(f->r) + ")";
    case F::Imp:
      return "(" + text(f->l) + " -> " + text(f->r) + ")";
    case F::Iff:
      return "(" + text(f->l) + " <-> " + text(f->r) + ")";
    case F::All:
      return "(forall z. " + text(f->l) + ")";
    case F::Ex:
      return "(exists z. " + text(f->l) + ")";
  }
  return "";
}

// An interpretation over {0, ..., n-1}: p and q as bit sets, r as a bit
// matrix, a and the values of x, y and z.
struct Model {
  int n;
  std::uint32_t p, q, r;
  int a, x, y, z;
  int val(T t) const { return t == T::X ? x : t == T::Y ? y : t == T::A ? a : z; }
};

inline bool eval(const FP& f, Model m) {
  switch (f->k) {
    case F::P:
      return (m.p >> m.val(f->t1)) & 1;
    case F::Q:
      return (m.q >> m.val(f->t1)) & 1;
    case F::R:
      return (m.r >> (m.val(f->t1) * m.n + m.val(f->t2))) & 1;
    case F::Not:
      return !eval(f->l, m);
    case F::And:
      return eval(f->l, m) && eval(f->r, m);
    case F::Or:
      return eval(f->l, m) || eval(f->r, m);
    case F::Imp:
      return !eval(f->l, m) || eval(f->r, m);
    case F::Iff:
      return eval(f->l, m) == eval(f->r, m);
    case F::All:
    case F::Ex:
      for (int v = 0; v < m.n; ++v) {
        m.z = v;
        if (eval(f->l, m) != (f->k == F::All)) return f->k != F::All;
      }
      return f->k == F::All;
  }
  return false;
}

// A countermodel to "for all x, y: hyp -> goal" where the hypothesis (if any)
// holds for every value of x and y: every interpretation over domains of
// sizes 1 and 2, then a sample over size 3.
inline bool has_countermodel(const FP& hyp, const FP& goal, std::mt19937& rng) {
  auto check = [&](Model m) {
    if (hyp)
      for (m.x = 0; m.x < m.n; ++m.x)
        for (m.y = 0; m.y < m.n; ++m.y)
          if (!eval(hyp, m)) return false;
    for (m.x = 0; m.x < m.n; ++m.x)
      for (m.y = 0; m.y < m.n; ++m.y)
        if (!eval(goal, m)) return true;
    return false;
  };
  for (int n = 1; n <= 2; ++n)
    for (std::uint32_t p = 0; p < (1u << n); ++p)
      for (std::uint32_t q = 0; q < (1u << n); ++q)
        for (std::uint32_t r = 0; r < (1u << (n * n)); ++r)
          for (int a = 0; a < n; ++a)
            if (check(Model{n, p, q, r, a, 0, 0, 0})) return true;
  for (int i = 0; i < 3000; ++i)
    if (check(Model{3, static_cast<std::uint32_t>(rng() % 8), static_cast<std::uint32_t>(rng() % 8),
                    static_cast<std::uint32_t>(rng() % 512), static_cast<int>(rng() % 3), 0, 0, 0}))
      return true;
  return false;
}

}  // namespace randgoals
