// Running a dialogue as a program: the exit status, and what a broken stream ends it with.
#pragma once

#include <string_view>

#include "number_list/byte_stream.hpp"
#include "number_list/console.hpp"

namespace number_list {

// A whole dialogue, from its first prompt to its last line end; returns the exit status.
using Dialogue = int (*)(Console& console);

// Runs `dialogue` over the given streams and flushes what it wrote. A stream that breaks ends the
// run at once with "<program>: read error: <reason>" (or "write error") on `errors` and status 1;
// what was written before the failing call has reached `out`.
int run_dialogue(Dialogue dialogue, std::string_view program, ByteSource& in, ByteSink& out,
                 ByteSink& errors) noexcept;

// The same over standard input, output and error.
int run_on_standard_streams(Dialogue dialogue, std::string_view program) noexcept;

}  // namespace number_list
