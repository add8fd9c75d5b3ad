// Running a dialogue as a program: the command line, the exit status, and what a broken stream
// ends it with.
#pragma once

#include <span>
#include <string_view>

#include "number_list/byte_stream.hpp"
#include "number_list/console.hpp"

namespace number_list {

// A whole dialogue, from its first prompt to its last line end; returns the exit status.
using Dialogue = int (*)(Console& console);

// What a program says about itself in its --help text.
struct ProgramInfo {
  std::string_view name;     // "extendlist"
  std::string_view purpose;  // one line, what the dialogue does
  Dialogue dialogue;
};

// Runs the program's dialogue over the given streams and flushes what it wrote. A stream that
// breaks ends the run at once with "<program>: read error: <reason>" (or "write error") on `errors`
// and status 1; what was written before the failing call has reached `out`. `kernels` do the
// per-byte work: the fastest this machine runs, unless a test picks others.
int run_dialogue(const ProgramInfo& program, ByteSource& in, ByteSink& out, ByteSink& errors,
                 const simd::Kernels& kernels = simd::fastest_kernels()) noexcept;

// A program's `main`: with no arguments, the dialogue over standard input, output and error.
// "--help" and "--version" write their text to `out` and give 0; anything else is refused with
// two lines on `errors` and status 2, before anything is read.
int run_program(const ProgramInfo& program, std::span<const char* const> arguments, ByteSource& in,
                ByteSink& out, ByteSink& errors) noexcept;

// run_program over the process's own command line and standard streams.
int run_main(const ProgramInfo& program, int argc, const char* const* argv) noexcept;

}  // namespace number_list
