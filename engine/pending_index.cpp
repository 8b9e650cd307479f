#include "engine/pending_index.h"

#include <algorithm>

namespace engine {

// ---- The edge hash ----
// Keys pack (node, code); kEmpty is no valid key. The table starts at 64
// slots and only grows: a reconstruction that once needed it will likely
// need it again on its next level.

void PendingIndex::EdgeMap::clear() {
  keys_.assign(64, kEmpty);
  vals_.assign(64, 0);
  size_ = 0;
}

void PendingIndex::EdgeMap::release() {
  keys_ = {};
  vals_ = {};
  clear();
}

// Linear probing: a run ends at the first empty slot, which erase keeps
// true by shifting entries back instead of leaving tombstones.
std::uint32_t PendingIndex::EdgeMap::find(std::uint32_t node, Code code) const {
  const std::uint64_t k = key(node, code);
  for (std::size_t i = home(k);; i = (i + 1) & mask()) {
    if (keys_[i] == k) return vals_[i];
    if (keys_[i] == kEmpty) return kNil;
  }
}

void PendingIndex::EdgeMap::put(std::uint64_t k, std::uint32_t v) {
  std::size_t i = home(k);
  while (keys_[i] != kEmpty) i = (i + 1) & mask();
  keys_[i] = k;
  vals_[i] = v;
}

void PendingIndex::EdgeMap::insert(std::uint32_t node, Code code, std::uint32_t child) {
  if (2 * (size_ + 1) > keys_.size()) {  // at most half full
    std::vector<std::uint64_t> ks = std::move(keys_);
    std::vector<std::uint32_t> vs = std::move(vals_);
    keys_.assign(ks.size() * 2, kEmpty);
    vals_.assign(ks.size() * 2, 0);
    for (std::size_t i = 0; i < ks.size(); ++i)
      if (ks[i] != kEmpty) put(ks[i], vs[i]);
  }
  put(key(node, code), child);
  ++size_;
}

void PendingIndex::EdgeMap::erase(std::uint32_t node, Code code) {
  const std::uint64_t k = key(node, code);
  std::size_t i = home(k);
  while (keys_[i] != k) {
    if (keys_[i] == kEmpty) return;
    i = (i + 1) & mask();
  }
  // Backward shift: pull up each later entry of the run whose home allows it.
  for (std::size_t j = (i + 1) & mask(); keys_[j] != kEmpty; j = (j + 1) & mask()) {
    if (((j - home(keys_[j])) & mask()) >= ((j - i) & mask())) {
      keys_[i] = keys_[j];
      vals_[i] = vals_[j];
      i = j;
    }
  }
  keys_[i] = kEmpty;
  --size_;
}

// ---- The trie ----
// Node 0 is the root and is never freed. Freed nodes and children blocks
// go to free lists (blocks by size class), so a reconstruction that files
// and drops chains level after level reuses the same memory.

void PendingIndex::clear() {
  nodes_.assign(1, Node{});
  free_nodes_.clear();
  kids_.clear();
  free_blocks_.clear();
  root_child_.clear();
  edges_.clear();
  max_code_ = 0;
}

void PendingIndex::release() {
  clear();
  nodes_.shrink_to_fit();
  free_nodes_.shrink_to_fit();
  kids_.shrink_to_fit();
  free_blocks_.shrink_to_fit();
  root_child_.shrink_to_fit();
  edges_.release();
  seen_ = {};
  where_ = {};
  stack_ = {};
}

// What the memory bound of the reconstruction counts: the tables that grow
// with the entries (the query's scratch arrays are bounded by the codes).
std::size_t PendingIndex::bytes() const {
  return sizeof(Node) * nodes_.size() + sizeof(Kid) * kids_.size() + edges_.bytes() +
         sizeof(std::uint32_t) * (free_nodes_.size() + root_child_.size());
}

// The root's children by code in an array (every query starts there), a
// wide node's through the edge hash, a narrow node's by scanning its block.
std::uint32_t PendingIndex::find_child(std::uint32_t node, Code code) const {
  if (node == 0) return code < root_child_.size() ? root_child_[code] : kNil;
  const Node& t = nodes_[node];
  if (t.hashed) return edges_.find(node, code);
  for (std::uint32_t i = 0; i < t.nchild; ++i)
    if (kids_[t.block + i].code == code) return kids_[t.block + i].node;
  return kNil;
}

// A block of 2^klass children slots, from the free list of its class when
// one is there. Growing kids_ moves every block, so callers hold offsets,
// never pointers into it.
std::uint32_t PendingIndex::alloc_block(std::uint32_t klass) {
  if (klass >= free_blocks_.size()) free_blocks_.resize(klass + 1);
  auto& fl = free_blocks_[klass];
  if (!fl.empty()) {
    const std::uint32_t b = fl.back();
    fl.pop_back();
    return b;
  }
  const std::uint32_t b = static_cast<std::uint32_t>(kids_.size());
  kids_.resize(kids_.size() + (std::size_t{1} << klass));
  return b;
}

// A new child of `node` under `code`. A full block is replaced by one twice
// as large (amortised constant per child); past kHashFrom children the
// node's edges also go to the hash, so finding a child stays constant.
std::uint32_t PendingIndex::add_child(std::uint32_t node, Code code) {
  std::uint32_t n;
  if (!free_nodes_.empty()) {
    n = free_nodes_.back();
    free_nodes_.pop_back();
    nodes_[n] = Node{};
  } else {
    n = static_cast<std::uint32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  nodes_[n].code = code;
  nodes_[n].parent = node;
  max_code_ = std::max(max_code_, code);
  Node& p = nodes_[node];
  if (p.block == kNil) {
    p.klass = 1;
    p.block = alloc_block(1);
  } else if (p.nchild == (std::uint32_t{1} << p.klass)) {
    const std::uint32_t old = p.block, old_klass = p.klass;
    const std::uint32_t fresh = alloc_block(old_klass + 1);  // may move kids_, not nodes_
    Node& q = nodes_[node];
    std::copy(kids_.begin() + old, kids_.begin() + old + q.nchild, kids_.begin() + fresh);
    free_blocks_[old_klass].push_back(old);
    q.block = fresh;
    q.klass = old_klass + 1;
  }
  Node& q = nodes_[node];
  kids_[q.block + q.nchild] = Kid{code, n};
  nodes_[n].slot = q.nchild;
  ++q.nchild;
  if (node == 0) {
    if (code >= root_child_.size()) root_child_.resize(code + 1, kNil);
    root_child_[code] = n;
  } else if (q.hashed) {
    edges_.insert(node, code, n);
  } else if (q.nchild > kHashFrom) {
    // From now on its children are found through the edge hash.
    q.hashed = true;
    for (std::uint32_t i = 0; i < q.nchild; ++i)
      edges_.insert(node, kids_[q.block + i].code, kids_[q.block + i].node);
  }
  return n;
}

// n has no children left: its subtree is empty. Its parent's last child
// takes its slot, so a block stays dense and a scan never meets a hole.
void PendingIndex::free_node(std::uint32_t n) {
  Node& t = nodes_[n];
  Node& p = nodes_[t.parent];
  const Kid last = kids_[p.block + p.nchild - 1];
  kids_[p.block + t.slot] = last;
  nodes_[last.node].slot = t.slot;
  --p.nchild;
  if (t.parent == 0)
    root_child_[t.code] = kNil;
  else if (p.hashed)
    edges_.erase(t.parent, t.code);
  if (t.block != kNil) free_blocks_[t.klass].push_back(t.block);
  t.block = kNil;
  free_nodes_.push_back(n);
}

// Every node on the path counts the new entry in `sub`: that is what lets
// erase free exactly the nodes no entry ends under.
std::uint32_t PendingIndex::insert(const std::vector<Code>& m) {
  std::uint32_t at = 0;
  for (Code x : m) {
    std::uint32_t c = find_child(at, x);
    if (c == kNil) c = add_child(at, x);
    at = c;
  }
  ++nodes_[at].count;
  for (std::uint32_t n = at; n != kNil; n = nodes_[n].parent) ++nodes_[n].sub;
  return at;
}

void PendingIndex::erase_at(std::uint32_t leaf) {
  --nodes_[leaf].count;
  std::uint32_t n = leaf;
  while (n != 0) {
    const std::uint32_t up = nodes_[n].parent;
    if (--nodes_[n].sub == 0) free_node(n);
    n = up;
  }
  --nodes_[0].sub;
}

void PendingIndex::erase(const std::vector<Code>& m) {
  std::uint32_t node = 0;
  for (Code x : m) {
    node = find_child(node, x);
    if (node == kNil) return;
  }
  if (nodes_[node].count > 0) erase_at(node);
}

// The codes of m are distinct, so a node is reached at one position of m
// at most: the walk visits each live prefix that is a subsequence once.
bool PendingIndex::has_subsequence_of(const std::vector<Code>& m, std::uint64_t& work) {
  if (nodes_[0].sub == 0) return false;
  Code top = max_code_;
  for (Code x : m) top = std::max(top, x);
  if (top >= seen_.size()) {
    seen_.resize(top + 1, 0);
    where_.resize(top + 1, 0);
  }
  if (++stamp_ == 0) {  // wrapped: old marks could match again
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  for (std::size_t j = 0; j < m.size(); ++j) {
    seen_[m[j]] = stamp_;
    where_[m[j]] = static_cast<std::uint32_t>(j);
  }
  // Depth first over (node, first position of m still usable). A node with
  // many children against what is left of m is better served by looking
  // m's codes up; a narrow one by scanning its children against m's marks.
  stack_.clear();
  stack_.push_back({0, 0});
  while (!stack_.empty()) {
    const Visit v = stack_.back();
    stack_.pop_back();
    const Node& t = nodes_[v.node];
    ++work;
    if (t.count > 0) return true;
    const std::size_t left = m.size() - v.from;
    if (v.node == 0 || t.nchild > kScanPerLookup * left) {
      work += kScanPerLookup * left;
      for (std::size_t j = v.from; j < m.size(); ++j) {
        const std::uint32_t c = find_child(v.node, m[j]);
        if (c != kNil) stack_.push_back({c, static_cast<std::uint32_t>(j + 1)});
      }
      continue;
    }
    work += t.nchild;
    for (std::uint32_t i = 0; i < t.nchild; ++i) {
      const Kid k = kids_[t.block + i];
      if (seen_[k.code] == stamp_ && where_[k.code] >= v.from)
        stack_.push_back({k.node, where_[k.code] + 1});
    }
  }
  return false;
}

}  // namespace engine
