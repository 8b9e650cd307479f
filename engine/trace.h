// The search's traces: every text the search prints while it runs, and the
// `verbose` level each needs, in one place, so that the search itself reads
// as its loop. Level 2 shows the steps and asks between them, 3 the clause
// taken and its split, 4 decompositions and resolvents, 5 every attempted
// unification. The level is read at each trace point: answering "c" at the
// step question lowers it for the rest of the attempt.
//
//   Trace<L> trace(core, affichage);
//   trace.taken(c);                  // "La clause ajoutee :" from level 3
//   if (!trace.shows_resolvents()) ...   // the shortcuts that print nothing
#pragma once

#include <vector>

#include "engine/affichage.h"
#include "engine/clauselists.h"
#include "engine/ptypes.h"
#include "support/printer.h"

namespace engine {

template <Logic L>
class Trace {
 public:
  using Cl = Clause<L>;
  using Lit = Literal<L>;
  using F = typename L::formula;
  using Decomposable = typename Core<L>::Decomposable;

  Trace(const Core<L>& core, const Affichage<L>& affichage) : core_(core), affichage_(affichage) {}

  // ---- Levels the search itself asks about ----
  // From level 2 the search is shown step by step: the time limit is off and
  // the question comes between steps; every pair is tried in full.
  bool stepwise() const { return level() >= 2; }
  // From level 4 every resolvent is shown, so none is refused unbuilt.
  bool shows_resolvents() const { return level() >= 4; }

  // ---- A step ----
  // "On prend une clause": a candidate taken in the lazy regime.
  void take_clause() const {
    if (level() < 2) return;
    line("On prend une clause");
  }
  void taken(const Cl& c) const {
    if (level() < 3) return;
    auto& p = support::pp();
    line("La clause ajoutee :");
    p.print_newline();
    affichage_.print_clause(c);
    p.print_newline();
    p.print_newline();
  }
  void split(const std::vector<ClauseRef<L>>& subs) const {
    if (level() < 3) return;
    auto& p = support::pp();
    if (subs.size() > 1) {
      line("Le splitting de la clause donne :");
      p.print_newline();
      affichage_.print_clause_list(subs);  // each clause ends its own line
    } else {
      p.print_string("Clause non splittee");
    }
    p.print_newline();
    p.print_newline();
  }
  void deferred(const Decomposable& dec) const {
    if (level() < 2) return;
    L& lg = core_.logic;
    auto& p = support::pp();
    line("On decompose un litteral");
    line("Le litteral :");
    lg.print_formula(dec.sign ? dec.lit.formule : lg.negate_formula(dec.lit.formule));
    p.print_newline();
    p.print_string("Le reste de la clause :");
    affichage_.print_clause(*dec.rest);
    p.print_newline();
  }
  // The lists at the end of a step; the question, when asked, follows.
  void step_lists() const {
    if (level() < 2) return;
    auto& p = support::pp();
    p.print_string("\n\nLes clauses deja vues :");
    p.print_newline();
    p.print_newline();
    {
      std::vector<ClauseRef<L>> first;
      for (std::size_t i = core_.djvues.size(); i-- > 0 && first.size() < 10;)
        first.push_back(core_.djvues[i].first);
      affichage_.print_clause_list(first);
    }
    p.print_newline();
    p.print_newline();
    line("Les clauses candidates :");
    p.print_newline();
    affichage_.print_clause_list(list_sub(core_.cndats, 10));
    p.print_newline();
    p.print_newline();
    p.print_string("La liste des decomposables :\n");
    affichage_.print_dec_list(list_sub(core_.decables, 10));
    p.print_newline();
    p.print_string("taille !djvues : ");
    p.print_int(static_cast<long long>(core_.djvues.size()));
    p.print_newline();
    p.print_string("taille taillecndats : ");
    p.print_int(core_.taillecndats);
    p.print_newline();
    p.print_newline();
  }

  // ---- Decomposition ----
  // Around the logic's rules for one literal: "{" before, "}" after.
  void brace(const char* b) const {
    if (level() < 2) return;
    support::pp().print_string(b);
    support::pp().print_flush();
  }
  void decompositions() const {
    if (level() < 4) return;
    line("Les decompositions :");
    support::pp().print_newline();
  }
  // A clause made by a decomposition.
  void decomposed(const Cl& k) const {
    if (level() < 4) return;
    affichage_.print_clause(k);
    support::pp().print_newline();
  }
  // The end of a clause's full decomposition.
  void decomposition_done() const {
    if (level() < 2) return;
    support::pp().print_newline();
  }

  // ---- Resolution ----
  void refusal(const char* what) const {
    if (level() < 2) return;
    support::pp().print_newline();
    line(what);
  }
  void attempt(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2) const {
    if (level() < 5) return;
    L& lg = core_.logic;
    auto& p = support::pp();
    p.print_string("On tente l'unif de '");
    lg.print_formula(l1.formule);
    p.print_string("' et '");
    lg.print_formula(l2.formule);
    line("'");
    line("Le reste des clauses :");
    two(c1, c2);
  }
  void renamed(const F& l2) const {
    if (level() < 5) return;
    support::pp().print_string("l2 devient ");
    core_.logic.print_formula(l2);
    line("'");
  }
  // "[" before the unifier runs, "]" after it: a line of its own when the
  // pair does not unify.
  void unify(bool done, bool unified) const {
    if (level() < 2) return;
    auto& p = support::pp();
    p.print_string(done ? "]" : "[");
    if (done && !unified)
      p.print_newline();
    else
      p.print_flush();
  }
  void instances(const Cl& c2_renamed, const Lit& l, const Cl& c1s, const Cl& c2s) const {
    auto& p = support::pp();
    if (level() >= 5) {
      line("c2 est devenue ");
      affichage_.print_clause(c2_renamed);
      p.print_newline();
    }
    if (level() < 4) return;
    p.print_string("\nunification reussie\n");
    p.print_string("l = ");
    core_.logic.print_formula(l.formule);
    p.print_newline();
    two(c1s, c2s);
  }
  void resolvent(const Cl& res) const {
    if (level() < 4) return;
    support::pp().print_string("clause obtenue = ");
    affichage_.print_clause(res);
    support::pp().print_newline();
  }

 private:
  int level() const { return core_.current.verbose; }
  static void line(const char* text) {
    support::pp().print_string(text);
    support::pp().print_newline();
  }
  void two(const Cl& c1, const Cl& c2) const {
    auto& p = support::pp();
    p.print_string("c1 = ");
    affichage_.print_clause(c1);
    p.print_newline();
    p.print_string("c2 = ");
    affichage_.print_clause(c2);
    p.print_newline();
  }

  const Core<L>& core_;
  const Affichage<L>& affichage_;
};

}  // namespace engine
