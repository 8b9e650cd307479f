// Fuzz entry: the first-order formula reader, then the printer. A formula
// that reads must print, and its one-line text must read back to an equal
// formula (the printer writes only what the reader accepts).
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "fol/fol.h"
#include "fol/parserfol.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::discard_output();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  fol::ParseResult r = fol::parse_formula(text);
  const fol::Formula* f = std::get_if<fol::Formula>(&r);
  if (!f) {
    (void)std::get<fol::ParseError>(r).message();
    return 0;
  }
  const fol::Session ses;
  fol::print_formula(ses, *f);
  support::pp().print_newline();
  std::string printed = fol::to_string(ses, *f);
  fol::ParseResult back = fol::parse_formula(printed);
  const fol::Formula* g = std::get_if<fol::Formula>(&back);
  if (!g || !fol::equal_formula(*f, *g)) {
    std::fprintf(stderr, "printed text does not read back: %s\n", printed.c_str());
    std::abort();
  }
  return 0;
}
