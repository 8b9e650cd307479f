// Printing of clauses, deferred literals and proofs through the shared
// pretty-printer. A proof is a tree whose nodes carry clauses; it is printed
// as an ASCII tree, one clause a line, each with the rule that made it:
//
//   \(10) :  #0. %8. $res q                   <- the root, the empty clause
//    \(9)q :  #4.1 %3. $res p                 <- its first parent
//    |\(5)p :  #1. %1.                        <- "|": the root's second parent is due
//    |\(7)q, ~p :  #2.1 %1. $dec +imp p -> q
//    | \(4)p -> q :  #1. %1.
//    \(6)~q :  #1. %2.                        <- its second parent
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "engine/logic.h"
#include "engine/ptypes.h"
#include "engine/splitting.h"
#include "engine/typespoids.h"
#include "support/printer.h"
#include "support/signals.h"

namespace engine {

template <Logic L>
struct ProofTree;
template <Logic L>
using ProofTreePtr = std::shared_ptr<const ProofTree<L>>;

// The proof tree: eight cases; every case but Deferred is a node showing its clause.
template <Logic L>
struct ProofTree {
  using formula = typename L::formula;
  struct Leaf {
    Clause<L> c;
  };
  struct Res {  // resolution upon a formula
    Clause<L> c;
    formula f;
    ProofTreePtr<L> t1, t2;
  };
  struct Res_split {  // resolution upon a split literal
    Clause<L> c;
    int name;
    ProofTreePtr<L> t1, t2;
  };
  // Decomposition of f by `rule`
  struct Dec {
    Clause<L> c;
    formula f;
    std::string rule;
    ProofTreePtr<L> t;
  };
  // Contraction upon f: a factor of a resolvent
  struct Contr {
    Clause<L> c;
    formula f;
    ProofTreePtr<L> t;
  };
  // Piece k of a split clause
  struct Split {
    Clause<L> c;
    int k;
    ProofTreePtr<L> t;
  };
  struct Deferred {  // stands for the derivation of c, built when printed
    Clause<L> c;
  };
  struct Center {  // reduction against a framed split literal
    Clause<L> c;
    int name;
    ProofTreePtr<L> t;
  };
  std::variant<Leaf, Res, Res_split, Dec, Contr, Split, Deferred, Center> v;
};

template <Logic L>
ProofTreePtr<L> make_tree(auto&& node) {
  return std::make_shared<const ProofTree<L>>(ProofTree<L>{std::forward<decltype(node)>(node)});
}

template <Logic L>
class Affichage {
 public:
  using Cl = Clause<L>;
  using Tree = ProofTree<L>;
  using Table = std::map<int, ClauseRef<L>>;
  using Decomposable = typename Core<L>::Decomposable;

  explicit Affichage(const Core<L>& core) : core_(core) {}

  // "(num)" then the literals separated by ", ", then " : ", the weight and
  // the index; on one line (a box that never breaks).
  void print_clause(const Cl& c) const {
    auto& p = support::pp();
    p.open_hbox();
    p.print_string("(" + std::to_string(c.num) + ")");
    bool first = true;
    auto sep = [&] {
      if (!first) p.print_string(", ");
      first = false;
    };
    for (const auto& l : c.pos) {
      sep();
      core_.logic.print_formula(l.formule);
    }
    for (const auto& l : c.neg) {
      sep();
      core_.logic.print_formula(core_.logic.negate_formula(l.formule));
    }
    for (const auto& l : c.autres) {
      sep();
      core_.logic.print_formula(l.formule);
    }
    for (int n : c.split_neg) {
      sep();
      p.print_string("~");
      Splitting::print_litname(n);
    }
    for (int n : c.split_pos) {
      sep();
      Splitting::print_litname(n);
    }
    p.print_string(" : ");
    Typespoids::affpds(c.poids);
    Typespoids::affind(c.indice);
    p.close_box();
  }

  void print_clause_list(const std::vector<Cl>& l) const {
    for (const auto& c : l) {
      print_clause(c);
      support::pp().print_newline();
    }
  }
  void print_clause_list(const std::vector<ClauseRef<L>>& l) const {
    for (const auto& c : l) {
      print_clause(*c);
      support::pp().print_newline();
    }
  }

  void print_decomposable(const Decomposable& e) const {
    auto& p = support::pp();
    core_.logic.print_formula(e.sign ? e.lit.formule : core_.logic.negate_formula(e.lit.formule));
    p.print_newline();
    print_clause(*e.rest);
    p.print_newline();
    p.print_string("provient de la clause " + std::to_string(e.num));
    p.print_newline();
  }

  void print_dec_list(const std::vector<Decomposable>& l) const {
    for (const auto& e : l) {
      print_decomposable(e);
      support::pp().print_newline();
    }
    support::pp().print_newline();
  }

  // The derivation tree of c from the derivations in `table`. A clause
  // already in `shown` becomes a Leaf, so each clause is expanded once.
  // Throws Noprinting when a parent is missing from the table.
  ProofTreePtr<L> make_proof_tree(const Cl& c, const Table& table, std::set<int>& shown) const {
    heed_interrupt();
    if (!shown.insert(c.num).second) return make_tree<L>(typename Tree::Leaf{c});
    if (!c.origine) return make_tree<L>(typename Tree::Leaf{c});
    auto parent = [&](int n) -> ProofTreePtr<L> {
      auto it = table.find(n);
      if (it == table.end()) throw Noprinting{};
      return make_proof_tree(*it->second, table, shown);
    };
    return std::visit(
        [&](const auto& o) -> ProofTreePtr<L> {
          using O = std::decay_t<decltype(o)>;
          if constexpr (std::is_same_v<O, Parentless<L>>) {
            return make_tree<L>(typename Tree::Leaf{c});
          } else if constexpr (std::is_same_v<O, ResOrigine<L>>) {
            // A clause both parents reach is expanded under the second
            // parent, built first, and is a Leaf under the first.
            ProofTreePtr<L> t2 = parent(o.num2);  // the second parent's tree is built first
            ProofTreePtr<L> t1 = parent(o.num1);
            return make_tree<L>(typename Tree::Res{c, o.lit.formule, t1, t2});
          } else if constexpr (std::is_same_v<O, DecOrigine<L>>) {
            return make_tree<L>(typename Tree::Dec{c, o.lit.formule, o.rule, parent(o.num)});
          } else if constexpr (std::is_same_v<O, ContrOrigine<L>>) {
            return make_tree<L>(typename Tree::Contr{c, o.lit.formule, parent(o.num)});
          } else {
            return make_tree<L>(typename Tree::Split{c, o.k, parent(o.num)});
          }
        },
        c.origine->v);
  }

  // Prints the proof tree, expanding Deferred nodes from `table`. The whole
  // tree is built before anything is printed, so a missing clause
  // (Noprinting) prints nothing. Recursion depth: the depth of the proof.
  void print_proof(const ProofTreePtr<L>& t, const Table& table) const {
    print_tree(full_tree(t, table));
  }
  // The two halves of print_proof. Both heed the interrupt key (a proof can
  // run to millions of lines): it ends them with support::Interrupted, the
  // request taken, and a tree cut short ends with a whole line.
  ProofTreePtr<L> full_tree(const ProofTreePtr<L>& t, const Table& table) const {
    std::set<int> shown;
    return expand(t, table, shown);
  }
  void print_tree(const ProofTreePtr<L>& full) const {
    std::string prefix = " ";
    tree_printer(prefix, 1, full);
    support::pp().print_newline();
  }

 private:
  static void heed_interrupt() {
    if (support::poll() == support::Stop::Interrupt) {
      support::clear_interrupt();
      throw support::Interrupted{};
    }
  }

  // Replaces every Deferred node by its clause's derivation tree, in the
  // order the printer meets them (first subtree first).
  ProofTreePtr<L> expand(const ProofTreePtr<L>& t, const Table& table, std::set<int>& shown) const {
    return std::visit(
        [&](const auto& n) -> ProofTreePtr<L> {
          using N = std::decay_t<decltype(n)>;
          if constexpr (std::is_same_v<N, typename Tree::Deferred>) {
            return make_proof_tree(n.c, table, shown);
          } else if constexpr (std::is_same_v<N, typename Tree::Res_split>) {
            ProofTreePtr<L> a = expand(n.t1, table, shown);
            ProofTreePtr<L> b = expand(n.t2, table, shown);
            return make_tree<L>(typename Tree::Res_split{n.c, n.name, a, b});
          } else if constexpr (std::is_same_v<N, typename Tree::Center>) {
            return make_tree<L>(typename Tree::Center{n.c, n.name, expand(n.t, table, shown)});
          } else {
            // Leaf, Res, Dec, Contr, Split come from make_proof_tree: no Deferred inside.
            return t;
          }
        },
        t->v);
  }

  // The start of a node's line: the marks, a backslash, and the clause in a
  // box left open; the caller adds the rule, then closes the box.
  void node_line(const std::string& prefix, int depth, const Cl& c) const {
    auto& p = support::pp();
    p.print_string(prefix.substr(0, static_cast<std::size_t>(depth - 1)));
    p.print_string("\\");
    p.open_box(1);
    print_clause(c);
  }

  // `mark` is '|' for a first parent, whose lines keep a bar while the
  // second is still due, ' ' otherwise. `prefix` is restored on return.
  void child(std::string& prefix, int depth, const ProofTreePtr<L>& t, char mark) const {
    prefix.push_back(mark);
    tree_printer(prefix, depth + 1, t);
    prefix.pop_back();
  }

  // Invariant: prefix has `depth` characters, a ' ' and then the mark of
  // each node on the path below the root, this node's last. A node prints
  // all but the last, so its own mark shows on its descendants' lines only.
  // A line is left unfinished: the parent, or print_proof, ends it, so no
  // blank line follows the last one.
  // Every node starts at the beginning of a line: the interrupt key is
  // heeded there, so the tree printed so far ends with a whole line.
  void tree_printer(std::string& prefix, int depth, const ProofTreePtr<L>& t) const {
    heed_interrupt();
    auto& p = support::pp();
    std::visit(
        [&](const auto& n) {
          using N = std::decay_t<decltype(n)>;
          if constexpr (std::is_same_v<N, typename Tree::Deferred>) {
            support::internal_error("affichage");  // expanded before printing
          } else {
            node_line(prefix, depth, n.c);
            if constexpr (std::is_same_v<N, typename Tree::Leaf>) {
              p.close_box();
            } else if constexpr (std::is_same_v<N, typename Tree::Res>) {
              p.print_string(" $res ");
              core_.logic.print_formula(n.f);
            } else if constexpr (std::is_same_v<N, typename Tree::Res_split>) {
              p.print_string(" $res ");
              Splitting::print_litname(n.name);
            } else if constexpr (std::is_same_v<N, typename Tree::Dec>) {
              p.print_string(" $dec " + n.rule + " ");
              core_.logic.print_formula(n.f);
            } else if constexpr (std::is_same_v<N, typename Tree::Contr>) {
              p.print_string(" $contr ");
              core_.logic.print_formula(n.f);
            } else if constexpr (std::is_same_v<N, typename Tree::Split>) {
              p.print_string(" $split " + std::to_string(n.k) + " ");
            } else if constexpr (std::is_same_v<N, typename Tree::Center>) {
              p.print_string(" $center ");
              Splitting::print_litname(n.name);
            }
            if constexpr (std::is_same_v<N, typename Tree::Res> ||
                          std::is_same_v<N, typename Tree::Res_split>) {
              p.close_box();
              p.print_newline();
              child(prefix, depth, n.t1, '|');
              p.print_newline();
              child(prefix, depth, n.t2, ' ');
            } else if constexpr (!std::is_same_v<N, typename Tree::Leaf>) {
              p.close_box();
              p.print_newline();
              child(prefix, depth, n.t, ' ');
            }
          }
        },
        t->v);
  }

  const Core<L>& core_;
};

}  // namespace engine
