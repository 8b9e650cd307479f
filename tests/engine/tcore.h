// Test helpers: an engine state on the test logic and a compact clause builder.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/clauselists.h"
#include "engine/ptypes.h"
#include "support/printer.h"
#include "tests/engine/tlogic.h"

namespace tcore {

using TL = tlogic::TLogic;
using Cl = engine::Clause<TL>;
using Lit = engine::Literal<TL>;

// Captures what the shared printer writes during its lifetime.
class Capture {
 public:
  Capture() { support::pp().set_output(&out_); }
  ~Capture() { support::pp().set_output(&std::cout); }
  std::string text() {
    support::pp().print_flush();
    std::string s = out_.str();
    out_.str("");
    return s;
  }

 private:
  std::ostringstream out_;
};

struct Fixture {
  TL logic;
  engine::Core<TL> core{logic};

  Lit lit(const std::string& f) { return Lit{f, {}, core.next_literal_number()}; }
  std::vector<Lit> lits(const std::vector<std::string>& fs) {
    std::vector<Lit> out;
    for (const auto& f : fs) engine::insert_sorted(engine::lit_cmp(core), out, lit(f));
    return out;
  }
  // A parentless clause; literal lists are sorted as the engine keeps them.
  Cl clause(const std::vector<std::string>& pos, const std::vector<std::string>& neg = {},
            double poids = 1.0, std::vector<int> split_neg = {}, std::vector<int> split_pos = {}) {
    Cl c;
    c.pos = lits(pos);
    c.neg = lits(neg);
    c.split_neg = std::move(split_neg);
    c.split_pos = std::move(split_pos);
    c.poids = poids;
    c.origine = engine::make_origine<TL>(engine::Parentless<TL>{});
    c.num = core.next_clause_number();
    c.contraintes = engine::make_constraints<TL>(tlogic::Empty{});
    return c;
  }
  // The clause shared, as the lists hold it.
  static engine::ClauseRef<TL> ref(Cl c) { return engine::share(std::move(c)); }
  static std::vector<engine::ClauseRef<TL>> refs(std::vector<Cl> l) {
    std::vector<engine::ClauseRef<TL>> out;
    for (auto& c : l) out.push_back(ref(std::move(c)));
    return out;
  }
  static std::vector<Cl> values(const std::vector<engine::ClauseRef<TL>>& l) {
    std::vector<Cl> out;
    for (const auto& c : l) out.push_back(*c);
    return out;
  }
  static std::vector<std::string> formulas(const std::vector<Lit>& l) {
    std::vector<std::string> out;
    for (const auto& x : l) out.push_back(x.formule);
    return out;
  }
};

}  // namespace tcore
