// The settings that a command line may change, shared by every program's
// command loop: one cell each, the answer "<name> change" once stored.
// `Cells` is any record with one optional cell per setting under the
// setting's own name (the engine's ProveSettings, the assistant's state).
//
//   cmdlang::set(cells, cmdlang::IntSetting::verbose, 2);   // prints "verbose change"
#pragma once

#include "engine/settings.h"
#include "support/printer.h"

namespace support::cmdlang {

enum class IntSetting { verbose, maxcndts, pdsmax_global, timemax };
enum class BoolSetting { splitting, check_subcase, trace_proof };

// A prove line may name a resolution method, nhr or phr.
using ResolutionMethod = engine::ResolutionMethod;

inline const char* name_of(IntSetting s) {
  switch (s) {
    case IntSetting::verbose:
      return "verbose";
    case IntSetting::maxcndts:
      return "maxcndts";
    case IntSetting::pdsmax_global:
      return "pdsmax_global";
    case IntSetting::timemax:
      return "timemax";
  }
  return "";
}

inline const char* name_of(BoolSetting s) {
  switch (s) {
    case BoolSetting::splitting:
      return "splitting";
    case BoolSetting::check_subcase:
      return "check_subcase";
    case BoolSetting::trace_proof:
      return "trace_proof";
  }
  return "";
}

// The confirmation of a stored setting, ended by the printer's newline.
inline void confirm(const char* name) {
  pp().print_string(name);
  pp().print_string(" change");
  pp().print_newline();
}

template <class Cells>
void set(Cells& cells, IntSetting s, int value) {
  switch (s) {
    case IntSetting::verbose:
      cells.verbose = value;
      break;
    case IntSetting::maxcndts:
      cells.maxcndts = value;
      break;
    case IntSetting::pdsmax_global:
      cells.pdsmax_global = value;
      break;
    case IntSetting::timemax:
      cells.timemax = value;
      break;
  }
  confirm(name_of(s));
}

template <class Cells>
void set(Cells& cells, BoolSetting s, bool value) {
  switch (s) {
    case BoolSetting::splitting:
      cells.splitting = value;
      break;
    case BoolSetting::check_subcase:
      cells.check_subcase = value;
      break;
    case BoolSetting::trace_proof:
      cells.trace_proof = value;
      break;
  }
  confirm(name_of(s));
}

}  // namespace support::cmdlang
