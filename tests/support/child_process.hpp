// Runs a built program as a child process with the standard streams a test arranges, and collects
// what it wrote and how it ended.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

enum class InputKind { text, closed, directory };
enum class OutputKind { captured, dev_full, closed, broken_pipe };

struct ChildSetup {
  std::vector<std::string> arguments;  // after the program's name
  std::string input;                   // standard input, when `input_kind` is text
  InputKind input_kind = InputKind::text;
  OutputKind output_kind = OutputKind::captured;
  bool ignore_sigpipe = false;
  std::optional<rlim_t> address_space;  // RLIMIT_AS in bytes
  std::chrono::seconds timeout{60};
};

struct ChildResult {
  std::string out;
  std::string err;
  int status = -1;  // the exit status, or -1 when a signal ended it
  int signal = 0;
  long peak_kib = 0;       // the child's peak resident memory
  double cpu_seconds = 0;  // the child's user and system time
};

// The program's path with any wrapper the environment names (NUMBERLIST_TEST_WRAPPER, split on
// blanks: a memory checker, say) and the emulator of emulator_command() in front.
std::vector<std::string> command_for(const std::string& program);
bool wrapped();
// The emulator every program runs under, split on blanks: a cross build's qemu-user, or the one
// NUMBERLIST_TEST_EMULATOR names for a host build; empty when programs run as they are.
std::string emulator_command();
// True when every program runs under an emulator.
bool emulated();

ChildResult run_child(const std::string& program, const ChildSetup& setup);

// `command` (a path and its arguments, as they are) on standard streams the caller prepared
// (-1 closes one); returns its process id.
int start_process(const std::vector<std::string>& command, int in, int out, int err);
// The same for a built program, with the wrapper and emulator of command_for() in front.
int start_child(const std::string& program, int in, int out, int err);
// Reads both descriptors (either may be -1) until they close and closes them.
void collect_output(int out_fd, int err_fd, ChildResult& result, std::chrono::seconds timeout);
// Waits for the child and records how it ended and its peak memory.
void wait_for(int pid, ChildResult& result);

// A child whose standard input and output are pipes held by the test, for a dialogue in turns.
class Conversation {
 public:
  explicit Conversation(const std::string& program);
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;
  Conversation(Conversation&&) = delete;
  Conversation& operator=(Conversation&&) = delete;
  ~Conversation();

  // Reads output until it ends with `text`; false if that does not happen within `timeout`.
  bool await(std::string_view text, std::chrono::milliseconds timeout);
  void answer(std::string_view text) const;
  void close_input();
  // Reads the rest of the output and waits for the exit status.
  int finish(std::string& rest);
  const std::string& seen() const { return seen_; }

 private:
  int pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  std::string seen_;
};

// Escapes such as \n, \r, \t, \v, \f, \\ and \xHH in case files, turned into their bytes.
std::string unescape(std::string_view text);

}  // namespace test_support
