// Running a dialogue as a program.
#include "number_list/program.hpp"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace number_list {
namespace {

void report_stream_error(const StreamError& error, std::string_view program, ByteSink& errors) {
  std::string line(program);
  line += ": ";
  line += error.what();
  line += ": ";
  line += std::strerror(error.error_number());  // NOLINT(concurrency-mt-unsafe): one thread
  line += '\n';
  errors.write_all(line);  // nowhere left to report a failure of this write
}

}  // namespace

int run_dialogue(Dialogue dialogue, std::string_view program, ByteSource& in, ByteSink& out,
                 ByteSink& errors) noexcept {
  try {
    Console console(in, out);
    const int status = dialogue(console);
    console.out.flush();
    return status;
  } catch (const StreamError& error) {
    try {
      report_stream_error(error, program, errors);
    } catch (...) {  // NOLINT(bugprone-empty-catch): the status below still says it failed
    }
    return EXIT_FAILURE;
  }
}

int run_on_standard_streams(Dialogue dialogue, std::string_view program) noexcept {
  FdSource in(STDIN_FILENO);
  FdSink out(STDOUT_FILENO);
  FdSink errors(STDERR_FILENO);
  return run_dialogue(dialogue, program, in, out, errors);
}

}  // namespace number_list
