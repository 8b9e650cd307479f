// The messages of the three command loops. Those for standard output go
// through the shared printer, so they land in order with the proof output
// printed there, and each ends with a flush so the user sees it before the
// next prompt.
#include "support/cmdloop.h"

#include <cstdio>
#include <iostream>

#include "support/printer.h"

namespace support::cmdloop {

void answer(std::string_view text) {
  pp().print_string(text);
  pp().print_newline();
}

void report(std::string_view text) {
  pp().print_string(text);
  pp().print_string("\n");
  pp().print_flush();
}

// The hint (fol_assistant's "Tapez help") follows a command error only; a
// bad formula or a lexing failure is answered by its message alone.
void refuse(const Refusal& r, std::string_view hint) {
  pp().print_string(r.what());
  pp().print_string("\n");
  if (!hint.empty() && dynamic_cast<const CommandError*>(&r) != nullptr) pp().print_string(hint);
  pp().print_flush();
}

// The commands the three programs share come first, in the same words for
// all; only the setting command's line differs.
void print_help(const HelpText& h) {
  Printer& p = pp();
  for (const char* s : {"Commandes :\n", "Axiom <formule>\n", "init\n", h.set_line, "exit\n",
                        "prove <formule>\n", "prove [hypotheses;...] formule\n\n",
                        "apres une formule hypothese ou axiom, eventuellement\n",
                        "  % donne un indice\n", "  # donne un poids\n"})
    p.print_string(s);
  p.print_newline();
  if (h.own.size() != 0) {
    for (const char* s : h.own) p.print_string(s);
    p.print_newline();
  }
  p.print_string("Constantes modifiables :\n");
  p.print_string("Entiers : \n");
  for (const char* s : h.ints) {
    p.print_string(s);
    p.print_string(h.mark);
    p.print_newline();
  }
  p.print_string("Booleens : \n");
  for (const char* s : h.bools) {
    p.print_string(s);
    p.print_string(h.mark);
    p.print_newline();
  }
  p.print_flush();
}

int farewell() {
  pp().print_string("\n A bientot \n\n");
  pp().close_box();
  pp().print_flush();
  std::cout.flush();
  return 0;
}

// For the endings the user did not ask for: end of input in a batch prover,
// an interrupt at the prompt, a fatal error. The printer, the C++ stream
// and C stdio are flushed first, so the report on standard error comes
// after everything already printed when the two streams share a terminal
// or a file.
int stop(const char* program, std::string_view why, int status) {
  pp().print_flush();
  std::cout.flush();
  std::fflush(stdout);
  std::cerr << program << ": " << why << std::endl;
  return status;
}

}  // namespace support::cmdloop
