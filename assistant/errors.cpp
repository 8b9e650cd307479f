#include "assistant/errors.h"

#include <charconv>

namespace assistant {

int int_of_string(std::string_view digits) {
  int v = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (ec != std::errc() || end != digits.data() + digits.size())
    throw fol::Failure("int_of_string");
  return v;
}

}  // namespace assistant
