// The quantifiers a walk over a formula has crossed, innermost last, and for
// a name the innermost one that binds it. Past a few binders the names are
// indexed, so a lookup stays cheap however long a chain of quantifiers is.
//
//   Scope sc;
//   sc.push(f->name());  ...  if (sc.find(x) >= 0) { /* x is bound here */ }  sc.pop();
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fol {

class Scope {
 public:
  // Binds x (which must outlive its binding); its depth is the number of
  // binders crossed before it.
  void push(const std::string& x) {
    names_.push_back(&x);
    if (!indexed_ && names_.size() > kScan) {
      indexed_ = true;
      prev_.clear();
      for (std::size_t d = 0; d < names_.size(); ++d) link(d);
    } else if (indexed_) {
      link(names_.size() - 1);
    }
  }
  void pop() {
    if (indexed_) {
      const int d = static_cast<int>(names_.size()) - 1;
      if (prev_[d] >= 0)
        last_[*names_[d]] = prev_[d];
      else
        last_.erase(*names_[d]);
      prev_.pop_back();
    }
    names_.pop_back();
  }
  // The depth of the innermost binder of x, or -1 when x is free here.
  int find(std::string_view x) const {
    if (indexed_) {
      auto it = last_.find(x);
      return it == last_.end() ? -1 : it->second;
    }
    for (std::size_t d = names_.size(); d-- > 0;)
      if (*names_[d] == x) return static_cast<int>(d);
    return -1;
  }
  bool binds(std::string_view x) const { return find(x) >= 0; }
  std::size_t depth() const { return names_.size(); }

 private:
  static constexpr std::size_t kScan = 8;
  void link(std::size_t d) {
    auto [it, fresh] = last_.try_emplace(*names_[d], static_cast<int>(d));
    prev_.push_back(fresh ? -1 : it->second);
    it->second = static_cast<int>(d);
  }
  std::vector<const std::string*> names_;
  bool indexed_ = false;
  std::vector<int> prev_;  // indexed: the binder it hides, or -1
  std::unordered_map<std::string_view, int>
      last_;  // indexed: name -> innermost depth; looked up only
};

}  // namespace fol
