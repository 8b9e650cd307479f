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

int farewell() {
  pp().print_string("\n A bientot \n\n");
  pp().close_box();
  pp().print_flush();
  std::cout.flush();
  return 0;
}

int stop(const char* program, std::string_view why, int status) {
  pp().print_flush();
  std::cout.flush();
  std::fflush(stdout);
  std::cerr << program << ": " << why << std::endl;
  return status;
}

}  // namespace support::cmdloop
