// Weights ("poids") and indices of clauses. A weight is a double; an index is
// an optional double. The weight formulas are computed in double precision
// with no contraction (-ffp-contract=off), so every machine gets the same bits.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/logic.h"

namespace engine {

// A hint list: (item, (index, count)); only the second component is read.
template <class Item>
using HintList = std::vector<std::pair<Item, std::pair<Indice, int>>>;

class Typespoids {
 public:
  double pdsmax_default = 500.0;
  double pdsmax_global = pdsmax_default;  // the global weight limit; set by prove, never reset
  double pdsmax_vu = 0.0;                 // weight of the heaviest candidate kept

  static int ordrepoids(double a, double b);
  static double make_pdsmax_global(int n);
  double pdsmoy_global() const;
  static Indice indice_of_int(long long n);
  // 0 when absent, else max(1, trunc x), clamped: converting a NaN or an
  // out-of-range float to int is undefined. Inline: the resolvent's weight
  // reads it for every entry of its parents' histories.
  static int int_of_indice(const Indice& i) {
    if (!i) return 0;
    const double x = *i;
    if (!(x >= 1.0)) return 1;  // below 1, or NaN
    if (x >= static_cast<double>(kIntMax)) return static_cast<int>(kIntMax);
    return static_cast<int>(x);  // truncates towards zero
  }
  double initpoids(std::optional<int> hint) const;

  template <class Item>
  static int hint_max(const HintList<Item>& l);
  // The hint value of an entry (index j, count k): int_of_indice(j) * k,
  // taken in 64 bits and clamped, so a huge count never overflows.
  static int hint_value(const Indice& j, long long k) {
    long long v = static_cast<long long>(int_of_indice(j)) * k;
    if (v > kIntMax) v = kIntMax;
    if (v < kIntMin) v = kIntMin;
    return static_cast<int>(v);
  }

  // pds_res a i1 _ L p1 len1 i2 p2 len2 e
  template <class A, class Item>
  static double pds_res(int a, const Indice& i1, const A& unused, const HintList<Item>& l,
                        double p1, int len1, const Indice& i2, double p2, int len2, int e);
  // pds_res with hint_max(L) already known, so that the list need not be built.
  static double pds_res_max(int a, const Indice& i1, int hint_max_l, double p1, int len1,
                            const Indice& i2, double p2, int len2, int e);
  template <class Item1, class Item2>
  static Indice indice_res(const Indice& i1, const Indice& i2, const HintList<Item1>& l1,
                           const HintList<Item2>& l2);
  static double pds_rule(const Indice& i, int b, int a, const Indice& unused, double p);
  template <class Item>
  static int indice_rule(const Indice& i, const HintList<Item>& l);

  // Printing (through the shared pretty-printer)
  static std::string float_text(double x);  // "%.12g", a point appended to bare integers
  static void affpds(double w);
  static void affind(const Indice& i);

 private:
  static constexpr long long kIntMax = 2147483647LL;
  static constexpr long long kIntMin = -2147483647LL - 1;
  // max(x, y) is x when x >= y, else y (so a NaN second argument wins).
  static double fmax_(double x, double y) { return x >= y ? x : y; }
  static double fmin_(double x, double y) { return x <= y ? x : y; }
};

// ---- Template bodies ----

template <class Item>
int Typespoids::hint_max(const HintList<Item>& l) {
  // listmax over the hint values.
  int best = 0;
  for (const auto& e : l) best = std::max(best, hint_value(e.second.first, e.second.second));
  return best;
}

template <class A, class Item>
double Typespoids::pds_res(int a, const Indice& i1, const A& /*unused*/, const HintList<Item>& l,
                           double p1, int len1, const Indice& i2, double p2, int len2, int e) {
  if (len1 == 0 && len2 == 0) return 0.0;
  return pds_res_max(a, i1, hint_max(l), p1, len1, i2, p2, len2, e);
}

template <class Item1, class Item2>
Indice Typespoids::indice_res(const Indice& i1, const Indice& i2, const HintList<Item1>& l1,
                              const HintList<Item2>& l2) {
  int h2 = hint_max(l2);
  int h1 = hint_max(l1);
  double k = static_cast<double>(h2 >= h1 ? h2 : h1);
  if (i1 && i2) return *i1 + *i2 + k;
  if (i1) return k + *i1;
  if (i2) return k + *i2;
  return std::nullopt;
}

template <class Item>
int Typespoids::indice_rule(const Indice& i, const HintList<Item>& l) {
  int a = int_of_indice(i);
  int b = hint_max(l);
  return a >= b ? a : b;
}

}  // namespace engine
