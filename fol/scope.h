// The quantifiers a walk over a formula has crossed, innermost last, and for
// a name the innermost one that binds it. Past a few binders the names are
// indexed, so a lookup stays cheap however long a chain of quantifiers is.
//
//   Scope sc;
//   sc.push(f->name());  ...  if (sc.find(x) >= 0) { /* x is bound here */ }  sc.pop();
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fol/buffers.h"

namespace fol {

class Scope {
 public:
  // Binds x (which must outlive its binding); its depth is the number of
  // binders crossed before it.
  void push(const std::string& x) {
    names_.push_back(&x);
    if (!index_ && names_.size() > kScan) {
      index_ = std::make_unique<Index>();
      for (std::size_t d = 0; d < names_.size(); ++d) link(d);
    } else if (index_) {
      link(names_.size() - 1);
    }
  }
  void pop() {
    if (index_) {
      const int d = static_cast<int>(names_.size()) - 1;
      if (index_->prev[d] >= 0)
        index_->last[*names_[d]] = index_->prev[d];
      else
        index_->last.erase(*names_[d]);
      index_->prev.pop_back();
    }
    names_.pop_back();
  }
  // The depth of the innermost binder of x, or -1 when x is free here.
  int find(std::string_view x) const {
    if (index_) {
      auto it = index_->last.find(x);
      return it == index_->last.end() ? -1 : it->second;
    }
    for (std::size_t d = names_.size(); d-- > 0;)
      if (*names_[d] == x) return static_cast<int>(d);
    return -1;
  }
  bool binds(std::string_view x) const { return find(x) >= 0; }
  std::size_t depth() const { return names_.size(); }

 private:
  static constexpr std::size_t kScan = 8;
  // Made once the walk is past kScan binders, and kept until the scope goes.
  struct Index {
    std::vector<int> prev;                           // by depth: the binder it hides, or -1
    std::unordered_map<std::string_view, int> last;  // name -> innermost depth; looked up only
  };
  void link(std::size_t d) {
    auto [it, fresh] = index_->last.try_emplace(*names_[d], static_cast<int>(d));
    index_->prev.push_back(fresh ? -1 : it->second);
    it->second = static_cast<int>(d);
  }
  SmallVec<const std::string*, kScan> names_;  // by depth
  std::unique_ptr<Index> index_;
};

}  // namespace fol
