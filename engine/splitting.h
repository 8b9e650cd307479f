// Split literals and the split tree: names for the cases of a clause split,
// and a binary tree over names recording which combinations of cases are
// refuted. When the whole tree is refuted, every case is closed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace engine {

struct TestAccess;

using SplitLit = std::pair<int, bool>;  // (name, sign)

struct SplitTree;
class SplitNodeTable;
using SplitTreePtr = std::shared_ptr<const SplitTree>;
// Nodes are made once per (name, left, right) by the table of the Splitting
// that makes them: equal subtrees are one shared node, so a tree that repeats
// a few subtrees across many branches costs memory for the distinct ones only.
struct SplitTree : std::enable_shared_from_this<SplitTree> {
  SplitTree(bool is_leaf, bool open, int name, SplitTreePtr left, SplitTreePtr right,
            std::uint64_t id, SplitNodeTable* table)
      : is_leaf(is_leaf),
        open(open),
        name(name),
        left(std::move(left)),
        right(std::move(right)),
        id(id),
        table(table) {}
  SplitTree(const SplitTree&) = delete;
  SplitTree& operator=(const SplitTree&) = delete;
  ~SplitTree();  // takes the node out of its table
  bool is_leaf;
  bool open;  // leaf: true = open, false = refuted
  int name;   // node
  SplitTreePtr left, right;
  std::uint64_t id = 0;             // from its table's counter, never an address; 0: a leaf
  SplitNodeTable* table = nullptr;  // null for a leaf; a table lives until its last node goes
};

class Splitting {
 public:
  Splitting();
  ~Splitting();
  Splitting(const Splitting&) = delete;
  Splitting& operator=(const Splitting&) = delete;
  static void print_litname(int n);  // "sp" followed by n
  static SplitLit mklit(int name, bool sign) { return {name, sign}; }
  int new_litname() { return ++counter_; }
  int current_litname() const { return counter_; }
  void reinit_litnames() { counter_ = 0; }
  void init_lit_state();
  // Records a clause of split literals: every combination of cases in which
  // all its literals hold becomes refuted. True when the whole tree is then
  // refuted (every case is closed); the tree is left as it was in that case.
  bool split_add(const std::vector<SplitLit>& l);
  // split_add that checks support::poll() during its walk of a large tree
  // and gives up, the tree unchanged, on a stop request.
  enum class Added { Recorded, Refuted, Stopped };
  Added split_add_polled(const std::vector<SplitLit>& l);
  SplitTreePtr leaf(bool open) const;
  const SplitTreePtr& current() const { return tree_; }

 private:
  friend struct TestAccess;  // the list forms of the tree functions (splitting_reference.h)
  struct Walk;               // what split_add needs for one clause; kept for its storage
  struct Narrow;             // the literals left as a bit mask: clauses of at most 64
  struct Wide;               // as counts per name: longer clauses
  Added record(const std::vector<SplitLit>& l, bool polled);
  // The shared node (name, left, right) of this object's table.
  SplitTreePtr make_node(int name, SplitTreePtr left, SplitTreePtr right);
  template <class Left>
  SplitTreePtr add_simplified(Left& left, std::uint64_t state, const SplitTreePtr& t);
  // Frees what only the dropped trees hold and settles the node table (all
  // of it, or until a stop request when polled); true when nothing is left.
  bool release(bool polled);

  // Lets the table go once its last node is gone too: a tree kept after
  // this object still frees safely.
  struct TableRelease {
    void operator()(SplitNodeTable* t) const noexcept;
  };

  int counter_ = 0;
  SplitTreePtr open_leaf_, closed_leaf_;
  std::unique_ptr<SplitNodeTable, TableRelease> table_;  // outlives the members below
  std::unique_ptr<Walk> walk_;
  SplitTreePtr tree_;
  std::vector<SplitTreePtr> graveyard_;  // dropped trees not yet freed
};

}  // namespace engine
