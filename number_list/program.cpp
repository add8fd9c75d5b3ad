// Running a dialogue as a program.
#include "number_list/program.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>

namespace number_list {
namespace {

// Status for a command line the program does not take, as GNU tools give it.
constexpr int usage_status = 2;

// "<program>: read error: <reason>", as other tools name a broken stream.
void report_stream_error(const std::system_error& error, std::string_view program,
                         ByteSink& errors) {
  // Nowhere left to report a failure of this write.
  errors.write_all(std::string(program) + ": " + error.what() + '\n');
}

std::string help_text(const ProgramInfo& program) {
  const std::string name(program.name);
  return "Usage: " + name + " [--help | --version]\n" + std::string(program.purpose) +
         "\n\nIt takes no other arguments. The answers are read from standard input, typed at a\n"
         "terminal or piped in, and the dialogue is written to standard output.\n\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n\n"
         "Exit status: 0 when the dialogue ran to its end; 1 when memory for the list could\n"
         "not be had or a stream failed; 2 for a command line it does not take.\n"
         "Full documentation: man " +
         name + "\n";
}

std::string version_text(const ProgramInfo& program) {
  return std::string(program.name) +
         " (numberlist) " NUMBERLIST_VERSION
         "\nLicense: MIT (Expat); there is NO WARRANTY, to the extent permitted by law.\n";
}

std::string refusal_text(const ProgramInfo& program, std::string_view argument) {
  const std::string name(program.name);
  return name + ": unexpected argument '" + std::string(argument) + "'\nTry '" + name +
         " --help' for more information.\n";
}

// Writes the whole of `text`; a failure is reported as the dialogue reports one.
int write_text(const ProgramInfo& program, std::string_view text, ByteSink& out, ByteSink& errors) {
  if (const int error = out.write_all(text); error != 0) {
    report_stream_error(std::system_error(error, std::generic_category(), write_error),
                        program.name, errors);
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}

}  // namespace

int run_dialogue(const ProgramInfo& program, ByteSource& in, ByteSink& out, ByteSink& errors,
                 const simd::Kernels& kernels) noexcept {
  try {
    Console console(in, out, kernels);
    const int status = program.dialogue(console);
    console.out.flush();
    return status;
  } catch (const std::system_error& error) {
    try {
      report_stream_error(error, program.name, errors);
    } catch (...) {  // NOLINT(bugprone-empty-catch): the status below still says it failed
    }
    return EXIT_FAILURE;
  }
}

int run_program(const ProgramInfo& program, std::span<const char* const> arguments, ByteSource& in,
                ByteSink& out, ByteSink& errors) noexcept {
  if (arguments.empty()) return run_dialogue(program, in, out, errors);
  try {
    const std::string_view first = arguments[0];
    if (arguments.size() == 1 && first == "--help") {
      return write_text(program, help_text(program), out, errors);
    }
    if (arguments.size() == 1 && first == "--version") {
      return write_text(program, version_text(program), out, errors);
    }
    // The first argument not understood, or the one after a lone option.
    const bool option = first == "--help" || first == "--version";
    errors.write_all(refusal_text(program, option ? arguments[1] : first));
  } catch (...) {  // NOLINT(bugprone-empty-catch): only a failed allocation; the status says so
  }
  return usage_status;
}

int run_main(const ProgramInfo& program, int argc, const char* const* argv) noexcept {
  FdSource in(STDIN_FILENO);
  FdSink out(STDOUT_FILENO);
  FdSink errors(STDERR_FILENO);
  const std::span<const char* const> command_line(argv, static_cast<std::size_t>(argc));
  return run_program(program, command_line.subspan(std::min<std::size_t>(1, command_line.size())),
                     in, out, errors);
}

}  // namespace number_list
