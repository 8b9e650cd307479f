// Weights ("poids") and indices of clauses. A weight is a double; an index is
// an optional double. The weight formulas are computed in double precision
// with no contraction (-ffp-contract=off), so every machine gets the same bits.
#pragma once

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
  double pdsmax_global = 500.0;  // the global weight limit; set by prove, never reset
  double pdsmax_vu = 0.0;        // weight of the heaviest candidate kept

  static int ordrepoids(double a, double b);
  static double make_pdsmax_global(int n);
  double pdsmoy_global() const;
  static int listmax(const std::vector<int>& l);
  static Indice indice_of_int(long long n);
  static int int_of_indice(const Indice& i);  // guarded: never UB on huge values
  double initpoids(std::optional<int> hint) const;

  template <class Item>
  static int hint_max(const HintList<Item>& l);

  // pds_res a i1 _ L p1 len1 i2 p2 len2 e
  template <class A, class Item>
  static double pds_res(int a, const Indice& i1, const A& unused, const HintList<Item>& l, double p1,
                        int len1, const Indice& i2, double p2, int len2, int e);
  template <class Item1, class Item2>
  static Indice indice_res(const Indice& i1, const Indice& i2, const HintList<Item1>& l1,
                           const HintList<Item2>& l2);
  static double pds_rule(const Indice& i, int b, int a, const Indice& unused, double p);
  static double pds_cont(double w, int unused) { return w; }
  template <class Item>
  static int indice_rule(const Indice& i, const HintList<Item>& l);

  // Printing (through the shared pretty-printer)
  static std::string float_text(double x);  // "%.12g", a point appended to bare integers
  static void affpds(double w);
  static void affind(const Indice& i);
};

}  // namespace engine
