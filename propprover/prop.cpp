// Propositional formulas: the interning bank, the structural order, the
// printer, and the members of PropLogic that are more than one line.
//
// Every formula is a pointer to an interned node, so two formulas are
// structurally equal exactly when they point at the same node: `==`, the
// engine's `equal_formula` and `unif` are pointer tests. Nothing about a
// node depends on its address (hashes and the order read kinds and bytes
// only), so no output can change with the allocator.
#include "propprover/prop.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <unordered_map>

#include "support/printer.h"

namespace prop {

// Immutable once made. l and r are interned nodes themselves, which is what
// lets a lookup compare children by address.
struct Node {
  Kind kind;
  const Node* l;     // left operand, or the operand of Not
  const Node* r;     // right operand
  std::string name;  // Atom only
  std::size_t hash;  // structural: depends on kinds and bytes only
  int size;          // nodes, saturating at INT_MAX (the engine weighs by it)
  int depth;         // 1 for a leaf: the reader refuses a formula nested too deep by it
};

namespace {

// Hash combination (the boost recipe) and FNV-1a on names: only kinds and
// bytes go in, never an address, so a hash is the same on every run.
std::size_t mix(std::size_t h, std::size_t v) {
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  return h;
}

std::size_t hash_bytes(const std::string& s) {
  std::size_t h = 1469598103934665603ULL;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

// The size of a node over children of sizes a and b: saturates rather than
// wraps, so a huge input orders last instead of first.
int add_sizes(int a, int b) {
  long long s = static_cast<long long>(a) + b + 1;
  return s > INT_MAX ? INT_MAX : static_cast<int>(s);
}

// What identifies a node: its kind, its children (by address, since they
// are interned) and, for an atom, its name. During a lookup `name` points at
// the caller's string; in the table it points at the node's own copy.
struct Key {
  Kind kind;
  const Node* l;
  const Node* r;
  const std::string* name;
  std::size_t hash;
};

struct KeyHash {
  std::size_t operator()(const Key& k) const { return k.hash; }
};

struct KeyEq {
  bool operator()(const Key& a, const Key& b) const {
    if (a.kind != b.kind) return false;
    if (a.kind == Kind::Atom) return *a.name == *b.name;
    return a.l == b.l && a.r == b.r;
  }
};

// The formula bank. Nodes live until the process ends: the formulas of a
// session are the subformulas of its input and their rule images, a bounded
// set. The table is only looked up, never iterated.
//
// Shared by the whole process, with no lock: it interns immutable values,
// so it holds no state of any proof, and it is used by one thread at a time
// (the command loop's; a thread that builds formulas is started and joined
// around it, never run beside it).
struct Bank {
  std::deque<Node> nodes;  // a deque never moves its elements: node addresses stay
  std::unordered_map<Key, const Node*, KeyHash, KeyEq> table;
};

Bank& bank() {
  static Bank* b = new Bank;  // never destroyed: formulas may outlive static destructors
  return *b;
}

}  // namespace

// The one node for (kind, l, r, name): found, or made and recorded.
// Side effects: may add a node to the bank (never removes one).
Formula make(Kind kind, const Formula* l, const Formula* r, const std::string* name) {
  std::size_t h = mix(0x51ed270b27ULL, static_cast<std::size_t>(kind));
  if (kind == Kind::Atom) h = mix(h, hash_bytes(*name));
  if (l != nullptr) h = mix(h, l->hash());
  if (r != nullptr) h = mix(h, r->hash());
  Bank& b = bank();
  const Node* ln = l ? l->n_ : nullptr;
  const Node* rn = r ? r->n_ : nullptr;
  Key key{kind, ln, rn, name, h};
  auto it = b.table.find(key);
  if (it != b.table.end()) return Formula(it->second);
  // A new node: its size and depth are read off its children once, so the
  // engine's weights never walk a formula.
  int size = 1;
  int depth = 1;
  if (l != nullptr && r != nullptr) {
    size = add_sizes(l->size(), r->size());
    depth = 1 + std::max(l->depth(), r->depth());
  } else if (l != nullptr) {
    size = add_sizes(l->size(), 0);
    depth = 1 + l->depth();
  }
  Node& n = b.nodes.emplace_back(
      Node{kind, ln, rn, kind == Kind::Atom ? *name : std::string(), h, size, depth});
  // The key's name points into the stored node, so it stays valid.
  Key stored{kind, ln, rn, &n.name, h};
  b.table.emplace(stored, &n);
  return Formula(&n);
}

// A default formula is True, so that a default-built value is always a valid
// node and no member needs a null check.
Formula::Formula() : n_(true_().n_) {}

Kind Formula::kind() const { return n_->kind; }
Formula Formula::left() const { return Formula(n_->l); }
Formula Formula::right() const { return Formula(n_->r); }
Formula Formula::sub() const { return Formula(n_->l); }
const std::string& Formula::name() const { return n_->name; }
int Formula::size() const { return n_->size; }
std::size_t Formula::hash() const { return n_->hash; }
int Formula::depth() const { return n_->depth; }

// The constants are made once; every later call returns the same node.
Formula true_() {
  static const Formula t = make(Kind::True, nullptr, nullptr, nullptr);
  return t;
}

Formula false_() {
  static const Formula f = make(Kind::False, nullptr, nullptr, nullptr);
  return f;
}
Formula atom(const std::string& name) { return make(Kind::Atom, nullptr, nullptr, &name); }
Formula neg(const Formula& f) { return make(Kind::Not, &f, nullptr, nullptr); }
Formula and_(const Formula& a, const Formula& b) { return make(Kind::And, &a, &b, nullptr); }
Formula or_(const Formula& a, const Formula& b) { return make(Kind::Or, &a, &b, nullptr); }
Formula imp(const Formula& a, const Formula& b) { return make(Kind::Imp, &a, &b, nullptr); }
Formula iff(const Formula& a, const Formula& b) { return make(Kind::Iff, &a, &b, nullptr); }

// Printing priority: the higher, the tighter a connective binds; atoms and
// constants (6) never need brackets.
int prio(const Formula& f) {
  switch (f.kind()) {
    case Kind::Iff:
      return 1;
    case Kind::Imp:
      return 2;
    case Kind::Or:
      return 3;
    case Kind::And:
      return 4;
    case Kind::Not:
      return 5;
    default:
      return 6;
  }
}

bool is_false(const Formula& f) { return f.kind() == Kind::False; }

// Kinds in declared order first, then atom names, then operands from the
// left. Address-free, so sorted containers come out the same on every run.
int compare_structural(const Formula& a, const Formula& b) {
  if (a == b) return 0;  // interned: the same node, nothing to walk
  if (a.kind() != b.kind()) return a.kind() < b.kind() ? -1 : 1;
  switch (a.kind()) {
    case Kind::True:
    case Kind::False:
      return 0;
    case Kind::Atom: {
      int c = a.name().compare(b.name());  // byte by byte, then length
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case Kind::Not:
      return compare_structural(a.sub(), b.sub());
    default: {
      int c = compare_structural(a.left(), b.left());
      return c != 0 ? c : compare_structural(a.right(), b.right());
    }
  }
}

namespace {

const char* op_text(Kind k) {
  switch (k) {
    case Kind::Iff:
      return " <-> ";
    case Kind::Imp:
      return " -> ";
    case Kind::Or:
      return " or ";
    default:
      return " & ";
  }
}

// Binary connectives print right-associative: the left operand needs
// brackets at equal priority, the right one does not. Out takes string
// pieces, so the same walk serves the printer and to_string; the text reads
// back as the same formula (the prop_formula fuzz target checks it).
template <class Out>
void print_to(const Formula& f, Out& out) {
  switch (f.kind()) {
    case Kind::True:
      out("True");
      return;
    case Kind::False:
      out("False");
      return;
    case Kind::Atom:
      out(f.name());
      return;
    case Kind::Not:
      out("~");
      if (prio(f.sub()) > 5) {
        print_to(f.sub(), out);
      } else {
        out("(");
        print_to(f.sub(), out);
        out(")");
      }
      return;
    default: {
      int p = prio(f);
      if (prio(f.left()) > p) {
        print_to(f.left(), out);
      } else {
        out("(");
        print_to(f.left(), out);
        out(")");
      }
      out(op_text(f.kind()));
      if (prio(f.right()) >= p) {
        print_to(f.right(), out);
      } else {
        out("(");
        print_to(f.right(), out);
        out(")");
      }
    }
  }
}

}  // namespace

std::string to_string(const Formula& f) {
  std::string s;
  auto out = [&s](std::string_view t) { s += t; };
  print_to(f, out);
  return s;
}

// Without variables, two formulas unify exactly when they are equal, and
// the unifier is empty. The constraint case is passed through unchanged.
std::optional<PropLogic::Unif> PropLogic::unif(const engine::ConstraintArg<Constraints>& c,
                                               const Formula& f1, const Formula& f2) const {
  if (!(f1 == f2)) return std::nullopt;
  return Unif{0, Substitution{}, c, Constraints{}, f1, {}};
}

// The sign of a literal: an odd number of leading negations makes it
// negative, and False counts as the negation of True, so ~False is positive.
bool PropLogic::negative_formula(const Formula& f) const {
  // nfaux(f, false), as a loop over the leading negations.
  bool b = false;
  Formula g = f;
  while (g.kind() == Kind::Not) {
    b = !b;
    g = g.sub();
  }
  if (g.kind() == Kind::False) return !b;
  return b;
}

// The constants negate to each other rather than gaining a ~, so that a
// clause never holds ~True or ~False.
Formula PropLogic::negate_formula(const Formula& f) const {
  if (f.kind() == Kind::True) return false_();
  if (f.kind() == Kind::False) return true_();
  return neg(f);
}

// The formula under all its negations (the sign is negative_formula's
// business); False is read as ~True, so it becomes True.
Formula PropLogic::elim_all_neg(const Formula& f) const {
  Formula g = f;
  while (g.kind() == Kind::Not) g = g.sub();
  if (g.kind() == Kind::False) return true_();
  return g;
}

// The decomposition of f occurring with the given sign (true: asserted).
// Each rule is one new clause in which its formulas replace the literal, so
// a rule with two formulas splits a disjunction (+or, +imp, -and, -iff) and
// two rules give two clauses (+and, -or, -imp, +iff). Atoms and negations
// are not decomposed: a negation is a sign, read by negative_formula.
std::vector<PropLogic::Rule> PropLogic::get_rules(const Constraints&, const Formula& f,
                                                  bool sign) const {
  auto rule = [](const char* name, std::vector<Formula> lits) {
    return Rule{name, 1, Substitution{}, Constraints{}, std::move(lits)};
  };
  switch (f.kind()) {
    case Kind::Iff: {
      Formula a = f.left();
      Formula b = f.right();
      if (sign) return {rule("+iffl", {imp(a, b)}), rule("+iffr", {imp(b, a)})};
      return {rule("-iff", {neg(imp(a, b)), neg(imp(b, a))})};
    }
    case Kind::Imp:
      if (sign) return {rule("+imp", {neg(f.left()), f.right()})};
      return {rule("-impl", {f.left()}), rule("-impr", {neg(f.right())})};
    case Kind::Or:
      if (sign) return {rule("+or", {f.left(), f.right()})};
      return {rule("-orl", {neg(f.left())}), rule("-orr", {neg(f.right())})};
    case Kind::And:
      if (sign) return {rule("+andl", {f.left()}), rule("+andr", {f.right()})};
      return {rule("-and", {neg(f.left()), neg(f.right())})};
    default:
      return {};
  }
}

// On the process-wide printer, without a box or a break: the caller frames it.
void PropLogic::print_formula(const Formula& f) const {
  support::Printer& p = support::pp();
  auto out = [&p](std::string_view t) { p.print_string(t); };
  print_to(f, out);
}

// The connective of f with placeholder operands: the engine files the
// literals it decomposes under (head, sign). Atoms and constants are their
// own head.
Formula PropLogic::head_symbol(const Formula& f) const {
  // Built once: the engine asks for a head at every literal it files.
  static const Formula h = atom("head_symb");
  static const Formula heads[] = {iff(h, h), imp(h, h), or_(h, h), and_(h, h), neg(h)};
  switch (f.kind()) {
    case Kind::Iff:
      return heads[0];
    case Kind::Imp:
      return heads[1];
    case Kind::Or:
      return heads[2];
    case Kind::And:
      return heads[3];
    case Kind::Not:
      return heads[4];
    default:
      return f;
  }
}

}  // namespace prop
