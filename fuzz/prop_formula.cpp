// Fuzz entry: the propositional formula reader, then the printer. When every
// atom is a word, the printed text must read back to the same formula.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "fuzz/common.h"
#include "propprover/asynt.h"
#include "propprover/prop.h"

namespace {

// Atoms made of symbols may run into a printed "~" or each other, so only
// word atoms promise a faithful round trip.
bool word_atoms_only(const prop::Formula& root) {
  std::vector<prop::Formula> todo{root};
  while (!todo.empty()) {
    prop::Formula f = todo.back();
    todo.pop_back();
    switch (f.kind()) {
      case prop::Kind::Atom: {
        unsigned char c = static_cast<unsigned char>(f.name().front());
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
        if (!letter) return false;
        break;
      }
      case prop::Kind::Not:
        todo.push_back(f.sub());
        break;
      case prop::Kind::True:
      case prop::Kind::False:
        break;
      default:
        todo.push_back(f.left());
        todo.push_back(f.right());
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::discard_output();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<prop::Formula> f = prop::analyse_proposition(text);
  if (!f) return 0;
  prop::PropLogic logic;
  logic.print_formula(*f);
  support::pp().print_newline();
  if (!word_atoms_only(*f)) return 0;
  std::string printed = prop::to_string(*f);
  std::optional<prop::Formula> back = prop::analyse_proposition(printed);
  if (!back || !(*back == *f)) {
    std::fprintf(stderr, "printed text does not read back: %s\n", printed.c_str());
    std::abort();
  }
  return 0;
}
