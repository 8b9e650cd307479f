// The engine instance: axioms, decomposition, resolution, the given-clause
// loop and the proof attempt. Heavy template bodies; a logic's folder
// instantiates them once:
//
//   template class engine::Prover<prop::PropLogic>;
//
// Control flow: a found proof, an exhausted search, a user stop, the time
// limit and the interrupt key are C++ exceptions (once per attempt). The
// inner loop (unification, method and split checks) fails by value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "engine/affichage.h"
#include "engine/clauselists.h"
#include "engine/majlistes.h"
#include "engine/oldeduction.h"
#include "engine/prover.h"
#include "engine/ptypes.h"
#include "support/lineinput.h"
#include "support/printer.h"
#include "support/signals.h"

namespace engine {

// Internal ends of an attempt; `prove` turns each into its message.
struct TimeOut {};      // the time limit expired ("Temps imparti ecoule" already printed)
struct Sortie {};       // the user answered "exit" at the step question
struct BreakSearch {};  // the interrupt key

template <Logic L>
class ProverImpl {
 public:
  using F = typename L::formula;
  using Lit = Literal<L>;
  using Cl = Clause<L>;
  using CoreT = Core<L>;
  using LitTable = typename CoreT::LitTable;
  using LitTableCell = typename CoreT::LitTableCell;
  using Decomposed = typename CoreT::Decomposed;
  using Decomposable = typename CoreT::Decomposable;
  using HeadKey = typename CoreT::HeadKey;
  using Dec = DecompositionOf<L>;

  explicit ProverImpl(L& logic);

  // ---- The instance's entries ----
  void axiom(const Hypothesis<L>& h);
  void init();
  Outcome prove(const ProveSettings& s, const std::vector<Hypothesis<L>>& hyps, const F& goal);

  // ---- Steps (public for tests) ----
  // Side effects of all: advance the clause counter, update the lists of
  // `core`; may raise Proved.
  Decomposed decompose_clause(const Cl& c);
  void decompose_litteral(const Lit& l, bool sign, ClauseRef<L> rest, LitTable& table);
  Decomposed lazy_decompose_clause(Cl c);
  void add_hyplist_to_cndats(const std::vector<Hypothesis<L>>& hyps);
  bool premajcndats(const Cl& c, const Cl* parent = nullptr);
  void add_resol(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2);
  void all_resol(Decomposed e);
  void resolve_table(const LitTable& t, std::uint32_t seen);
  void drop_gone();
  [[noreturn]] void res();
  void one_step();  // one step of `res`, without its end-of-step traces

  CoreT core;
  Majlistes<L> majlistes;
  Affichage<L> affichage;
  Oldeduction<L> oldeduction;
  Cl root;  // number 0, no literals: the parent of nothing, shown for a true goal
  // Deferred literals taken after their clause had left the literal index.
  std::size_t detached_decomposables = 0;

 private:
  // Where the literals of a decomposition go: into the clause's own table and
  // on to further decomposition (full), or into the table of new clauses and
  // the decomposables list of a lazy step.
  struct LazyTarget {
    LitTable* new_clauses;
    int k;  // number of the clause whose literal is decomposed
  };

  void decomposition_to_clause(const Cl& r, const Lit& l, const Dec& d, LitTable* full,
                               const LazyTarget* lazy);
  struct NewLits {  // a decomposition's new literals by sign
    std::vector<Lit> a, b, c;
  };
  std::optional<NewLits> new_literals(const Lit& l, const Dec& d);
  Cl rule_clause(const Cl& r, const Lit& l, const Dec& d, const std::vector<Lit>& c);
  void pass_on(const Cl& k0, const NewLits& n, LitTable* full, const LazyTarget* lazy);
  std::vector<Dec> rules_for(const Cl& r, const Lit& l, bool sign);
  void one_step_plain();
  void one_step_lazy();
  std::vector<Cl> split_or_keep(Cl c);
  void take_decomposable();
  void end_of_step();
  void build_goal(const F& goal);
  // The attempt, step by step (see `prove`).
  void take_settings(const ProveSettings& s);
  void begin_attempt();
  void end_attempt();
  void reset_lists();
  Outcome search(const std::vector<Hypothesis<L>>& hyps, const F& goal);
  Outcome report(Outcome o, int verbose);
  bool show_proof();
  void prune_clause_table();

  // Resolution, step by step (see `add_resol`)
  struct Apart {  // clause 2 renamed apart from clause 1
    typename L::renaming r;
    F l2;                     // its resolved literal, renamed
    typename L::constraints k2;  // its constraints, renamed
  };
  bool refused_pair(const Cl& c1, const Cl& c2);
  Apart rename_apart(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2);
  std::pair<Cl, Cl> instances(const Cl& c1, const Cl& c2, const Apart& apart, const UnifOf<L>& u,
                              const Lit& l);
  Cl joined(const Cl& c1, const Cl& c2, const Lit& lit, const std::vector<Lit>& a,
            const std::vector<Lit>& b, const std::vector<Lit>& c);
  void weigh_resolvent(Cl& res, const Cl& c1s, const Cl& c2s, const UnifOf<L>& u, const Lit& l);
  void offer_factors(const Cl& res, const Lit& l, const typename L::constraints& cons, Cl c1s,
                     Cl c2s);
  void print_two(const Cl& c1, const Cl& c2);  // "c1 = ...", "c2 = ..."
  void trace_brace(const char* brace);
  void trace_decompositions();
  void trace_deferred(const Decomposable& dec);
  void trace_taken(const Cl& c);
  void trace_split(const std::vector<Cl>& subs);
  void trace_attempt(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2);
  void trace_renamed(const F& l2);
  void trace_unify(bool done, bool unified);
  void trace_instances(const Cl& c2_renamed, const Lit& l, const Cl& c1s, const Cl& c2s);
  void trace_resolvent(const Cl& res);
  bool refused_by_method(const Cl& c1, const Cl& c2) const;
  bool split_tautology(const Cl& c1, const Cl& c2) const;
  bool split_subcase(const Cl& c1, const Cl& c2) const;
  void trace_refusal(const char* what) const;
  struct FactorBuild {  // what a factor is built from: the parents' instances, extra literals
    Cl c1, c2;
    std::vector<Lit> a, b, c;
  };
  struct Factor {
    Lit lit;
    typename L::constraints cons;
    FactorBuild b;
  };
  int factor_walk(const Lit& cur, const typename L::constraints& cons, const FactorBuild* b,
                  std::vector<Lit> l1, std::vector<Lit> l2, std::vector<Factor>* out);
  bool drop_refused(const Cl& c1, const Cl& c2, const UnifOf<L>& u, const Lit& l,
                    const typename L::renaming& r, bool extra_lits);
  double resolvent_weight(const Cl& c1, const Cl& c2, int depth, const Lit& l) const;
  Lit subst_lit(const typename L::substitution& s, const Lit& l);
  int fresh_names_of(const Cl& c1, const Lit& l1);
  std::vector<Lit> subst_lits(const typename L::substitution& s, const std::vector<Lit>& l);

  // Time limit and interrupt: checked at safe points during an attempt.
  void check_stop();
  void tick() {
    if (++ticks_ >= 256) {
      ticks_ = 0;
      check_stop();
    }
  }

  // Files c in the table of all clauses, for a proof to show. Only the
  // clauses the search keeps (or that end it) and their parents are filed.
  void record(const Cl& c) {
    if (core.current.trace_proof || core.current.splitting) add_clause_table(core, c.num, c);
  }
  int lit_cmp(const Lit& a, const Lit& b) const { return core.compare_litteral(a, b); }
  static std::size_t length(const Cl& c) { return c.pos.size() + c.neg.size() + c.autres.size(); }

  static constexpr std::size_t kTableSlack = 4096;
  std::size_t table_limit_ = kTableSlack;  // size of the clause table that prompts a pruning
  int attempt_first_clause_ = 0;           // the clause counter when the attempt began
  // Clause number -> the fresh names renaming it apart takes (a clause's
  // literal and its rest together are the whole clause). Looked up only.
  std::unordered_map<int, int> fresh_names_;
  bool in_attempt_ = false;    // polling only while an attempt runs
  bool filing_axiom_ = false;  // decomposition clauses go to the axiom table
  unsigned ticks_ = 0;
};

// ===================================================================
// Instance

template <Logic L>
ProverImpl<L>::ProverImpl(L& logic)
    : core(logic), majlistes(core), affichage(core), oldeduction(core) {
  root.poids = core.weights.initpoids(0);
  root.origine = make_origine<L>(Parentless<L>{});
  root.num = 0;
  root.contraintes = std::make_shared<typename L::constraints>(logic.empty_constraints());
  root.indice = Indice{2.0};
}

template <Logic L>
void ProverImpl<L>::check_stop() {
  if (!in_attempt_) return;
  switch (support::poll()) {
    case support::Stop::None:
      return;
    case support::Stop::Alarm: {
      auto& p = support::pp();
      p.print_flush();
      p.print_string("Temps imparti ecoule");
      p.print_newline();
      throw TimeOut{};
    }
    case support::Stop::Interrupt:
      support::clear_interrupt();
      throw BreakSearch{};
  }
}

template <Logic L>
void ProverImpl<L>::init() {
  engine::init(core);
}

// ===================================================================
// Axioms and decomposition

// Side effects: on success, the axiom's decomposed clause goes to the front of
// the axioms' already-seen list and the clause to the axiom table. A refused
// axiom leaves every counter and table as it found them.
template <Logic L>
void ProverImpl<L>::axiom(const Hypothesis<L>& h) {
  L& lg = core.logic;
  auto& p = support::pp();
  auto refuse = [&](const char* msg) {
    p.print_string(msg);
    p.print_newline();
  };
  bool negative;
  F b;
  try {
    negative = lg.negative_formula(h.formula);
    b = lg.elim_all_neg(h.formula);
    if (lg.is_true(b)) {
      refuse(negative ? "Ce ne peut pas etre un axiome" : "Vrai ne peut etre ajoutee");
      return;
    }
  } catch (const typename L::Metavar&) {
    refuse("Ce ne peut pas etre un axiome");
    return;
  }

  // What a refusal after decomposition must put back.
  const int saved_clause = core.clause_counter;
  const int saved_literal = core.literal_counter;
  std::vector<Cl> saved_cndats = core.cndats;
  const int saved_taille = core.taillecndats;
  const double saved_vu = core.weights.pdsmax_vu;
  const int saved_empty = core.empty_clause_number;

  Cl c;
  c.poids = core.weights.initpoids(h.poids);
  c.indice = core.weights.indice_of_int(h.indice);
  c.num = core.next_clause_number();
  c.contraintes = std::make_shared<typename L::constraints>(h.constraints);
  c.origine = make_origine<L>(Parentless<L>{});
  Lit l{b, Marque{}, core.next_literal_number()};
  (negative ? c.neg : c.pos).push_back(l);

  filing_axiom_ = true;
  try {
    Decomposed d = decompose_clause(c);
    filing_axiom_ = false;
    core.axiom_djvues.push_back(std::move(d));
    core.axiom_table.insert_or_assign(c.num, shown_part(c));
  } catch (const Proved&) {
    // Its decomposition yields the empty clause: it cannot be an axiom.
    filing_axiom_ = false;
    for (auto it = core.clause_table.upper_bound(saved_clause); it != core.clause_table.end();)
      it = core.clause_table.erase(it);
    for (auto it = core.axiom_table.upper_bound(saved_clause); it != core.axiom_table.end();)
      it = core.axiom_table.erase(it);
    core.clause_counter = saved_clause;
    core.literal_counter = saved_literal;
    core.cndats = std::move(saved_cndats);
    core.taillecndats = saved_taille;
    core.weights.pdsmax_vu = saved_vu;
    core.empty_clause_number = saved_empty;
    refuse("Ce ne peut pas etre un axiome");
  } catch (...) {
    filing_axiom_ = false;
    throw;
  }
}

template <Logic L>
typename ProverImpl<L>::Decomposed ProverImpl<L>::decompose_clause(const Cl& c) {
  LitTableCell table = core.new_lit_table();
  trace_decompositions();
  for (std::size_t i = 0; i < c.pos.size(); ++i) {
    auto rest = std::make_shared<Cl>(c);
    rest->pos.erase(rest->pos.begin() + static_cast<std::ptrdiff_t>(i));
    decompose_litteral(c.pos[i], true, std::move(rest), *table);
  }
  for (std::size_t i = 0; i < c.neg.size(); ++i) {
    auto rest = std::make_shared<Cl>(c);
    rest->neg.erase(rest->neg.begin() + static_cast<std::ptrdiff_t>(i));
    decompose_litteral(c.neg[i], false, std::move(rest), *table);
  }
  if (core.current.verbose >= 2) support::pp().print_newline();
  return {c, table};
}

// The logic's rules for a signed literal of rest r (its constraints are
// r's), between the braces of the level-2 trace.
template <Logic L>
std::vector<typename ProverImpl<L>::Dec> ProverImpl<L>::rules_for(const Cl& r, const Lit& l,
                                                                  bool sign) {
  trace_brace("{");
  std::vector<Dec> ds = core.logic.get_rules(*r.contraintes, l.formule, sign);
  trace_brace("}");
  return ds;
}

template <Logic L>
void ProverImpl<L>::decompose_litteral(const Lit& l, bool sign, ClauseRef<L> rest_ref,
                                       LitTable& table) {
  check_stop();
  const Cl& rest = *rest_ref;
  if (rest.poids > core.weights.pdsmax_global) return;
  // In 64 bits: maxcndts comes from the user and may be the smallest int.
  if (rest.poids > core.weights.pdsmax_vu && static_cast<long long>(core.taillecndats) >=
                                                 static_cast<long long>(core.current.maxcndts) - 1)
    return;
  table.add(HeadKey{core.logic.head_symbol(l.formule), sign}, {rest_ref, l});
  std::vector<Dec> ds = rules_for(rest, l, sign);
  for (const Dec& d : ds) decomposition_to_clause(rest, l, d, &table, nullptr);
}

// The literals a decomposition adds, signed: positives a, negatives b
// without the true ones, and those of undetermined sign c. None when a
// positive one is true (the clause is a tautology).
template <Logic L>
std::optional<typename ProverImpl<L>::NewLits> ProverImpl<L>::new_literals(const Lit& l,
                                                                           const Dec& d) {
  L& lg = core.logic;
  std::vector<Lit> lits;
  lits.reserve(d.formulas.size());
  for (const F& f : d.formulas) lits.push_back(Lit{f, l.marque, l.num_lit});
  auto [a, b, c] = pos_neg_list(core, lits);
  for (const Lit& x : a)
    if (lg.is_true(x.formule)) return std::nullopt;
  NewLits out{std::move(a), {}, std::move(c)};
  out.b.reserve(b.size());
  for (Lit& x : b)
    if (!lg.is_true(x.formule)) out.b.push_back(std::move(x));
  return out;
}

// Rest r under the rule's substitution, with the rule's weight, index,
// history and the new literals of undetermined sign: the clause without its
// new signed literals. Side effect: takes the next clause number.
template <Logic L>
Clause<L> ProverImpl<L>::rule_clause(const Cl& r, const Lit& l, const Dec& d,
                                     const std::vector<Lit>& c) {
  RuleHistory hb = add_hist_r(core, r.indices_b, d.rule);
  Indice ri;
  int rn = 0;
  for (const auto& e : hb)
    if (e.first == d.rule) {
      ri = e.second.first;
      rn = e.second.second;
      break;
    }
  const double poids = core.weights.pds_rule(ri, d.kind, rn, r.indice, r.poids);
  const Indice indice = core.weights.indice_of_int(core.weights.indice_rule(r.indice, hb));
  Cl rp = apply_subst_clause(core, d.subst, r);

  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  Cl k0;
  k0.pos = std::move(rp.pos);
  k0.neg = std::move(rp.neg);
  k0.autres = merge_perso(cmp, c, rp.autres);
  k0.split_neg = std::move(rp.split_neg);
  k0.split_pos = std::move(rp.split_pos);
  k0.indices_a = std::move(rp.indices_a);
  k0.poids = poids;
  k0.contraintes = std::make_shared<typename L::constraints>(d.constraints);
  k0.num = core.next_clause_number();
  k0.origine = make_origine<L>(DecOrigine<L>{r.num, r.origine, l, d.rule});
  k0.indice = indice;
  k0.indices_b = std::move(hb);
  return k0;
}

// Each new signed literal goes on with the rest of the whole clause (k0
// and the other new literals): decomposed further at once, or filed for a
// lazy step.
template <Logic L>
void ProverImpl<L>::pass_on(const Cl& k0, const NewLits& n, LitTable* full,
                            const LazyTarget* lazy) {
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  auto hand = [&](const Lit& x, bool sign, ClauseRef<L> rest) {
    if (lazy) {
      lazy->new_clauses->add(HeadKey{core.logic.head_symbol(x.formule), sign}, {rest, x});
      Majlistes<L>::add_decables(core.decables, lazy->k, std::move(rest), sign, x);
    } else {
      decompose_litteral(x, sign, std::move(rest), *full);
    }
  };
  for (std::size_t i = 0; i < n.a.size(); ++i) {
    auto rest = std::make_shared<Cl>(k0);
    rest->neg = merge_perso(cmp, n.b, k0.neg);
    std::vector<Lit> others = n.a;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
    rest->pos = merge_except(cmp, n.a[i], others, k0.pos);
    hand(n.a[i], true, std::move(rest));
  }
  for (std::size_t i = 0; i < n.b.size(); ++i) {
    auto rest = std::make_shared<Cl>(k0);
    rest->pos = merge_perso(cmp, n.a, k0.pos);
    std::vector<Lit> others = n.b;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
    rest->neg = merge_except(cmp, n.b[i], others, k0.neg);
    hand(n.b[i], false, std::move(rest));
  }
}

// Builds the clause that decomposition d of literal l makes from rest r, and
// either offers it to the candidates (no new literal) or hands each new
// literal on with its own rest clause.
// Side effects: advances the clause counter; files the clause in the tables;
// may raise Proved through the candidate update.
template <Logic L>
void ProverImpl<L>::decomposition_to_clause(const Cl& r, const Lit& l, const Dec& d, LitTable* full,
                                            const LazyTarget* lazy) {
  std::optional<NewLits> n = new_literals(l, d);
  if (!n) return;
  const Cl k0 = rule_clause(r, l, d, n->c);
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  Cl k = k0;
  k.pos = merge_perso(cmp, n->a, k0.pos);
  k.neg = merge_perso(cmp, n->b, k0.neg);
  if (core.current.verbose >= 4) {
    affichage.print_clause(k);
    support::pp().print_newline();
  }
  // Only an axiom's clauses outlive the attempt; a clause of an attempt
  // is never looked up by a later one.
  if (filing_axiom_ && (core.current.trace_proof || core.current.splitting))
    core.axiom_table.insert_or_assign(k.num, shown_part(k));
  if (n->a.empty() && n->b.empty()) {
    premajcndats(k0);
    return;
  }
  // Its new literals go on with k as their clause: a proof may show it.
  record(k);
  pass_on(k0, *n, full, lazy);
}

// Files every literal for later decomposition, asking the logic nothing.
template <Logic L>
typename ProverImpl<L>::Decomposed ProverImpl<L>::lazy_decompose_clause(Cl c) {
  LitTableCell table = core.new_lit_table();
  auto file = [&](const std::vector<Lit>& side, bool sign) {
    for (std::size_t i = 0; i < side.size(); ++i) {
      auto rest = std::make_shared<Cl>(c);
      auto& rs = sign ? rest->pos : rest->neg;
      rs.erase(rs.begin() + static_cast<std::ptrdiff_t>(i));
      table->add(HeadKey{core.logic.head_symbol(side[i].formule), sign}, {rest, side[i]});
      Majlistes<L>::add_decables(core.decables, c.num, std::move(rest), sign, side[i]);
    }
  };
  file(c.pos, true);
  file(c.neg, false);
  core.lit_index[c.num] = table;
  return {std::move(c), table};
}

// ===================================================================
// Hypotheses and the candidate gate

template <Logic L>
void ProverImpl<L>::add_hyplist_to_cndats(const std::vector<Hypothesis<L>>& hyps) {
  L& lg = core.logic;
  for (const Hypothesis<L>& h : hyps) {
    Cl c;
    c.poids = core.weights.initpoids(h.poids);
    c.origine = make_origine<L>(Parentless<L>{});
    c.contraintes = std::make_shared<typename L::constraints>(h.constraints);
    try {
      const bool negative = lg.negative_formula(h.formula);
      F g = lg.elim_all_neg(h.formula);
      if (lg.is_true(g)) {
        if (negative) throw Proved{};
        continue;
      }
      c.num = core.next_clause_number();
      c.indice = core.weights.indice_of_int(h.indice);
      (negative ? c.neg : c.pos).push_back(Lit{std::move(g), Marque{}, core.next_literal_number()});
    } catch (const typename L::Metavar&) {
      c.num = core.next_clause_number();
      c.indice = Indice{2.0};
      c.autres.push_back(Lit{h.formula, Marque{}, core.next_literal_number()});
    }
    if (majlistes.majcndats(c, core.cndats, core.djvues) == Majlistes<L>::Admission::Inserted)
    record(c);
    if (c.poids > core.weights.pdsmax_vu) core.weights.pdsmax_vu = c.poids;
  }
}

// The gate of every new clause: the candidate update, and the case split an
// empty clause with split literals closes. Side effects: updates the lists;
// a clause kept (or ending the search) is filed in the table of all
// clauses, with `parent` when given (a factor's resolvent, which is kept
// only through it); may raise Proved. True when c is kept.
template <Logic L>
bool ProverImpl<L>::premajcndats(const Cl& c, const Cl* parent) {
  auto file = [&] {
    record(c);
    if (parent) record(*parent);
  };
  using Admission = typename Majlistes<L>::Admission;
  Admission a;
  try {
    a = majlistes.majcndats(c, core.cndats, core.djvues);
  } catch (const Proved&) {
    file();
    throw;
  }
  if (a == Admission::Inserted) file();
  if (a != Admission::EmptySplit) return a == Admission::Inserted;
  file();
  for (auto it = core.empty_split_clauses.rbegin(); it != core.empty_split_clauses.rend(); ++it)
    if (majlistes.subsume(*it, c)) return false;
  std::vector<SplitLit> lits;
  lits.reserve(c.split_neg.size() + c.split_pos.size());
  for (int n : c.split_neg) lits.push_back(Splitting::mklit(n, true));
  for (int n : c.split_pos) lits.push_back(Splitting::mklit(n, false));
  // The split tree can grow large: its walk heeds the time limit too. A
  // refuted tree closes every case: the proof is found.
  bool refuted = false;
  if (in_attempt_) {
    switch (core.splitting_st.split_add_polled(lits)) {
      case Splitting::Added::Recorded:
        break;
      case Splitting::Added::Refuted:
        refuted = true;
        break;
      case Splitting::Added::Stopped:
        check_stop();
        refuted = core.splitting_st.split_add(lits);  // the request went away meanwhile
        break;
    }
  } else {
    refuted = core.splitting_st.split_add(lits);
  }
  if (refuted) throw Proved{};
  // The satisfiable set: c, newest, then the clauses it does not subsume.
  majlistes.majesclauses(c, core.empty_split_clauses);
  core.empty_split_clauses.push_back(c);
  majlistes.add_empty_with_split(c, core.cndats, core.djvues, core.decables, core.lit_index);
  return true;
}

// ===================================================================
// Resolution

template <Logic L>
bool ProverImpl<L>::refused_by_method(const Cl& c1, const Cl& c2) const {
  switch (core.current.resolution_method) {
    case ResolutionMethod::Nhr:
      return !c2.pos.empty();
    case ResolutionMethod::Phr:
      return !c1.neg.empty();
    case ResolutionMethod::All:
      break;
  }
  return false;
}

// A name in a split_neg of one clause and a split_pos of either: the
// signatures rule most pairs out without a walk.
template <Logic L>
bool ProverImpl<L>::split_tautology(const Cl& c1, const Cl& c2) const {
  const SplitFacts &f1 = split_facts(c1), &f2 = split_facts(c2);
  return f1.self_meet || f2.self_meet ||
         ((f1.neg & f2.pos) != 0 && names_meet(c1.split_neg, c2.split_pos)) ||
         ((f2.neg & f1.pos) != 0 && names_meet(c2.split_neg, c1.split_pos));
}

// Run only when both clauses carry a split literal: two clauses without any
// would otherwise count as a sub-case, and no two unsplit clauses would ever
// resolve.
template <Logic L>
bool ProverImpl<L>::split_subcase(const Cl& c1, const Cl& c2) const {
  auto split = [](const Cl& c) { return !c.split_neg.empty() || !c.split_pos.empty(); };
  if (!split(c1) || !split(c2)) return false;
  switch (which_one_sub(c1.split_neg, c2.split_neg)) {
    case Inclusion::Both:
      return which_one_sub(c1.split_pos, c2.split_pos) != Inclusion::None;
    case Inclusion::First:
      return fst_sub_snd(c1.split_pos, c2.split_pos);
    case Inclusion::Second:
      return fst_sub_snd(c2.split_pos, c1.split_pos);
    case Inclusion::None:
      return false;
  }
  return false;
}

template <Logic L>
void ProverImpl<L>::trace_refusal(const char* what) const {
  if (core.current.verbose >= 2) {
    auto& p = support::pp();
    p.print_newline();
    p.print_string(what);
    p.print_newline();
  }
}

// The fresh names renaming c1 apart takes (see `rename_apart`: the literal,
// then the rest's negatives, positives and undetermined literals), counted
// by the logic's own renaming walk once per clause and attempt.
template <Logic L>
int ProverImpl<L>::fresh_names_of(const Cl& c1, const Lit& l1) {
  auto [it, fresh] = fresh_names_.try_emplace(c1.num, 0);
  if (fresh) {
    std::vector<F> fs{l1.formule};
    for (const auto* side : {&c1.neg, &c1.pos, &c1.autres})
      for (const Lit& x : *side) fs.push_back(x.formule);
    it->second = core.logic.count_fresh_names(fs);
  }
  return it->second;
}

template <Logic L>
typename ProverImpl<L>::Lit ProverImpl<L>::subst_lit(const typename L::substitution& s,
                                                     const Lit& l) {
  return Lit{core.logic.apply_subst(s, l.formule), l.marque, l.num_lit};
}

template <Logic L>
std::vector<typename ProverImpl<L>::Lit> ProverImpl<L>::subst_lits(
    const typename L::substitution& s, const std::vector<Lit>& l) {
  std::vector<Lit> out;
  out.reserve(l.size());
  for (const Lit& x : l) out.push_back(subst_lit(s, x));
  return out;
}

// ---- Trace points of a resolution (each prints only at its verbosity) ----

template <Logic L>
void ProverImpl<L>::print_two(const Cl& c1, const Cl& c2) {
  auto& p = support::pp();
  p.print_string("c1 = ");
  affichage.print_clause(c1);
  p.print_newline();
  p.print_string("c2 = ");
  affichage.print_clause(c2);
  p.print_newline();
}

template <Logic L>
void ProverImpl<L>::trace_attempt(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2) {
  if (core.current.verbose < 5) return;
  auto& p = support::pp();
  p.print_string("On tente l'unif de '");
  core.logic.print_formula(l1.formule);
  p.print_string("' et '");
  core.logic.print_formula(l2.formule);
  p.print_string("'");
  p.print_newline();
  p.print_string("Le reste des clauses :");
  p.print_newline();
  print_two(c1, c2);
}

template <Logic L>
void ProverImpl<L>::trace_renamed(const F& l2) {
  if (core.current.verbose < 5) return;
  auto& p = support::pp();
  p.print_string("l2 devient ");
  core.logic.print_formula(l2);
  p.print_string("'");
  p.print_newline();
}

// "[" before the unifier runs, "]" after it: a line of its own when the
// pair does not unify.
template <Logic L>
void ProverImpl<L>::trace_unify(bool done, bool unified) {
  if (core.current.verbose < 2) return;
  auto& p = support::pp();
  p.print_string(done ? "]" : "[");
  if (done && !unified)
    p.print_newline();
  else
    p.print_flush();
}

template <Logic L>
void ProverImpl<L>::trace_instances(const Cl& c2_renamed, const Lit& l, const Cl& c1s,
                                    const Cl& c2s) {
  auto& p = support::pp();
  if (core.current.verbose >= 5) {
    p.print_string("c2 est devenue ");
    p.print_newline();
    affichage.print_clause(c2_renamed);
    p.print_newline();
  }
  if (core.current.verbose < 4) return;
  p.print_string("\nunification reussie\n");
  p.print_string("l = ");
  core.logic.print_formula(l.formule);
  p.print_newline();
  print_two(c1s, c2s);
}

template <Logic L>
void ProverImpl<L>::trace_resolvent(const Cl& res) {
  if (core.current.verbose < 4) return;
  auto& p = support::pp();
  p.print_string("clause obtenue = ");
  affichage.print_clause(res);
  p.print_newline();
}

// ---- Resolution ----

// The method and the split checks that refuse a pair before any unification.
template <Logic L>
bool ProverImpl<L>::refused_pair(const Cl& c1, const Cl& c2) {
  if (refused_by_method(c1, c2)) {
    trace_refusal("Methode : Une resolution empechee");
    return true;
  }
  if (!core.current.splitting) return false;
  if (split_tautology(c1, c2)) {
    trace_refusal("Splitting : Tautologie detectee");
    return true;
  }
  if (core.current.check_subcase && split_subcase(c1, c2)) {
    trace_refusal("Splitting : Sous-cas detecte");
    return true;
  }
  return false;
}

// Clause 2's literal renamed apart from the whole of clause 1, and the
// renaming. Side effect: takes fresh names from the logic's counter.
template <Logic L>
typename ProverImpl<L>::Apart ProverImpl<L>::rename_apart(const Cl& c1, const Lit& l1,
                                                          const Cl& c2, const Lit& l2) {
  L& lg = core.logic;
  auto r = lg.get_renaming_formula(lg.empty_renaming(), l1.formule);
  r = get_renaming_formula_list(core, r, c1.neg);
  r = get_renaming_formula_list(core, r, c1.pos);
  r = get_renaming_formula_list(core, r, c1.autres);
  r = lg.get_renaming_constraints(r, *c1.contraintes);
  F l2f = lg.rename_formula(r, l2.formule);
  auto k2 = lg.rename_constraints(r, *c2.contraintes);
  trace_renamed(l2f);
  return Apart{std::move(r), std::move(l2f), std::move(k2)};
}

// Both parents under the unifier, clause 2 renamed apart first. Each
// instance gets a new cell with the constraints the logic gave its clause
// (with both logics the set the parent's cell already holds), so the
// parents, which tables share, stay as they are.
template <Logic L>
std::pair<Clause<L>, Clause<L>> ProverImpl<L>::instances(const Cl& c1, const Cl& c2,
                                                        const Apart& apart, const UnifOf<L>& u,
                                                        const Lit& l) {
  L& lg = core.logic;
  const auto& two = std::get<TwoConstraints<typename L::constraints>>(u.outcome);
  Cl c2p = c2;
  for (auto* side : {&c2p.pos, &c2p.neg, &c2p.autres})
    for (Lit& x : *side) x.formule = lg.rename_formula(apart.r, x.formule);
  c2p.contraintes = std::make_shared<typename L::constraints>(apart.k2);
  Cl c1s = apply_subst_clause(core, u.subst, c1);
  c1s.contraintes = std::make_shared<typename L::constraints>(two.c1);
  Cl c2s = apply_subst_clause(core, u.subst, c2p);
  c2s.contraintes = std::make_shared<typename L::constraints>(two.c2);
  trace_instances(c2p, l, c1s, c2s);
  return {std::move(c1s), std::move(c2s)};
}

// The literals of a resolvent (or a factor) of c1 and c2 on `lit`: the
// unifier's extra literals a, b, c merged with both parents', lit taken
// out of c1's positives and c2's negatives.
template <Logic L>
Clause<L> ProverImpl<L>::joined(const Cl& c1, const Cl& c2, const Lit& lit,
                                const std::vector<Lit>& a, const std::vector<Lit>& b,
                                const std::vector<Lit>& c) {
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  Cl out;
  out.split_neg = merge_perso(int_compare, c1.split_neg, c2.split_neg);
  out.split_pos = merge_perso(int_compare, c1.split_pos, c2.split_pos);
  out.autres = merge_3(core, c, c1.autres, c2.autres);
  out.neg = merge_3(core, b, c1.neg, except(cmp, lit, c2.neg));
  out.pos = merge_3(core, a, except(cmp, lit, c1.pos), c2.pos);
  return out;
}

// The weight of the resolvent of c1 and c2 on l, from the parents' fields
// alone: the built resolvent and the early refusal both take it from here.
// The parents' instances under the unifier have the same weights, indices,
// histories and (without literals of undetermined sign) lengths.
template <Logic L>
double ProverImpl<L>::resolvent_weight(const Cl& c1, const Cl& c2, int depth, const Lit& l) const {
  return Typespoids::pds_res_max(depth, c1.indice, resolvent_hint_max(c1, c2), c1.poids,
                                 static_cast<int>(length(c1)), c2.indice, c2.poids,
                                 static_cast<int>(length(c2)), core.logic.size(l.formule));
}

// The resolvent's weight, index and histories, from its parents' instances.
// Side effect: takes the next clause number.
template <Logic L>
void ProverImpl<L>::weigh_resolvent(Cl& res, const Cl& c1s, const Cl& c2s, const UnifOf<L>& u,
                                    const Lit& l) {
  res.indices_b = merge_hist(c1s.indices_b, c2s.indices_b);
  res.indices_a = add_hist_c(add_hist_c(merge_hist(c1s.indices_a, c2s.indices_a), c1s), c2s);
  res.poids = resolvent_weight(c1s, c2s, u.depth, l);
  res.indice = core.weights.indice_res(c1s.indice, c2s.indice, res.indices_b, res.indices_a);
  res.num = core.next_clause_number();
  res.contraintes = std::make_shared<typename L::constraints>(u.constraints);
  res.origine = make_origine<L>(ResOrigine<L>{c1s.num, c1s.origine, c2s.num, c2s.origine, l});
}

// Factors: further literals of clause 1's positives and clause 2's
// negatives that unify with the resolved literal. Each weighs as the
// resolvent and derives from it.
template <Logic L>
void ProverImpl<L>::offer_factors(const Cl& res, const Lit& l,
                                  const typename L::constraints& cons, Cl c1s, Cl c2s) {
  std::vector<Factor> factors;
  std::vector<Lit> cand1 = c1s.pos, cand2 = c2s.neg;
  FactorBuild b0{std::move(c1s), std::move(c2s), {}, {}, {}};
  factor_walk(l, cons, &b0, std::move(cand1), std::move(cand2), &factors);
  for (Factor& f : factors) {
    Cl fc = joined(f.b.c1, f.b.c2, f.lit, f.b.a, f.b.b, f.b.c);
    fc.poids = res.poids;
    fc.indice = res.indice;
    fc.indices_b = res.indices_b;
    fc.indices_a = add_hist_c(res.indices_a, res);
    fc.num = core.next_clause_number();
    fc.contraintes = std::make_shared<typename L::constraints>(f.cons);
    fc.origine = make_origine<L>(ContrOrigine<L>{res.num, res.origine, f.lit});
    premajcndats(fc, &res);
  }
}

// Resolves positive literal l1 (rest c1) with negative literal l2 (rest c2).
// A pair that does not resolve ends quietly. Side effects: advances the
// clause counter, records and offers the resolvent and its factors; may
// raise Proved.
template <Logic L>
void ProverImpl<L>::add_resol(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2) {
  check_stop();
  L& lg = core.logic;
  const int verbose = core.current.verbose;
  if (refused_pair(c1, c2)) return;
  // A pair whose literals clash cannot resolve: it costs no renaming, but
  // the fresh-name counter moves on as the renaming would have moved it.
  if (verbose < 2 && !lg.may_unify(l1.formule, l2.formule)) {
    lg.skip_fresh_names(fresh_names_of(c1, l1));
    return;
  }
  trace_attempt(c1, l1, c2, l2);
  const Apart apart = rename_apart(c1, l1, c2, l2);
  trace_unify(false, false);
  auto u = lg.unif(
      ConstraintArgOf<L>{TwoConstraints<typename L::constraints>{*c1.contraintes, apart.k2}},
      l1.formule, apart.l2);
  trace_unify(true, u.has_value());
  if (!u) return;
  if (!std::holds_alternative<TwoConstraints<typename L::constraints>>(u->outcome))
    support::internal_error("prover");

  const Lit l{u->unified, l1.marque, l1.num_lit};
  std::vector<Lit> extra;
  for (const F& f : u->extra) extra.push_back(Lit{f, Marque{}, 0});
  auto [ea, eb, ec] = pos_neg_list(core, extra);
  if (verbose < 4 && drop_refused(c1, c2, *u, l, apart.r, !ea.empty() || !eb.empty())) return;

  auto [c1s, c2s] = instances(c1, c2, apart, *u, l);
  Cl res = joined(c1s, c2s, l, ea, eb, ec);
  weigh_resolvent(res, c1s, c2s, *u, l);
  trace_resolvent(res);
  premajcndats(res);
  offer_factors(res, l, u->constraints, std::move(c1s), std::move(c2s));
}

// A resolvent that the candidate gate refuses for its weight alone, with
// all its factors (they weigh as much), is not built: its number and its
// factors' numbers are taken as building them would take them. Only when
// neither clause has literals of undetermined sign (under the unifier their
// lengths stay as they are, so the weight can be told now) and when neither
// the resolvent nor a factor can be empty (the gate would then end the
// search instead). The weight and the factor walk are the building path's
// own (`resolvent_weight`, `factor_walk` counting).
template <Logic L>
bool ProverImpl<L>::drop_refused(const Cl& c1, const Cl& c2, const UnifOf<L>& u, const Lit& l,
                                 const typename L::renaming& r, bool extra_lits) {
  if (!c1.autres.empty() || !c2.autres.empty()) return false;
  const bool nonempty =
      extra_lits || c1.pos.size() >= 2 || !c2.pos.empty() || !c1.neg.empty() || c2.neg.size() >= 2;
  if (!nonempty) return false;
  const bool factors = !c1.pos.empty() || !c2.neg.empty();
  if (factors && c1.neg.empty() && c2.pos.empty()) return false;
  if (!majlistes.refused_by_weight(resolvent_weight(c1, c2, u.depth, l))) return false;
  core.next_clause_number();
  if (!factors) return true;
  // The candidates of the walk: as in the instances, c1's positives and
  // c2's negatives renamed apart, under the unifier.
  std::vector<Lit> neg2;
  neg2.reserve(c2.neg.size());
  for (const Lit& x : c2.neg)
    neg2.push_back(Lit{core.logic.rename_formula(r, x.formule), x.marque, x.num_lit});
  for (int n = factor_walk(l, u.constraints, nullptr, subst_lits(u.subst, c1.pos),
                           subst_lits(u.subst, neg2), nullptr);
       n > 0; --n)
    core.next_clause_number();
  return true;
}

// Every chain of candidates, in list order, that unifies step by step with
// the current literal gives one factor; chains taking an earlier candidate
// come first. The loop walks the candidates; the recursion follows one
// chain, so its depth is bounded by the clause's length. Returns how many
// factors there are; with `b` (the parents' instances and the extra
// literals so far) it also builds them into `out`, else it only counts.
template <Logic L>
int ProverImpl<L>::factor_walk(const Lit& cur, const typename L::constraints& cons,
                               const FactorBuild* b, std::vector<Lit> l1, std::vector<Lit> l2,
                               std::vector<Factor>* out) {
  L& lg = core.logic;
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  int found = 0;
  const std::size_t total = l1.size() + l2.size();
  for (std::size_t i = 0; i < total; ++i) {
    tick();
    const bool from1 = i < l1.size();
    const Lit& m = from1 ? l1[i] : l2[i - l1.size()];
    auto w = lg.unif(ConstraintArgOf<L>{OneConstraint<typename L::constraints>{cons}}, cur.formule,
                     m.formule);
    if (!w) continue;
    if (!std::holds_alternative<OneConstraint<typename L::constraints>>(w->outcome))
      support::internal_error("prover");
    const Lit lp{w->unified, cur.marque, cur.num_lit};
    ++found;
    std::optional<FactorBuild> bp;
    if (b) {
      std::vector<Lit> extra;
      for (const F& f : w->extra) extra.push_back(Lit{f, Marque{}, 0});
      auto [wa, wb, wc] = pos_neg_list(core, extra);
      bp.emplace(FactorBuild{apply_subst_clause(core, w->subst, b->c1),
                             apply_subst_clause(core, w->subst, b->c2),
                             merge_perso(cmp, wa, subst_lits(w->subst, b->a)),
                             merge_perso(cmp, wb, subst_lits(w->subst, b->b)),
                             merge_perso(cmp, wc, subst_lits(w->subst, b->c))});
      out->push_back(Factor{lp, w->constraints, *bp});
    }
    // The candidates after m: the rest of l1 then all of l2, or the rest of l2.
    std::vector<Lit> n1, n2;
    if (from1) {
      n1.assign(l1.begin() + static_cast<std::ptrdiff_t>(i) + 1, l1.end());
      n2 = l2;
    } else {
      n2.assign(l2.begin() + static_cast<std::ptrdiff_t>(i - l1.size()) + 1, l2.end());
    }
    found += factor_walk(lp, w->constraints, bp ? &*bp : nullptr,
                         except(cmp, lp, subst_lits(w->subst, n1)),
                         except(cmp, lp, subst_lits(w->subst, n2)), out);
  }
  return found;
}

// Resolves every literal of the newly seen clause against the clause itself
// (positive side) and every earlier seen clause.
template <Logic L>
void ProverImpl<L>::all_resol(Decomposed e) {
  check_stop();
  majlistes.majdjvues(e.first, core.djvues, core.decables, core.lit_index);
  drop_gone();
  e.seq = core.seen_index.add(*e.second);
  core.seen_seq[e.first.num] = e.seq;
  const LitTableCell table = e.second;
  const std::uint32_t seen = e.seq;
  core.djvues.push_back(std::move(e));
  resolve_table(*table, seen);
  drop_gone();
}

// Takes the clauses marked gone out of the already-seen list and its index
// (between walks only), and rebuilds the index once most of it is stale.
template <Logic L>
void ProverImpl<L>::drop_gone() {
  std::erase_if(core.djvues, [this](const Decomposed& d) {
    if (d.gone) core.seen_index.drop(d.seq);
    return d.gone;
  });
  if (!core.seen_index.worth_rebuilding()) return;
  core.seen_index.rebuild(core.djvues);
  core.seen_seq.clear();
  for (const Decomposed& d : core.djvues) core.seen_seq[d.first.num] = d.seq;
}

// Resolves every entry of t: a positive one first against t's own negative
// entries of the same head, then against the tables of the already-seen
// clauses that joined the list before seq `seen`, the most recent first; a
// negative one only against those. The positive side always comes first in
// add_resol. The walk visits the seen clauses as they stand at its start:
// upkeep during the walk (an empty split clause pruning the lists) only
// marks clauses gone. Only the tables that hold the complementary key are
// visited (the others give nothing).
template <Logic L>
void ProverImpl<L>::resolve_table(const LitTable& t, std::uint32_t seen) {
  t.for_each([&](const HeadKey& key, const std::pair<ClauseRef<L>, Lit>& v) {
    const Cl& rest = *v.first;
    const Lit& lit = v.second;
    const HeadKey other{key.head, !key.sign};
    if (key.sign)
      for (const auto& w : t.find_all(other)) add_resol(rest, lit, *w.first, w.second);
    core.seen_index.for_each_table(other, seen, [&](const LitTable& st) {
      tick();
      const auto& ws = st.find_all(other);
      for (std::size_t j = 0; j < ws.size(); ++j) {
        if (key.sign)
          add_resol(rest, lit, *ws[j].first, ws[j].second);
        else
          add_resol(*ws[j].first, ws[j].second, rest, lit);
      }
    });
  });
}

// ===================================================================
// The search loop

template <Logic L>
void ProverImpl<L>::res() {
  for (;;) {
    check_stop();
    if (core.clause_table.size() >= table_limit_) prune_clause_table();
    one_step();
    end_of_step();
  }
}

// Between two steps every clause the search can still use is in the lists;
// a recorded clause that none of them derives from can never be shown in a
// proof, so the table keeps only those and their ancestors (the table grows
// with the clauses kept, not with every resolvent tried). Polled: stopping
// halfway leaves a table that still holds every clause a proof could need.
template <Logic L>
void ProverImpl<L>::prune_clause_table() {
  auto& table = core.clause_table;
  // Numbers of this attempt in a flag vector; older ones (the axioms' clauses) in a set.
  const int low = attempt_first_clause_, top = core.clause_counter;
  std::vector<char> keep(static_cast<std::size_t>(top - low) + 1, 0);
  std::set<int> keep_old;
  auto kept = [&](int n) {
    return n >= low ? keep[static_cast<std::size_t>(n - low)] != 0 : keep_old.count(n) != 0;
  };
  std::vector<int> todo;
  auto mark = [&](int n) {
    if (n > top) return;
    if (n >= low) {
      if (keep[static_cast<std::size_t>(n - low)]) return;
      keep[static_cast<std::size_t>(n - low)] = 1;
    } else if (!keep_old.insert(n).second) {
      return;
    }
    todo.push_back(n);
  };
  mark(0);
  for (const Decomposed& d : core.djvues) {
    mark(d.first.num);
    for (const auto& slot : d.second->slots())
      for (const auto& v : slot.second) mark(v.first->num);
  }
  for (const auto& [num, cell] : core.lit_index) {
    mark(num);
    for (const auto& slot : cell->slots())
      for (const auto& v : slot.second) mark(v.first->num);
  }
  for (const Decomposable& e : core.decables) {
    mark(e.num);
    mark(e.rest->num);
  }
  for (const Cl& c : core.cndats) mark(c.num);
  for (const Cl& c : core.empty_split_clauses) mark(c.num);
  // Ancestors, as the proof printer finds them: through the table's own entries.
  while (!todo.empty()) {
    const int n = todo.back();
    todo.pop_back();
    tick();
    auto it = table.find(n);
    if (it == table.end() || !it->second.origine) continue;
    std::visit(
        [&](const auto& o) {
          using O = std::decay_t<decltype(o)>;
          if constexpr (std::is_same_v<O, ResOrigine<L>>) {
            mark(o.num1);
            mark(o.num2);
          } else if constexpr (!std::is_same_v<O, Parentless<L>>) {
            mark(o.num);
          }
        },
        it->second.origine->v);
  }
  for (auto it = table.begin(); it != table.end();) {
    tick();
    const int n = it->first;
    if (n <= top && !kept(n))
      it = table.erase(it);
    else
      ++it;
  }
  table_limit_ = 2 * table.size() + kTableSlack;
}

// ---- Trace points of a step (each prints only at its verbosity) ----

// Around the logic's rules for one literal: "{" before, "}" after.
template <Logic L>
void ProverImpl<L>::trace_brace(const char* brace) {
  if (core.current.verbose < 2) return;
  support::pp().print_string(brace);
  support::pp().print_flush();
}

template <Logic L>
void ProverImpl<L>::trace_decompositions() {
  if (core.current.verbose < 4) return;
  support::pp().print_string("Les decompositions :");
  support::pp().print_newline();
  support::pp().print_newline();
}

template <Logic L>
void ProverImpl<L>::trace_deferred(const Decomposable& dec) {
  if (core.current.verbose < 2) return;
  L& lg = core.logic;
  auto& p = support::pp();
  p.print_string("On decompose un litteral");
  p.print_newline();
  p.print_string("Le litteral :");
  p.print_newline();
  lg.print_formula(dec.sign ? dec.lit.formule : lg.negate_formula(dec.lit.formule));
  p.print_newline();
  p.print_string("Le reste de la clause :");
  affichage.print_clause(*dec.rest);
  p.print_newline();
}

template <Logic L>
void ProverImpl<L>::trace_taken(const Cl& c) {
  if (core.current.verbose < 3) return;
  auto& p = support::pp();
  p.print_string("La clause ajoutee :");
  p.print_newline();
  p.print_newline();
  affichage.print_clause(c);
  p.print_newline();
  p.print_newline();
}

template <Logic L>
void ProverImpl<L>::trace_split(const std::vector<Cl>& subs) {
  if (core.current.verbose < 3) return;
  auto& p = support::pp();
  if (subs.size() > 1) {
    p.print_string("Le splitting de la clause donne :");
    p.print_newline();
    p.print_newline();
    affichage.print_clause_list(subs);  // each clause ends its own line
  } else {
    p.print_string("Clause non splittee");
  }
  p.print_newline();
  p.print_newline();
}

template <Logic L>
void ProverImpl<L>::one_step() {
  if (core.current.lazy_decomposition)
    one_step_lazy();
  else
    one_step_plain();
}

// Splits C when splitting is on, with the traces of level 3.
template <Logic L>
std::vector<typename ProverImpl<L>::Cl> ProverImpl<L>::split_or_keep(Cl c) {
  trace_taken(c);
  if (!core.current.splitting) {
    std::vector<Cl> one;
    one.push_back(std::move(c));
    return one;
  }
  std::vector<Cl> subs = split_clause(core, c);
  trace_split(subs);
  return subs;
}

template <Logic L>
void ProverImpl<L>::one_step_plain() {
  if (core.cndats.empty()) throw ProveFail{};
  Cl c = std::move(core.cndats.front());
  core.cndats.erase(core.cndats.begin());
  --core.taillecndats;
  std::vector<Cl> subs = split_or_keep(std::move(c));
  std::vector<Decomposed> ds;
  ds.reserve(subs.size());
  for (const Cl& s : subs) ds.push_back(decompose_clause(s));
  for (Decomposed& d : ds) all_resol(std::move(d));
}

template <Logic L>
void ProverImpl<L>::one_step_lazy() {
  if (core.cndats.empty() && core.decables.empty()) throw ProveFail{};
  const bool take_decable =
      core.cndats.empty() ||
      (!core.decables.empty() && core.cndats.front().poids > core.decables.front().rest->poids);
  if (take_decable) return take_decomposable();
  Cl c = std::move(core.cndats.front());
  core.cndats.erase(core.cndats.begin());
  --core.taillecndats;
  if (core.current.verbose >= 2) {
    support::pp().print_string("On prend une clause");
    support::pp().print_newline();
  }
  std::vector<Cl> subs = split_or_keep(std::move(c));
  std::vector<Decomposed> ds;
  ds.reserve(subs.size());
  for (Cl& s : subs) ds.push_back(lazy_decompose_clause(std::move(s)));
  for (Decomposed& d : ds) all_resol(std::move(d));
}

// Decomposes one deferred literal and resolves the literals it brings.
template <Logic L>
void ProverImpl<L>::take_decomposable() {
  Decomposable dec = std::move(core.decables.front());
  core.decables.erase(core.decables.begin());
  // The upkeep drops a clause's entry in the literal index with its
  // deferred literals, but a decomposition that an empty split clause
  // interrupts can file more deferred literals of that clause afterwards.
  // Their new literals then go to a table of their own, which resolution
  // of later steps no longer sees.
  LitTableCell cell;
  bool attached = false;
  if (auto it = core.lit_index.find(dec.num); it != core.lit_index.end()) {
    cell = it->second;
    attached = true;
  } else {
    cell = core.new_lit_table();
    ++detached_decomposables;
  }
  LitTableCell fresh_cell = core.new_lit_table();
  LitTable& fresh = *fresh_cell;
  trace_deferred(dec);
  std::vector<Dec> ds = rules_for(*dec.rest, dec.lit, dec.sign);
  trace_decompositions();
  const LazyTarget target{&fresh, dec.num};
  for (const Dec& d : ds) decomposition_to_clause(*dec.rest, dec.lit, d, nullptr, &target);

  // Every seen clause, the most recent included.
  drop_gone();
  resolve_table(fresh, std::numeric_limits<std::uint32_t>::max());
  drop_gone();
  // The clause's own table takes the new literals; a key new to it, when the
  // clause is in the already-seen list, joins the list's index.
  const auto seq = attached ? core.seen_seq.find(dec.num) : core.seen_seq.end();
  fresh.for_each([&](const HeadKey& key, const std::pair<ClauseRef<L>, Lit>& v) {
    const bool new_key = cell->find_all(key).empty();
    cell->add(key, v);
    if (new_key && seq != core.seen_seq.end()) core.seen_index.add_key(seq->second, key, *cell);
  });
}

template <Logic L>
void ProverImpl<L>::end_of_step() {
  if (core.current.verbose < 2) return;
  auto& p = support::pp();
  p.print_string("\n\nLes clauses deja vues :");
  p.print_newline();
  p.print_newline();
  {
    std::vector<Cl> first;
    for (std::size_t i = core.djvues.size(); i-- > 0 && first.size() < 10;)
      first.push_back(core.djvues[i].first);
    affichage.print_clause_list(first);
  }
  p.print_newline();
  p.print_newline();
  p.print_string("Les clauses candidates :");
  p.print_newline();
  p.print_newline();
  affichage.print_clause_list(list_sub(core.cndats, 10));
  p.print_newline();
  p.print_newline();
  p.print_string("La liste des decomposables :\n");
  affichage.print_dec_list(list_sub(core.decables, 10));
  p.print_newline();
  p.print_string("taille !djvues : ");
  p.print_int(static_cast<long long>(core.djvues.size()));
  p.print_newline();
  p.print_string("taille taillecndats : ");
  p.print_int(core.taillecndats);
  p.print_newline();
  p.print_newline();
  if (core.current.step_prompt == 0) return;
  p.print_string("?(exit pour arreter - c pour ne plus arreter - entree sinon) ");
  p.print_flush();
  std::string line;
  switch (support::read_line(line)) {
    case support::ReadStatus::Eof:
      throw EndOfInput{};
    case support::ReadStatus::Interrupted:
      support::clear_interrupt();
      throw BreakSearch{};
    case support::ReadStatus::Line:
      break;
  }
  if (line == "exit") throw Sortie{};
  if (line == "c") core.current.verbose = 1;
}

// ===================================================================
// The proof attempt

template <Logic L>
void ProverImpl<L>::build_goal(const F& goal) {
  L& lg = core.logic;
  Cl c;
  try {
    const bool negative = lg.negative_formula(goal);
    F b = lg.elim_all_neg(goal);
    if (lg.is_true(b)) {
      if (negative) return;
      throw Proved{};
    }
    (negative ? c.pos : c.neg).push_back(Lit{std::move(b), Marque{}, core.next_literal_number()});
  } catch (const typename L::Metavar&) {
    c.autres.push_back(Lit{goal, Marque{}, core.next_literal_number()});
  }
  c.num = core.next_clause_number();
  c.poids = root.poids;
  c.contraintes = root.contraintes;
  c.indice = Indice{2.0};
  c.origine = make_origine<L>(Parentless<L>{});
  if (majlistes.majcndats(c, core.cndats, core.djvues) == Majlistes<L>::Admission::Inserted)
    record(c);
}

// Shows the proof of the empty clause; false when none can be shown (the
// clause is not in the table, or the reconstruction gave up).
template <Logic L>
bool ProverImpl<L>::show_proof() {
  auto& p = support::pp();
  auto sorry = [&] {
    p.print_string("Desole, pas de preuve :");
    p.print_newline();
    return false;
  };
  auto it = core.clause_table.find(core.empty_clause_number);
  if (it == core.clause_table.end()) return sorry();
  const Cl c = it->second;
  // The satisfiable set, the newest clause first.
  const std::vector<Cl> satisfiable(core.empty_split_clauses.rbegin(),
                                    core.empty_split_clauses.rend());
  if (core.current.splitting && core.current.verbose >= 3) {
    p.print_string("L'ensemble satisfaisable :");
    p.print_newline();
    affichage.print_clause_list(satisfiable);
    p.print_string("La clause C :");
    p.print_newline();
    affichage.print_clause(c);
    p.print_newline();
  }
  p.print_string("Voici la preuve :");
  p.print_newline();
  try {
    auto tree = oldeduction.proof_search(satisfiable, c);
    affichage.print_proof(tree, core.clause_table);
  } catch (const Noprinting&) {
    return sorry();
  }
  return true;
}

// The current cell of each setting: the attempt's own value, else the default.
template <Logic L>
void ProverImpl<L>::take_settings(const ProveSettings& s) {
  Settings& cur = core.current;
  const Settings& def = core.defaults;
  cur.resolution_method = s.resolution_method.value_or(def.resolution_method);
  cur.lazy_decomposition = s.lazy_decomposition.value_or(def.lazy_decomposition);
  cur.verbose = s.verbose.value_or(def.verbose);
  cur.step_prompt = s.step_prompt.value_or(def.step_prompt);
  cur.maxcndts = s.maxcndts.value_or(def.maxcndts);
  cur.splitting = s.splitting.value_or(def.splitting);
  cur.check_subcase = s.check_subcase.value_or(def.check_subcase);
  cur.trace_proof = s.trace_proof.value_or(def.trace_proof);
  cur.timemax = s.timemax.value_or(def.timemax);
  if (s.pdsmax_global)
    core.weights.pdsmax_global = core.weights.make_pdsmax_global(*s.pdsmax_global);
}

// The alarm runs only when no trace slows the search down (verbose below 2).
template <Logic L>
void ProverImpl<L>::begin_attempt() {
  support::catch_interrupt();
  support::clear_interrupt();
  if (core.current.verbose < 2 && core.current.timemax > 0)
    support::arm_alarm(core.current.timemax);
  else
    support::ignore_alarm();
  in_attempt_ = true;
  support::enable_stop_points(true);
  ticks_ = 0;
}

// Whatever ends the attempt, the alarm is set to be ignored first.
template <Logic L>
void ProverImpl<L>::end_attempt() {
  in_attempt_ = false;
  support::enable_stop_points(false);
  support::ignore_alarm();
}

// The lists start from the axioms' clauses; the clause table from the
// axioms' entries and the root, when a proof may be shown.
template <Logic L>
void ProverImpl<L>::reset_lists() {
  core.djvues = core.axiom_djvues;
  core.seen_index.rebuild(core.djvues);
  core.seen_seq.clear();
  core.cndats.clear();
  core.empty_split_clauses.clear();
  core.decables.clear();
  core.taillecndats = 0;
  core.lit_index.clear();
  table_limit_ = kTableSlack;
  attempt_first_clause_ = core.clause_counter;
  // A count is good for one attempt: the logic's stored values, which a
  // renaming walks through, may change between attempts.
  fresh_names_.clear();
  if (core.current.trace_proof || core.current.splitting) {
    core.clause_table = core.axiom_table;
    core.clause_table[0] = root;
    core.empty_clause_number = 0;
  }
  if (core.current.splitting) {
    core.splitting_st.init_lit_state();
    core.split_names.clear();
  }
}

// The search itself: the engine's control-flow exceptions become the
// outcome. A time-out has printed its message where it was met.
template <Logic L>
Outcome ProverImpl<L>::search(const std::vector<Hypothesis<L>>& hyps, const F& goal) {
  try {
    try {
      reset_lists();
      add_hyplist_to_cndats(hyps);
      build_goal(goal);
      res();
    } catch (const support::StopRequested&) {
      // A long substitution or unification met the time limit or the key.
      check_stop();
      support::internal_error("prover");  // a stop point fires only on a pending request
    }
  } catch (const Proved&) {
    return Outcome::Proved;
  } catch (const ProveFail&) {
    return Outcome::NotProved;
  } catch (const TimeOut&) {
    return Outcome::TimeOut;
  } catch (const Sortie&) {
    return Outcome::Stopped;
  } catch (const BreakSearch&) {
    return Outcome::Cancelled;
  }
}

// The verdict of an ended search, and the proof when one is asked for.
// "c" at the step question lowered the verbosity for the search only: the
// verdicts that follow a finished search print under the attempt's own.
template <Logic L>
Outcome ProverImpl<L>::report(Outcome o, int verbose) {
  auto& p = support::pp();
  auto say = [&](const char* msg) {
    p.print_string(msg);
    p.print_newline();
  };
  switch (o) {
    case Outcome::Stopped:
      say("Calcul arrete");
      core.current.verbose = verbose;
      return o;
    case Outcome::NotProved:
      say("La formule n'est pas prouvee (plus de candidats)");
      core.current.verbose = verbose;
      return o;
    case Outcome::Cancelled:
      say("Preuve annulee");
      return o;
    case Outcome::TimeOut:
    case Outcome::Unshown:
      return o;
    case Outcome::Proved:
      break;
  }
  say("La formule est vraie");
  core.current.verbose = verbose;
  if (verbose < 1 || !core.current.trace_proof) return o;
  try {
    return show_proof() ? Outcome::Proved : Outcome::Unshown;
  } catch (const SearchInterrupted&) {
    say("Preuve annulee");
    return Outcome::Cancelled;
  }
}

// One attempt: settings, search, verdict. Anything but the outcomes above
// (end of input at the step question, an internal error) leaves with the
// alarm ignored and the stop points off.
template <Logic L>
Outcome ProverImpl<L>::prove(const ProveSettings& s, const std::vector<Hypothesis<L>>& hyps,
                             const F& goal) {
  take_settings(s);
  const int verbose = core.current.verbose;
  begin_attempt();
  Outcome o;
  try {
    o = search(hyps, goal);
  } catch (...) {
    end_attempt();
    throw;
  }
  end_attempt();
  return report(o, verbose);
}

// ===================================================================
// The public face

template <Logic L>
Prover<L>::Prover(L& logic) : impl_(std::make_unique<ProverImpl<L>>(logic)) {}

template <Logic L>
Prover<L>::~Prover() = default;

template <Logic L>
void Prover<L>::axiom(const Hypothesis<L>& h) {
  impl_->axiom(h);
}

template <Logic L>
void Prover<L>::init() {
  impl_->init();
}

template <Logic L>
int Prover<L>::clauses_made() const {
  return impl_->core.clause_counter;
}

template <Logic L>
Outcome Prover<L>::prove(const ProveSettings& settings, const std::vector<Hypothesis<L>>& hyps,
                         const typename L::formula& goal) {
  return impl_->prove(settings, hyps, goal);
}

}  // namespace engine
