// Axioms, and the decomposition of a clause's literals by the logic's rules:
// each rule turns a literal into a clause of new literals, which are
// decomposed in turn (the full regime) or filed for a later step (the lazy
// regime). Part of ProverImpl (prover_impl.h).
#pragma once

#include "engine/prover_impl.h"

namespace engine {

// Side effects: on success, the axiom's decomposed clause goes to the front of
// the axioms' already-seen list and the clause to the axiom table. A refused
// axiom leaves every counter and table as it found them.
template <Logic L>
AxiomAnswer ProverImpl<L>::axiom(const Hypothesis<L>& h) {
  L& lg = core_.logic;
  bool negative;
  F b;
  try {
    negative = lg.negative_formula(h.formula);
    b = lg.elim_all_neg(h.formula);
    if (lg.is_true(b)) return negative ? AxiomAnswer::NotAxiom : AxiomAnswer::AlwaysTrue;
  } catch (const typename L::Metavar&) {
    return AxiomAnswer::NotAxiom;
  }

  // What a refusal after decomposition must put back.
  const int saved_clause = core_.clause_counter;
  const int saved_literal = core_.literal_counter;
  std::vector<ClauseRef<L>> saved_cndats = core_.cndats;
  const int saved_taille = core_.taillecndats;
  const double saved_vu = core_.weights.pdsmax_vu;
  const int saved_empty = core_.empty_clause_number;

  Cl c;
  c.poids = core_.weights.initpoids(h.poids);
  c.indice = core_.weights.indice_of_int(h.indice);
  c.num = core_.next_clause_number();
  c.contraintes = make_constraints<L>(h.constraints);
  c.origine = make_origine<L>(Parentless<L>{});
  Lit l{b, Marque{}, core_.next_literal_number()};
  (negative ? c.neg : c.pos).push_back(l);
  const ClauseRef<L> cref = share(std::move(c));

  filing_axiom_ = true;
  try {
    Decomposed d = decompose_clause(cref);
    filing_axiom_ = false;
    core_.axiom_djvues.push_back(std::move(d));
    core_.axiom_table.insert_or_assign(cref->num, cref);
  } catch (const Proved&) {
    // Its decomposition yields the empty clause: it cannot be an axiom.
    filing_axiom_ = false;
    for (auto it = core_.clause_table.upper_bound(saved_clause); it != core_.clause_table.end();)
      it = core_.clause_table.erase(it);
    for (auto it = core_.axiom_table.upper_bound(saved_clause); it != core_.axiom_table.end();)
      it = core_.axiom_table.erase(it);
    core_.clause_counter = saved_clause;
    core_.literal_counter = saved_literal;
    core_.cndats = std::move(saved_cndats);
    core_.taillecndats = saved_taille;
    core_.weights.pdsmax_vu = saved_vu;
    core_.empty_clause_number = saved_empty;
    return AxiomAnswer::NotAxiom;
  } catch (...) {
    filing_axiom_ = false;
    throw;
  }
  return AxiomAnswer::Added;
}

template <Logic L>
typename ProverImpl<L>::Decomposed ProverImpl<L>::decompose_clause(const ClauseRef<L>& cref) {
  const Cl& c = *cref;
  LitTableCell table = core_.new_lit_table();
  trace_.decompositions();
  for (std::size_t i = 0; i < c.pos.size(); ++i)
    decompose_litteral(c.pos[i], true, rest_of(c, &Cl::pos, i), *table);
  for (std::size_t i = 0; i < c.neg.size(); ++i)
    decompose_litteral(c.neg[i], false, rest_of(c, &Cl::neg, i), *table);
  trace_.decomposition_done();
  return {cref, table};
}

// The rest of c without the i-th literal of one side: what a literal's
// entry in its clause's table resolves with.
template <Logic L>
ClauseRef<L> ProverImpl<L>::rest_of(const Cl& c, std::vector<Lit> Cl::*side, std::size_t i) {
  Cl rest = c;
  auto& l = rest.*side;
  l.erase(l.begin() + static_cast<std::ptrdiff_t>(i));
  return share(std::move(rest));
}

// The logic's rules for a signed literal of rest r (its constraints are
// r's), between the braces of the level-2 trace.
template <Logic L>
std::vector<typename ProverImpl<L>::Dec> ProverImpl<L>::rules_for(const Cl& r, const Lit& l,
                                                                  bool sign) {
  trace_.brace("{");
  std::vector<Dec> ds = core_.logic.get_rules(*r.contraintes, l.formule, sign);
  trace_.brace("}");
  return ds;
}

template <Logic L>
void ProverImpl<L>::decompose_litteral(const Lit& l, bool sign, ClauseRef<L> rest_ref,
                                       LitTable& table) {
  check_stop();
  const Cl& rest = *rest_ref;
  if (rest.poids > core_.weights.pdsmax_global) return;
  // In 64 bits: maxcndts comes from the user and may be the smallest int.
  if (rest.poids > core_.weights.pdsmax_vu &&
      static_cast<long long>(core_.taillecndats) >=
          static_cast<long long>(core_.current.maxcndts) - 1)
    return;
  table.add(HeadKey{core_.logic.head_symbol(l.formule), sign}, table_entry(rest_ref, l));
  std::vector<Dec> ds = rules_for(rest, l, sign);
  for (const Dec& d : ds) decomposition_to_clause(rest, l, d, &table, nullptr);
}

// The literals a decomposition adds, signed: positives a, negatives b
// without the true ones, and those of undetermined sign c. None when a
// positive one is true (the clause is a tautology).
template <Logic L>
std::optional<typename ProverImpl<L>::NewLits> ProverImpl<L>::new_literals(const Lit& l,
                                                                           const Dec& d) {
  L& lg = core_.logic;
  std::vector<Lit> lits;
  lits.reserve(d.formulas.size());
  for (const F& f : d.formulas) lits.push_back(Lit{f, l.marque, l.num_lit});
  auto [a, b, c] = pos_neg_list(core_, lits);
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
  RuleHistory hb = add_hist_r(core_, r.indices_b, d.rule);
  Indice ri;
  int rn = 0;
  for (const auto& e : hb)
    if (e.first == d.rule) {
      ri = e.second.first;
      rn = e.second.second;
      break;
    }
  const double poids = core_.weights.pds_rule(ri, d.kind, rn, r.indice, r.poids);
  const Indice indice = core_.weights.indice_of_int(core_.weights.indice_rule(r.indice, hb));
  Lits<L> rp = apply_subst_lits(core_, d.subst, r.pos, r.neg, r.autres);

  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  Cl k0;
  k0.pos = std::move(rp.pos);
  k0.neg = std::move(rp.neg);
  k0.autres = merge_perso(cmp, c, rp.autres);
  k0.split_neg = r.split_neg;
  k0.split_pos = r.split_pos;
  k0.indices_a = r.indices_a;
  k0.poids = poids;
  k0.contraintes = make_constraints<L>(d.constraints);
  k0.num = core_.next_clause_number();
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
      lazy->new_clauses->add(HeadKey{core_.logic.head_symbol(x.formule), sign},
                             table_entry(rest, x));
      Majlistes<L>::add_decables(core_.decables, lazy->k, std::move(rest), sign, x);
    } else {
      decompose_litteral(x, sign, std::move(rest), *full);
    }
  };
  for (std::size_t i = 0; i < n.a.size(); ++i) {
    Cl rest = k0;
    rest.neg = merge_perso(cmp, n.b, k0.neg);
    std::vector<Lit> others = n.a;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
    rest.pos = merge_except(cmp, n.a[i], others, k0.pos);
    hand(n.a[i], true, share(std::move(rest)));
  }
  for (std::size_t i = 0; i < n.b.size(); ++i) {
    Cl rest = k0;
    rest.pos = merge_perso(cmp, n.a, k0.pos);
    std::vector<Lit> others = n.b;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
    rest.neg = merge_except(cmp, n.b[i], others, k0.neg);
    hand(n.b[i], false, share(std::move(rest)));
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
  Cl k0 = rule_clause(r, l, d, n->c);
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  Cl k = k0;
  k.pos = merge_perso(cmp, n->a, k0.pos);
  k.neg = merge_perso(cmp, n->b, k0.neg);
  trace_.decomposed(k);
  // No list holds k itself: the tables keep what a proof shows of it.
  const ClauseRef<L> shown = share(shown_part(k));
  // Only an axiom's clauses outlive the attempt; a clause of an attempt
  // is never looked up by a later one.
  if (filing_axiom_ && (core_.current.trace_proof || core_.current.splitting))
    core_.axiom_table.insert_or_assign(k.num, shown);
  if (n->a.empty() && n->b.empty()) {
    premajcndats(share(std::move(k0)));
    return;
  }
  // Its new literals go on with k as their clause: a proof may show it.
  record(shown);
  pass_on(k0, *n, full, lazy);
}

// Files every literal for later decomposition, asking the logic nothing.
template <Logic L>
typename ProverImpl<L>::Decomposed ProverImpl<L>::lazy_decompose_clause(const ClauseRef<L>& cref) {
  const Cl& c = *cref;
  LitTableCell table = core_.new_lit_table();
  auto file = [&](std::vector<Lit> Cl::*side, bool sign) {
    const std::vector<Lit>& lits = c.*side;
    for (std::size_t i = 0; i < lits.size(); ++i) {
      ClauseRef<L> rest = rest_of(c, side, i);
      table->add(HeadKey{core_.logic.head_symbol(lits[i].formule), sign},
                 table_entry(rest, lits[i]));
      Majlistes<L>::add_decables(core_.decables, c.num, std::move(rest), sign, lits[i]);
    }
  };
  file(&Cl::pos, true);
  file(&Cl::neg, false);
  core_.lit_index[c.num] = table;
  return {cref, table};
}

}  // namespace engine
