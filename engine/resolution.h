// Resolution: a positive literal of one clause against a negative literal of
// another, the second renamed apart from the first; the resolvent and its
// factors weighed and handed to the candidate gate. Two shortcuts that print
// nothing skip work the full path would throw away: a pair whose literals
// clash is not renamed, and a resolvent the gate refuses for its weight is
// not built; both take the numbers and names the full path takes. Part of
// ProverImpl (prover_impl.h).
#pragma once

#include "engine/prover_impl.h"

namespace engine {

// Resolves every literal of the newly seen clause against the clause itself
// (positive side) and every earlier seen clause.
template <Logic L>
void ProverImpl<L>::all_resol(Decomposed e) {
  check_stop();
  majlistes_.majdjvues(*e.first, core_.djvues, core_.decables, core_.lit_index);
  drop_gone();
  e.seq = core_.seen_index.add(*e.second);
  core_.seen_seq.insert_or_assign(e.first->num, e.seq);
  const LitTableCell table = e.second;
  const std::uint32_t seen = e.seq;
  core_.djvues.push_back(std::move(e));
  resolve_table(*table, seen);
  drop_gone();
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
  t.for_each([&](const HeadKey& key, const Entry& v) {
    const HeadKey other{key.head, !key.sign};
    if (key.sign)
      for (const auto& w : t.find_all(other)) add_resol(v, w);
    core_.seen_index.for_each_table(other, seen, [&](const LitTable& st) {
      tick();
      const auto& ws = st.find_all(other);
      for (std::size_t j = 0; j < ws.size(); ++j) {
        if (key.sign)
          add_resol(v, ws[j]);
        else
          add_resol(ws[j], v);
      }
    });
  });
}

// Takes the clauses marked gone out of the already-seen list and its index
// (between walks only), and rebuilds the index once most of it is stale.
template <Logic L>
void ProverImpl<L>::drop_gone() {
  std::erase_if(core_.djvues, [this](const Decomposed& d) {
    if (d.gone) core_.seen_index.drop(d.seq);
    return d.gone;
  });
  if (!core_.seen_index.worth_rebuilding()) return;
  core_.seen_index.rebuild(core_.djvues);
  core_.seen_seq.clear();
  for (const Decomposed& d : core_.djvues) core_.seen_seq.insert_or_assign(d.first->num, d.seq);
}

// Resolves positive literal l1 (rest c1, entry e1) with negative literal l2
// (rest c2, entry e2); the checks that refuse most pairs read the entries
// alone. A pair that does not resolve ends quietly. Side effects: advances
// the clause counter, records and offers the resolvent and its factors; may
// raise Proved.
template <Logic L>
void ProverImpl<L>::add_resol(const Entry& e1, const Entry& e2) {
  check_stop();
  L& lg = core_.logic;
  const Cl &c1 = *e1.rest, &c2 = *e2.rest;
  const Lit &l1 = e1.lit, &l2 = e2.lit;
  if (refused_pair(e1.facts, e2.facts, c1, c2)) return;
  // A pair whose literals clash cannot resolve: it costs no renaming, but
  // the fresh-name counter moves on as the renaming would have moved it.
  if (!trace_.stepwise() && !lg.may_unify(l1.formule, l2.formule)) {
    lg.skip_fresh_names(fresh_names_of(c1, l1));
    return;
  }
  trace_.attempt(c1, l1, c2, l2);
  const Apart apart = rename_apart(c1, l1, c2, l2);
  trace_.unify(false, false);
  auto u = lg.unif(
      ConstraintArgOf<L>{TwoConstraints<typename L::constraints>{*c1.contraintes, apart.k2}},
      l1.formule, apart.l2);
  trace_.unify(true, u.has_value());
  if (!u) return;
  if (!std::holds_alternative<TwoConstraints<typename L::constraints>>(u->outcome))
    support::internal_error("prover");

  const Lit l{u->unified, l1.marque, l1.num_lit};
  std::vector<Lit> extra;
  for (const F& f : u->extra) extra.push_back(Lit{f, Marque{}, 0});
  auto [ea, eb, ec] = pos_neg_list(core_, extra);
  if (!trace_.shows_resolvents() &&
      drop_refused(c1, c2, *u, l, apart.r, !ea.empty() || !eb.empty()))
    return;

  auto [i1, i2] = instances(c1, c2, apart, *u, l);
  Cl res = joined(c1, i1, c2, i2, l, ea, eb, ec);
  weigh_resolvent(res, c1, i1, c2, i2, *u, l);
  trace_.resolvent(res);
  const ClauseRef<L> resref = share(std::move(res));
  premajcndats(resref);
  offer_factors(resref, c1, c2, l, u->constraints, std::move(i1), std::move(i2));
}

// The method and the split checks that refuse a pair before any unification.
template <Logic L>
bool ProverImpl<L>::refused_pair(const SplitFacts& f1, const SplitFacts& f2, const Cl& c1,
                                 const Cl& c2) const {
  if (refused_by_method(f1, f2)) {
    trace_.refusal("Methode : Une resolution empechee");
    return true;
  }
  if (!core_.current.splitting) return false;
  if (split_tautology(f1, f2, c1, c2)) {
    trace_.refusal("Splitting : Tautologie detectee");
    return true;
  }
  if (core_.current.check_subcase && split_subcase(f1, f2, c1, c2)) {
    trace_.refusal("Splitting : Sous-cas detecte");
    return true;
  }
  return false;
}

template <Logic L>
bool ProverImpl<L>::refused_by_method(const SplitFacts& f1, const SplitFacts& f2) const {
  switch (core_.current.resolution_method) {
    case ResolutionMethod::Nhr:
      return f2.with_pos;
    case ResolutionMethod::Phr:
      return f1.with_neg;
    case ResolutionMethod::All:
      break;
  }
  return false;
}

// A name in a split_neg of one clause and a split_pos of either: the
// signatures rule most pairs out without a walk.
template <Logic L>
bool ProverImpl<L>::split_tautology(const SplitFacts& f1, const SplitFacts& f2, const Cl& c1,
                                    const Cl& c2) const {
  const bool exact = f1.exact && f2.exact;
  return f1.self_meet || f2.self_meet ||
         ((f1.neg & f2.pos) != 0 && (exact || names_meet(c1.split_neg, c2.split_pos))) ||
         ((f2.neg & f1.pos) != 0 && (exact || names_meet(c2.split_neg, c1.split_pos)));
}

// Run only when both clauses carry a split literal: two clauses without any
// would otherwise count as a sub-case, and no two unsplit clauses would ever
// resolve. Each outcome but None needs one clause's names within the
// other's, on both sides: the signatures rule most pairs out first.
template <Logic L>
bool ProverImpl<L>::split_subcase(const SplitFacts& f1, const SplitFacts& f2, const Cl& c1,
                                  const Cl& c2) const {
  if (!f1.split || !f2.split) return false;
  auto within = [](std::uint64_t a, std::uint64_t b) { return (a & ~b) == 0; };
  const bool first = within(f1.neg, f2.neg) && within(f1.pos, f2.pos);
  const bool second = within(f2.neg, f1.neg) && within(f2.pos, f1.pos);
  // Ascending lists: which_one_sub is set inclusion, fst_sub_snd too, so
  // exact signatures decide alone.
  if (!first && !second) return false;
  if (f1.exact && f2.exact) return true;
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

// The fresh names renaming c1 apart takes (see `rename_apart`: the literal,
// then the rest's negatives, positives and undetermined literals), counted
// by the logic's own renaming walk once per clause and attempt.
template <Logic L>
int ProverImpl<L>::fresh_names_of(const Cl& c1, const Lit& l1) {
  auto [count, fresh] = fresh_names_.try_emplace(c1.num, 0);
  if (fresh) {
    std::vector<F> fs{l1.formule};
    for (const auto* side : {&c1.neg, &c1.pos, &c1.autres})
      for (const Lit& x : *side) fs.push_back(x.formule);
    *count = core_.logic.count_fresh_names(fs);
  }
  return *count;
}

// Clause 2's literal renamed apart from the whole of clause 1, and the
// renaming. Side effect: takes fresh names from the logic's counter.
template <Logic L>
typename ProverImpl<L>::Apart ProverImpl<L>::rename_apart(const Cl& c1, const Lit& l1, const Cl& c2,
                                                          const Lit& l2) {
  L& lg = core_.logic;
  auto r = lg.get_renaming_formula(lg.empty_renaming(), l1.formule);
  r = get_renaming_formula_list(core_, r, c1.neg);
  r = get_renaming_formula_list(core_, r, c1.pos);
  r = get_renaming_formula_list(core_, r, c1.autres);
  r = lg.get_renaming_constraints(r, *c1.contraintes);
  F l2f = lg.rename_formula(r, l2.formule);
  auto k2 = lg.rename_constraints(r, *c2.contraintes);
  trace_.renamed(l2f);
  return Apart{std::move(r), std::move(l2f), std::move(k2)};
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
  // The weight grows with the hint of the history, so the weight without it
  // refuses most resolvents before the history is read.
  const std::size_t len1 = length(c1), len2 = length(c2);
  if (!majlistes_.refused_by_weight(resolvent_weight(c1, len1, c2, len2, u.depth, l, true)) &&
      !majlistes_.refused_by_weight(resolvent_weight(c1, len1, c2, len2, u.depth, l)))
    return false;
  core_.next_clause_number();
  if (!factors) return true;
  // The candidates of the walk: as in the instances, c1's positives and
  // c2's negatives renamed apart, under the unifier.
  std::vector<Lit> neg2;
  neg2.reserve(c2.neg.size());
  for (const Lit& x : c2.neg)
    neg2.push_back(Lit{core_.logic.rename_formula(r, x.formule), x.marque, x.num_lit});
  for (int n = factor_walk(l, u.constraints, nullptr, subst_lits(u.subst, c1.pos),
                           subst_lits(u.subst, neg2), nullptr);
       n > 0; --n)
    core_.next_clause_number();
  return true;
}

// The literals of both parents under the unifier, clause 2's renamed apart
// first: all a resolvent and its factors take from the instances (the
// other fields are the parents' own). Whole instances are made only to be
// shown, from verbose 4.
template <Logic L>
std::pair<Lits<L>, Lits<L>> ProverImpl<L>::instances(const Cl& c1, const Cl& c2, const Apart& apart,
                                                     const UnifOf<L>& u, const Lit& l) {
  L& lg = core_.logic;
  auto renamed = [&](const std::vector<Lit>& side) {
    std::vector<Lit> out;
    out.reserve(side.size());
    for (const Lit& x : side)
      out.push_back(Lit{lg.rename_formula(apart.r, x.formule), x.marque, x.num_lit});
    return out;
  };
  Lits<L> r2{renamed(c2.pos), renamed(c2.neg), renamed(c2.autres)};
  Lits<L> i1 = apply_subst_lits(core_, u.subst, c1.pos, c1.neg, c1.autres);
  Lits<L> i2 = apply_subst_lits(core_, u.subst, r2);
  if (trace_.shows_resolvents())
    trace_.instances(with_lits(c2, r2), l, with_lits(c1, i1), with_lits(c2, i2));
  return {std::move(i1), std::move(i2)};
}

// c with the literal lists l: an instance of c, as a trace shows it.
template <Logic L>
Clause<L> ProverImpl<L>::with_lits(const Cl& c, const Lits<L>& l) {
  Cl out = c;
  out.pos = l.pos;
  out.neg = l.neg;
  out.autres = l.autres;
  return out;
}

// The literals of a resolvent (or a factor) of c1 and c2 on `lit`, from
// their instances' literals i1 and i2: the unifier's extra literals a, b, c
// merged with both instances', lit taken out of i1's positives and i2's
// negatives; the split literals of both parents.
template <Logic L>
Clause<L> ProverImpl<L>::joined(const Cl& c1, const Lits<L>& i1, const Cl& c2, const Lits<L>& i2,
                                const Lit& lit, const std::vector<Lit>& a,
                                const std::vector<Lit>& b, const std::vector<Lit>& c) {
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  Cl out;
  out.split_neg = merge_perso(int_compare, c1.split_neg, c2.split_neg);
  out.split_pos = merge_perso(int_compare, c1.split_pos, c2.split_pos);
  out.autres = merge_3(core_, c, i1.autres, i2.autres);
  out.neg = merge_3(core_, b, i1.neg, except(cmp, lit, i2.neg));
  out.pos = merge_3(core_, a, except(cmp, lit, i1.pos), i2.pos);
  return out;
}

// The weight of the resolvent of c1 and c2 on l, their instances having
// len1 and len2 literals: the built resolvent and the early refusal both
// take it from here. An instance keeps its parent's weight, index and
// histories, and (without literals of undetermined sign) its length.
// `floor`: the weight with the history's hint left out, never above the
// weight itself (the hint multiplies an index, and indices are never
// negative).
template <Logic L>
double ProverImpl<L>::resolvent_weight(const Cl& c1, std::size_t len1, const Cl& c2,
                                       std::size_t len2, int depth, const Lit& l,
                                       bool floor) const {
  return Typespoids::pds_res_max(depth, c1.indice, floor ? 0 : resolvent_hint_max(c1, c2), c1.poids,
                                 static_cast<int>(len1), c2.indice, c2.poids,
                                 static_cast<int>(len2), core_.logic.size(l.formule));
}

// The resolvent's weight, index and histories, from its parents and their
// instances' literals. Side effect: takes the next clause number.
template <Logic L>
void ProverImpl<L>::weigh_resolvent(Cl& res, const Cl& c1, const Lits<L>& i1, const Cl& c2,
                                    const Lits<L>& i2, const UnifOf<L>& u, const Lit& l) {
  auto len = [](const Lits<L>& i) { return i.pos.size() + i.neg.size() + i.autres.size(); };
  res.indices_b = merge_hist(c1.indices_b, c2.indices_b);
  res.indices_a = add_hist_c(add_hist_c(merge_hist(c1.indices_a, c2.indices_a), c1), c2);
  res.poids = resolvent_weight(c1, len(i1), c2, len(i2), u.depth, l);
  res.indice = core_.weights.indice_res(c1.indice, c2.indice, res.indices_b, res.indices_a);
  res.num = core_.next_clause_number();
  res.contraintes = make_constraints<L>(u.constraints);
  res.origine = make_origine<L>(ResOrigine<L>{c1.num, c1.origine, c2.num, c2.origine, l});
}

// Factors: further literals of clause 1's positives and clause 2's
// negatives that unify with the resolved literal. Each weighs as the
// resolvent and derives from it.
template <Logic L>
void ProverImpl<L>::offer_factors(const ClauseRef<L>& resref, const Cl& c1, const Cl& c2,
                                  const Lit& l, const typename L::constraints& cons, Lits<L> i1,
                                  Lits<L> i2) {
  const Cl& res = *resref;
  std::vector<Factor> factors;
  std::vector<Lit> cand1 = i1.pos, cand2 = i2.neg;
  FactorBuild b0{std::move(i1), std::move(i2), {}, {}, {}};
  factor_walk(l, cons, &b0, std::move(cand1), std::move(cand2), &factors);
  for (Factor& f : factors) {
    Cl fc = joined(c1, f.b.i1, c2, f.b.i2, f.lit, f.b.a, f.b.b, f.b.c);
    fc.poids = res.poids;
    fc.indice = res.indice;
    fc.indices_b = res.indices_b;
    fc.indices_a = add_hist_c(res.indices_a, res);
    fc.num = core_.next_clause_number();
    fc.contraintes = make_constraints<L>(f.cons);
    fc.origine = make_origine<L>(ContrOrigine<L>{res.num, res.origine, f.lit});
    premajcndats(share(std::move(fc)), &resref);
  }
}

// Every chain of candidates, in list order, that unifies step by step with
// the current literal gives one factor; chains taking an earlier candidate
// come first. The loop walks the candidates; the recursion follows one
// chain, so its depth is bounded by the clause's length. Returns how many
// factors there are; with `b` (the instances' literals and the extra
// literals so far) it also builds them into `out`, else it only counts.
template <Logic L>
int ProverImpl<L>::factor_walk(const Lit& cur, const typename L::constraints& cons,
                               const FactorBuild* b, std::vector<Lit> l1, std::vector<Lit> l2,
                               std::vector<Factor>* out) {
  L& lg = core_.logic;
  auto cmp = [this](const Lit& x, const Lit& y) { return lit_cmp(x, y); };
  int found = 0;
  const std::size_t total = l1.size() + l2.size();
  for (std::size_t i = 0; i < total; ++i) {
    tick();
    const bool from1 = i < l1.size();
    const Lit& m = from1 ? l1[i] : l2[i - l1.size()];
    if (!lg.may_unify(cur.formule, m.formule)) continue;  // a clash: unif would fail
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
      auto [wa, wb, wc] = pos_neg_list(core_, extra);
      bp.emplace(FactorBuild{apply_subst_lits(core_, w->subst, b->i1),
                             apply_subst_lits(core_, w->subst, b->i2),
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

template <Logic L>
std::vector<typename ProverImpl<L>::Lit> ProverImpl<L>::subst_lits(
    const typename L::substitution& s, const std::vector<Lit>& l) {
  std::vector<Lit> out;
  out.reserve(l.size());
  for (const Lit& x : l)
    out.push_back(Lit{core_.logic.apply_subst(s, x.formule), x.marque, x.num_lit});
  return out;
}

}  // namespace engine
