// Weights and indices of clauses. Weights are doubles computed without
// contraction or fast-math (see the build flags), so the same search gives
// the same weights, hence the same candidate order, on every machine.
#include "engine/typespoids.h"

#include <cmath>
#include <cstdio>

#include "support/printer.h"

namespace engine {

int Typespoids::ordrepoids(double a, double b) {
  if (a < b) return -1;
  if (a > b) return 1;
  if (a == b) return 0;
  // NaN: equal to itself and below every other weight, so the order stays total.
  bool na = std::isnan(a), nb = std::isnan(b);
  if (na && nb) return 0;
  return na ? -1 : 1;
}

double Typespoids::make_pdsmax_global(int n) { return static_cast<double>(n); }

// The weight a hypothesis gets without a "#" hint: a fifth of the global
// limit, never above 1, so it is taken before anything derived from it.
double Typespoids::pdsmoy_global() const { return fmin_(1.0, pdsmax_global / 5.0); }

// A user's "%" index: absent when not positive, else at most 1.
Indice Typespoids::indice_of_int(long long n) {
  if (n <= 0) return std::nullopt;
  return fmin_(static_cast<double>(n), 1.0);
}

// A hint below 1 counts as 1; a hint never makes a clause lighter than the
// default weight.
double Typespoids::initpoids(std::optional<int> hint) const {
  double moy = pdsmoy_global();
  if (!hint) return moy;
  int h = *hint >= 1 ? *hint : 1;
  return fmax_(static_cast<double>(h), moy);
}

double Typespoids::pds_res_max(int a, const Indice& i1, int hint_max_l, double p1, int len1,
                               const Indice& i2, double p2, int len2, int e) {
  if (len1 == 0 && len2 == 0) return 0.0;
  double big_m = static_cast<double>(hint_max_l);
  double x1 = i1 ? *i1 : 0.1;
  double x2 = i2 ? *i2 : 0.1;
  double m = fmax_(x1, x2);
  // Summed in this exact order: the weights must be the same bits everywhere.
  double core = (((1.0 + p1) * len1 + (1.0 + p2) * len2) + big_m * m) - static_cast<double>(e);
  double v = fmax_(2.0, core) + static_cast<double>(a) + 1.0;
  return fmax_(fmax_(p1, p2) + 1.0, v);
}

// A decomposition's clause weighs its parent's weight plus one, plus a
// share that grows with the rule's index, its kind (b) and how often the
// rule was used on the way (a); never less than 1.
double Typespoids::pds_rule(const Indice& i, int b, int a, const Indice& /*unused*/, double p) {
  double f = i ? (0.1 + *i) - 1.0 : 0.1;
  double fb = fmax_(1.0, static_cast<double>(b));
  double fa = fmax_(1.0, static_cast<double>(a));
  return fmax_(1.0, (1.0 + p) + f * (fb * fa));
}

// Twelve significant digits, and a trailing "." on a whole number, so a
// weight always reads as a float ("2." rather than "2").
std::string Typespoids::float_text(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", x);
  std::string s(buf);
  bool bare = !s.empty();
  for (std::size_t k = 0; k < s.size(); ++k) {
    char c = s[k];
    if (!((c >= '0' && c <= '9') || (c == '-' && k == 0))) bare = false;
  }
  if (bare) s += '.';
  return s;
}

void Typespoids::affpds(double w) { support::pp().print_string(" #" + float_text(w)); }

void Typespoids::affind(const Indice& i) {
  if (i) support::pp().print_string(" %" + float_text(*i));
}

}  // namespace engine
