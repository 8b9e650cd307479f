// The one way the tests reach the engine's private parts: the reference
// forms of its algorithms (the *_reference.h headers) and the tests' probes
// of its state go through here. Only tests include it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/oldeduction.h"
#include "engine/prover_impl.h"
#include "engine/splitting.h"

namespace engine {

struct TestAccess {
  // ---- Proof reconstruction: chains as entry codes ----
  template <Logic L>
  static std::uint32_t entry_code(Oldeduction<L>& od, bool framed, int name, bool sign) {
    return Oldeduction<L>::entry_code(od.code_of(name, sign), framed);
  }
  template <Logic L>
  static bool is_framed(std::uint32_t e) {
    return Oldeduction<L>::is_framed(e);
  }
  template <Logic L>
  static int name_of_entry(const Oldeduction<L>& od, std::uint32_t e) {
    return od.name_of(Oldeduction<L>::lit_of(e));
  }
  template <Logic L>
  static bool sign_of_entry(const Oldeduction<L>& od, std::uint32_t e) {
    return od.sign_of(Oldeduction<L>::lit_of(e));
  }
  template <Logic L>
  static bool simplify_codes(Oldeduction<L>& od, const std::vector<std::uint32_t>& in,
                             std::vector<std::uint32_t>& out) {
    return od.simplify_codes(in, out);
  }
  // The plain part of a chain of entry codes, as literal codes.
  template <Logic L>
  static std::vector<std::uint32_t> plain_part(const std::vector<std::uint32_t>& e) {
    std::vector<std::uint32_t> m;
    Oldeduction<L>::plain_part(e, m);
    return m;
  }
  template <Logic L>
  static bool redundant_or_record(Oldeduction<L>& od, const std::vector<std::uint32_t>& plain) {
    return od.redundant_or_record(plain) == Oldeduction<L>::kNil;
  }
  template <Logic L>
  static void pending_erase(Oldeduction<L>& od, const std::vector<std::uint32_t>& plain) {
    od.pending_.erase(plain);
  }
  template <Logic L>
  static Clause<L> to_clause(const Oldeduction<L>& od, const std::vector<std::uint32_t>& e) {
    return od.to_clause(e);
  }

  // ---- The engine instance: its state, and its steps one at a time ----
  template <Logic L>
  static ProverImpl<L>& impl(Prover<L>& p) {
    return *p.impl_;
  }
  template <Logic L>
  static Core<L>& core(ProverImpl<L>& i) {
    return i.core_;
  }
  template <Logic L>
  static Core<L>& core(Prover<L>& p) {
    return p.impl_->core_;
  }
  template <Logic L>
  static void add_resol(ProverImpl<L>& i, const Clause<L>& c1, const Literal<L>& l1,
                        const Clause<L>& c2, const Literal<L>& l2) {
    i.add_resol(table_entry(share(Clause<L>(c1)), l1), table_entry(share(Clause<L>(c2)), l2));
  }
  template <Logic L>
  static void one_step(ProverImpl<L>& i) {
    i.one_step();
  }
  template <Logic L>
  static void decompose_litteral(ProverImpl<L>& i, const Literal<L>& l, bool sign,
                                 ClauseRef<L> rest, typename Core<L>::LitTable& table) {
    i.decompose_litteral(l, sign, std::move(rest), table);
  }
  template <Logic L>
  static std::size_t detached_decomposables(Prover<L>& p) {
    return p.impl_->detached_decomposables_;
  }

  // ---- Split tree ----
  static SplitTreePtr make_node(Splitting& s, int name, SplitTreePtr left, SplitTreePtr right) {
    return s.make_node(name, std::move(left), std::move(right));
  }
};

}  // namespace engine
