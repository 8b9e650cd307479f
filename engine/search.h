// The given-clause loop: hypotheses become candidates through the gate
// (`premajcndats`), and each step takes the lightest candidate, splits it,
// decomposes it and resolves it against the clauses already seen, or in the
// lazy regime decomposes one deferred literal. Part of ProverImpl
// (prover_impl.h).
#pragma once

#include <limits>
#include <set>
#include <type_traits>
#include <variant>

#include "engine/prover_impl.h"

namespace engine {

template <Logic L>
void ProverImpl<L>::add_hyplist_to_cndats(const std::vector<Hypothesis<L>>& hyps) {
  L& lg = core_.logic;
  for (const Hypothesis<L>& h : hyps) {
    Cl c;
    c.poids = core_.weights.initpoids(h.poids);
    c.origine = make_origine<L>(Parentless<L>{});
    c.contraintes = make_constraints<L>(h.constraints);
    try {
      const bool negative = lg.negative_formula(h.formula);
      F g = lg.elim_all_neg(h.formula);
      if (lg.is_true(g)) {
        if (negative) throw Proved{};
        continue;
      }
      c.num = core_.next_clause_number();
      c.indice = core_.weights.indice_of_int(h.indice);
      (negative ? c.neg : c.pos)
          .push_back(Lit{std::move(g), Marque{}, core_.next_literal_number()});
    } catch (const typename L::Metavar&) {
      c.num = core_.next_clause_number();
      c.indice = Indice{2.0};
      c.autres.push_back(Lit{h.formula, Marque{}, core_.next_literal_number()});
    }
    const double poids = c.poids;
    const ClauseRef<L> cref = share(std::move(c));
    if (majlistes_.majcndats(cref, core_.cndats, core_.djvues) == Majlistes<L>::Admission::Inserted)
      record(cref);
    if (poids > core_.weights.pdsmax_vu) core_.weights.pdsmax_vu = poids;
  }
}

// The gate of every new clause: the candidate update, and the case split an
// empty clause with split literals closes. Side effects: updates the lists;
// a clause kept (or ending the search) is filed in the table of all
// clauses, with `parent` when given (a factor's resolvent, which is kept
// only through it); may raise Proved. True when c is kept.
template <Logic L>
bool ProverImpl<L>::premajcndats(const ClauseRef<L>& cref, const ClauseRef<L>* parent) {
  const Cl& c = *cref;
  auto file = [&] {
    record(cref);
    if (parent) record(*parent);
  };
  using Admission = typename Majlistes<L>::Admission;
  Admission a;
  try {
    a = majlistes_.majcndats(cref, core_.cndats, core_.djvues);
  } catch (const Proved&) {
    file();
    throw;
  }
  if (a == Admission::Inserted) file();
  if (a != Admission::EmptySplit) return a == Admission::Inserted;
  file();
  for (auto it = core_.empty_split_clauses.rbegin(); it != core_.empty_split_clauses.rend(); ++it) {
    tick();
    if (majlistes_.subsume(**it, c)) return false;
  }
  std::vector<SplitLit> lits;
  lits.reserve(c.split_neg.size() + c.split_pos.size());
  for (int n : c.split_neg) lits.push_back(Splitting::mklit(n, true));
  for (int n : c.split_pos) lits.push_back(Splitting::mklit(n, false));
  // The split tree can grow large: its walk heeds the time limit too. A
  // refuted tree closes every case: the proof is found.
  switch (core_.splitting_st.split_add_polled(lits)) {
    case Splitting::Added::Recorded:
      break;
    case Splitting::Added::Refuted:
      throw Proved{};
    case Splitting::Added::Stopped:
      check_stop();  // ends the attempt; outside one, the walk is done unpolled
      if (core_.splitting_st.split_add(lits)) throw Proved{};
      break;
  }
  // The satisfiable set: c, newest, then the clauses it does not subsume.
  majlistes_.majesclauses(c, core_.empty_split_clauses);
  core_.empty_split_clauses.push_back(cref);
  majlistes_.add_empty_with_split(c, core_.cndats, core_.djvues, core_.decables, core_.lit_index);
  return true;
}

template <Logic L>
void ProverImpl<L>::res() {
  for (;;) {
    check_stop();
    if (core_.clause_table.size() >= table_limit_) prune_clause_table();
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
  auto& table = core_.clause_table;
  // Numbers of this attempt in a flag vector; older ones (the axioms' clauses) in a set.
  const int low = attempt_first_clause_, top = core_.clause_counter;
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
  for (const Decomposed& d : core_.djvues) {
    tick();
    mark(d.first->num);
    for (const auto& slot : d.second->slots())
      for (const auto& v : slot.second) mark(v.rest->num);
  }
  for (const auto& [num, cell] : core_.lit_index) {
    tick();
    mark(num);
    for (const auto& slot : cell->slots())
      for (const auto& v : slot.second) mark(v.rest->num);
  }
  for (const Decomposable& e : core_.decables) {
    tick();
    mark(e.num);
    mark(e.rest->num);
  }
  for (const ClauseRef<L>& c : core_.cndats) {
    tick();
    mark(c->num);
  }
  for (const ClauseRef<L>& c : core_.empty_split_clauses) {
    tick();
    mark(c->num);
  }
  // Ancestors, as the proof printer finds them: through the table's own entries.
  while (!todo.empty()) {
    const int n = todo.back();
    todo.pop_back();
    tick();
    auto it = table.find(n);
    if (it == table.end() || !it->second->origine) continue;
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
        it->second->origine->v);
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

template <Logic L>
void ProverImpl<L>::one_step() {
  if (core_.current.lazy_decomposition)
    one_step_lazy();
  else
    one_step_plain();
}

// Splits C when splitting is on, with the traces of level 3.
template <Logic L>
std::vector<ClauseRef<L>> ProverImpl<L>::split_or_keep(const ClauseRef<L>& c) {
  trace_.taken(*c);
  if (!core_.current.splitting) return {c};
  std::vector<ClauseRef<L>> subs = split_clause(core_, c);
  trace_.split(subs);
  return subs;
}

template <Logic L>
void ProverImpl<L>::one_step_plain() {
  if (core_.cndats.empty()) throw ProveFail{};
  ClauseRef<L> c = std::move(core_.cndats.front());
  core_.cndats.erase(core_.cndats.begin());
  --core_.taillecndats;
  std::vector<ClauseRef<L>> subs = split_or_keep(c);
  std::vector<Decomposed> ds;
  ds.reserve(subs.size());
  for (const ClauseRef<L>& s : subs) ds.push_back(decompose_clause(s));
  for (Decomposed& d : ds) all_resol(std::move(d));
}

template <Logic L>
void ProverImpl<L>::one_step_lazy() {
  if (core_.cndats.empty() && core_.decables.empty()) throw ProveFail{};
  const bool take_decable =
      core_.cndats.empty() ||
      (!core_.decables.empty() && core_.cndats.front()->poids > core_.decables.front().rest->poids);
  if (take_decable) return take_decomposable();
  ClauseRef<L> c = std::move(core_.cndats.front());
  core_.cndats.erase(core_.cndats.begin());
  --core_.taillecndats;
  trace_.take_clause();
  std::vector<ClauseRef<L>> subs = split_or_keep(c);
  std::vector<Decomposed> ds;
  ds.reserve(subs.size());
  for (const ClauseRef<L>& s : subs) ds.push_back(lazy_decompose_clause(s));
  for (Decomposed& d : ds) all_resol(std::move(d));
}

// Decomposes one deferred literal and resolves the literals it brings.
template <Logic L>
void ProverImpl<L>::take_decomposable() {
  Decomposable dec = std::move(core_.decables.front());
  core_.decables.erase(core_.decables.begin());
  // The upkeep drops a clause's entry in the literal index with its
  // deferred literals, but a decomposition that an empty split clause
  // interrupts can file more deferred literals of that clause afterwards.
  // Their new literals then go to a table of their own, which resolution
  // of later steps no longer sees.
  LitTableCell cell;
  bool attached = false;
  if (auto it = core_.lit_index.find(dec.num); it != core_.lit_index.end()) {
    cell = it->second;
    attached = true;
  } else {
    cell = core_.new_lit_table();
    ++detached_decomposables_;
  }
  LitTableCell fresh_cell = core_.new_lit_table();
  LitTable& fresh = *fresh_cell;
  trace_.deferred(dec);
  std::vector<Dec> ds = rules_for(*dec.rest, dec.lit, dec.sign);
  trace_.decompositions();
  const LazyTarget target{&fresh, dec.num};
  for (const Dec& d : ds) decomposition_to_clause(*dec.rest, dec.lit, d, nullptr, &target);

  // Every seen clause, the most recent included.
  drop_gone();
  resolve_table(fresh, std::numeric_limits<std::uint32_t>::max());
  drop_gone();
  // The clause's own table takes the new literals; a key new to it, when the
  // clause is in the already-seen list, joins the list's index.
  const std::uint32_t* seq = attached ? core_.seen_seq.find(dec.num) : nullptr;
  fresh.for_each([&](const HeadKey& key, const typename CoreT::Entry& v) {
    const bool new_key = cell->find_all(key).empty();
    cell->add(key, v);
    if (new_key && seq) core_.seen_index.add_key(*seq, key, *cell);
  });
}

// The lists of the step and the question, from level 2: "exit" stops the
// search, "c" lowers the level to 1 for the rest of the attempt (no more
// traces, no more questions). An interrupt that came while the question
// waited is still pending: the next check ends the attempt.
template <Logic L>
void ProverImpl<L>::end_of_step() {
  if (!trace_.stepwise()) return;
  trace_.step_lists();
  if (core_.current.step_prompt == 0 || !ask_ || !*ask_) return;
  switch ((*ask_)()) {
    case StepAnswer::GoOn:
      return;
    case StepAnswer::NoMoreStops:
      core_.current.verbose = 1;
      return;
    case StepAnswer::Exit:
      throw Sortie{};
    case StepAnswer::EndOfInput:
      throw EndOfInputAnswer{};
  }
}

}  // namespace engine
