// The pending chains of the proof reconstruction over split literals: a
// multiset of code sequences, asked whether one of them is a subsequence of
// a given sequence whose codes are distinct.
//
//   PendingIndex p;
//   std::uint64_t work = 0;
//   if (!p.has_subsequence_of(m, work)) leaf = p.insert(m);
//   ...
//   p.erase_at(leaf);
//
// A trie with a node per live prefix: `count` entries end at a node, `sub`
// end in its subtree. A node whose subtree holds none is freed at once, so a
// query only walks prefixes of live entries. A node's children sit in one
// contiguous block, scanned by the query when they are few against what is
// left of m; otherwise the query looks m's codes up, in an array by code for
// the root (met by every query) and in a hash of edges below it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

class PendingIndex {
 public:
  using Code = std::uint32_t;
  static constexpr std::uint32_t kNil = 0xffffffffu;

  PendingIndex() { clear(); }

  void clear();
  // Gives the memory back as well.
  void release();
  std::size_t size() const { return nodes_[0].sub; }
  std::size_t nodes() const { return nodes_.size() - free_nodes_.size(); }
  // About the bytes its tables hold.
  std::size_t bytes() const;

  // Whether some entry is a subsequence of m. The codes of m are distinct.
  // Adds to `work` the trie nodes and children looked at.
  bool has_subsequence_of(const std::vector<Code>& m, std::uint64_t& work);
  // Files m; returns the node where the entry ends (its handle for erase_at).
  std::uint32_t insert(const std::vector<Code>& m);
  // Takes out one entry ending at `leaf`, freeing the nodes left empty.
  void erase_at(std::uint32_t leaf);
  // Takes out one entry equal to m, if there is one.
  void erase(const std::vector<Code>& m);

 private:
  struct Node {
    Code code = 0;
    std::uint32_t parent = kNil;
    std::uint32_t count = 0;
    std::uint32_t sub = 0;
    std::uint32_t block = kNil;  // offset of the children block in kids_
    std::uint32_t klass = 0;     // the block holds 2^klass children
    std::uint32_t nchild = 0;
    std::uint32_t slot : 31 = 0;   // own place in the parent's block
    std::uint32_t hashed : 1 = 0;  // its children are in edges_ too
  };
  struct Kid {
    Code code;
    std::uint32_t node;
  };

  // (node, code) -> child for the nodes below the root: open addressing
  // with linear probing, erase by backward shift; looked up, never iterated.
  class EdgeMap {
   public:
    void clear();
    void release();
    std::uint32_t find(std::uint32_t node, Code code) const;
    void insert(std::uint32_t node, Code code, std::uint32_t child);
    void erase(std::uint32_t node, Code code);
    std::size_t bytes() const { return 12 * keys_.size(); }

   private:
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    static std::uint64_t key(std::uint32_t node, Code code) {
      return (static_cast<std::uint64_t>(node) << 32) | code;
    }
    std::size_t mask() const { return keys_.size() - 1; }
    std::size_t home(std::uint64_t k) const {
      return static_cast<std::size_t>((k * 0x9e3779b97f4a7c15ull) >> 32) & mask();
    }
    void put(std::uint64_t k, std::uint32_t v);
    std::vector<std::uint64_t> keys_;
    std::vector<std::uint32_t> vals_;
    std::size_t size_ = 0;
  };

  // A lookup costs about as much as scanning this many children of a block.
  static constexpr std::size_t kScanPerLookup = 4;
  // A node with more children than this finds them through the edge hash.
  static constexpr std::uint32_t kHashFrom = 8;

  std::uint32_t find_child(std::uint32_t node, Code code) const;
  std::uint32_t add_child(std::uint32_t node, Code code);
  void free_node(std::uint32_t n);
  std::uint32_t alloc_block(std::uint32_t klass);

  std::vector<Node> nodes_;  // node 0 is the root, never freed
  std::vector<std::uint32_t> free_nodes_;
  std::vector<Kid> kids_;                                // children blocks
  std::vector<std::vector<std::uint32_t>> free_blocks_;  // by class
  std::vector<std::uint32_t> root_child_;                // code -> child of the root, or kNil
  EdgeMap edges_;                                        // the children of hashed nodes
  Code max_code_ = 0;                                    // of every node made since clear()

  // Marks of the query's codes: valid where seen_ == stamp_.
  std::vector<std::uint32_t> seen_, where_;
  std::uint32_t stamp_ = 0;
  struct Visit {
    std::uint32_t node, from;  // a node reached having matched m up to `from`
  };
  std::vector<Visit> stack_;
};

}  // namespace engine
