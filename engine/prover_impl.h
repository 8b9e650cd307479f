// The engine instance: one class whose members are grouped by the phase of
// the search that holds their bodies, one file a phase:
//
//   decomposition.h   axioms, and a clause's literals turned into clauses by rules
//   resolution.h      pairs of literals resolved, factors, the early refusals
//   search.h          the given-clause loop: candidates in, one step after another
//   attempt.h         one `prove`: settings, lists reset, the goal, the outcome
//
// Heavy template bodies: a logic's folder instantiates them once, with
//
//   template class engine::Prover<prop::PropLogic>;
//
// Control flow: a found proof, an exhausted search, a user stop, the time
// limit and the interrupt key end an attempt as C++ exceptions, once per
// attempt. Everything else (a unification, a method or split check, a
// refused clause) fails by value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/affichage.h"
#include "engine/clauselists.h"
#include "engine/majlistes.h"
#include "engine/oldeduction.h"
#include "engine/prover.h"
#include "engine/ptypes.h"
#include "engine/settings.h"
#include "engine/trace.h"
#include "support/signals.h"

namespace engine {

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
  using Entry = typename CoreT::Entry;
  using Dec = DecompositionOf<L>;

  explicit ProverImpl(L& logic);

  // ---- The instance's entries (attempt.h, decomposition.h) ----
  AxiomAnswer axiom(const Hypothesis<L>& h);
  void init() { engine::init(core_); }
  Attempt prove(const ProveSettings& s, const std::vector<Hypothesis<L>>& hyps, const F& goal,
                const StepQuestion& ask);
  const Cl* final_clause() const;
  std::vector<ClauseRef<L>> satisfiable_set() const;
  void print_satisfiable_set() const;
  ProofTreePtr<L> proof();
  bool print_proof(const ProofTreePtr<L>& tree) const;
  int clauses_made() const { return core_.clause_counter; }

 private:
  friend struct TestAccess;

  // ---- in 'decomposition.h' ----
  // Where the literals of a decomposition go: into the clause's own table and
  // on to further decomposition (full), or into the table of new clauses and
  // the decomposables list of a lazy step.
  struct LazyTarget {
    LitTable* new_clauses;
    int k;  // number of the clause whose literal is decomposed
  };
  struct NewLits {  // a decomposition's new literals by sign
    std::vector<Lit> a, b, c;
  };
  Decomposed decompose_clause(const ClauseRef<L>& c);
  void decompose_litteral(const Lit& l, bool sign, ClauseRef<L> rest, LitTable& table);
  Decomposed lazy_decompose_clause(const ClauseRef<L>& c);
  static ClauseRef<L> rest_of(const Cl& c, std::vector<Lit> Cl::*side, std::size_t i);
  std::vector<Dec> rules_for(const Cl& r, const Lit& l, bool sign);
  void decomposition_to_clause(const Cl& r, const Lit& l, const Dec& d, LitTable* full,
                               const LazyTarget* lazy);
  std::optional<NewLits> new_literals(const Lit& l, const Dec& d);
  Cl rule_clause(const Cl& r, const Lit& l, const Dec& d, const std::vector<Lit>& c);
  void pass_on(const Cl& k0, const NewLits& n, LitTable* full, const LazyTarget* lazy);

  // ---- in 'resolution.h' ----
  struct Apart {  // clause 2 renamed apart from clause 1
    typename L::renaming r;
    F l2;                        // its resolved literal, renamed
    typename L::constraints k2;  // its constraints, renamed
  };
  struct FactorBuild {  // what a factor is built from: the instances' literals, extra literals
    Lits<L> i1, i2;
    std::vector<Lit> a, b, c;
  };
  struct Factor {
    Lit lit;
    typename L::constraints cons;
    FactorBuild b;
  };
  void all_resol(Decomposed e);
  void resolve_table(const LitTable& t, std::uint32_t seen);
  void drop_gone();
  void add_resol(const Entry& e1, const Entry& e2);
  bool refused_pair(const SplitFacts& f1, const SplitFacts& f2, const Cl& c1, const Cl& c2) const;
  bool refused_by_method(const SplitFacts& f1, const SplitFacts& f2) const;
  bool split_tautology(const SplitFacts& f1, const SplitFacts& f2, const Cl& c1,
                       const Cl& c2) const;
  bool split_subcase(const SplitFacts& f1, const SplitFacts& f2, const Cl& c1, const Cl& c2) const;
  int fresh_names_of(const Cl& c1, const Lit& l1);
  Apart rename_apart(const Cl& c1, const Lit& l1, const Cl& c2, const Lit& l2);
  bool drop_refused(const Cl& c1, const Cl& c2, const UnifOf<L>& u, const Lit& l,
                    const typename L::renaming& r, bool extra_lits);
  std::pair<Lits<L>, Lits<L>> instances(const Cl& c1, const Cl& c2, const Apart& apart,
                                        const UnifOf<L>& u, const Lit& l);
  static Cl with_lits(const Cl& c, const Lits<L>& l);
  Cl joined(const Cl& c1, const Lits<L>& i1, const Cl& c2, const Lits<L>& i2, const Lit& lit,
            const std::vector<Lit>& a, const std::vector<Lit>& b, const std::vector<Lit>& c);
  double resolvent_weight(const Cl& c1, std::size_t len1, const Cl& c2, std::size_t len2, int depth,
                          const Lit& l, bool floor = false) const;
  void weigh_resolvent(Cl& res, const Cl& c1, const Lits<L>& i1, const Cl& c2, const Lits<L>& i2,
                       const UnifOf<L>& u, const Lit& l);
  void offer_factors(const ClauseRef<L>& res, const Cl& c1, const Cl& c2, const Lit& l,
                     const typename L::constraints& cons, Lits<L> i1, Lits<L> i2);
  int factor_walk(const Lit& cur, const typename L::constraints& cons, const FactorBuild* b,
                  std::vector<Lit> l1, std::vector<Lit> l2, std::vector<Factor>* out);
  std::vector<Lit> subst_lits(const typename L::substitution& s, const std::vector<Lit>& l);

  // ---- in 'search.h' ----
  void add_hyplist_to_cndats(const std::vector<Hypothesis<L>>& hyps);
  bool premajcndats(const ClauseRef<L>& c, const ClauseRef<L>* parent = nullptr);
  [[noreturn]] void res();
  void one_step();  // one step of `res`, without its end
  void one_step_plain();
  void one_step_lazy();
  std::vector<ClauseRef<L>> split_or_keep(const ClauseRef<L>& c);
  void take_decomposable();
  void end_of_step();
  void prune_clause_table();

  // ---- in 'attempt.h' ----
  void take_settings(const ProveSettings& s);
  void begin_attempt();
  void end_attempt();
  void reset_lists();
  Outcome search(const std::vector<Hypothesis<L>>& hyps, const F& goal);
  void build_goal(const F& goal);

  // ---- Shared by the phases ----
  // The time limit and the interrupt key, at the safe points of an attempt
  // (a no-op outside one): support::TimeOut or support::Interrupted.
  static void check_stop() { support::stop_point(); }
  // check_stop every 256 calls, for the inner walks.
  void tick() {
    if (++ticks_ >= 256) {
      ticks_ = 0;
      check_stop();
    }
  }
  // Files c in the table of all clauses, for a proof to show. Only the
  // clauses the search keeps (or that end it) and their parents are filed.
  void record(const ClauseRef<L>& c) {
    if (core_.current.trace_proof || core_.current.splitting) add_clause_table(core_, c);
  }
  int lit_cmp(const Lit& a, const Lit& b) const { return core_.compare_litteral(a, b); }
  static std::size_t length(const Cl& c) { return c.pos.size() + c.neg.size() + c.autres.size(); }

  // ---- State ----
  CoreT core_;                         // the lists, tables, counters and settings
  Majlistes<L> majlistes_;             // their upkeep
  Affichage<L> affichage_;             // clauses and proofs printed
  Oldeduction<L> oldeduction_;         // proofs over split literals rebuilt
  Trace<L> trace_;                     // what the search prints as it goes
  ClauseRef<L> root_;                  // number 0, no literals: the parent of nothing
  const StepQuestion* ask_ = nullptr;  // the front end's question; set during an attempt
  static constexpr std::size_t kTableSlack = 4096;
  std::size_t table_limit_ = kTableSlack;  // size of the clause table that prompts a pruning
  int attempt_first_clause_ = 0;           // the clause counter when the attempt began
  // Clause number -> the fresh names renaming it apart takes (a clause's
  // literal and its rest together are the whole clause). Looked up only.
  IntMap<int> fresh_names_;
  bool filing_axiom_ = false;  // decomposition clauses go to the axiom table
  unsigned ticks_ = 0;         // calls of tick since its last check
  // Deferred literals taken after their clause had left the literal index.
  std::size_t detached_decomposables_ = 0;
};

}  // namespace engine

#include "engine/attempt.h"
#include "engine/decomposition.h"
#include "engine/resolution.h"
#include "engine/search.h"
