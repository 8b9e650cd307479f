// Line input from standard input, one line at a time, without a limit on
// the line's length. The line ends at '\n', which is not kept; NUL bytes are
// ordinary bytes; a last line without '\n' is still a line. An interrupt that
// arrives while waiting is reported instead of a line, and its flag stays
// set (see signals.h); other signals do not end the wait.
#pragma once

#include <string>

namespace support {

enum class ReadStatus { Line, Eof, Interrupted };

// Flushes the pretty-printer and stdout first, so a prompt is never
// overtaken by buffered output.
ReadStatus read_line(std::string& line);

// Writes the prompt directly to standard output (after flushing the
// pretty-printer's pending output) and flushes it.
void write_prompt(const char* prompt);

}  // namespace support
