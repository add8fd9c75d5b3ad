// Child processes for end-to-end tests.
#include "support/child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace test_support {
namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

int input_descriptor(const ChildSetup& setup) {
  switch (setup.input_kind) {
    case InputKind::closed:
      return -1;
    case InputKind::directory:
      return ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // NOLINT: POSIX vararg open
    case InputKind::text:
      break;
  }
  const int fd = ::memfd_create("stdin", MFD_CLOEXEC);
  check(fd >= 0, "memfd_create");
  check(::write(fd, setup.input.data(), setup.input.size()) ==
            static_cast<ssize_t>(setup.input.size()),
        "write stdin");
  check(::lseek(fd, 0, SEEK_SET) == 0, "rewind stdin");
  return fd;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void become(const std::vector<char*>& argv, int in, int out, int err,
                         const ChildSetup& setup) {
  if (in >= 0)
    ::dup2(in, STDIN_FILENO);
  else
    ::close(STDIN_FILENO);
  if (out >= 0)
    ::dup2(out, STDOUT_FILENO);
  else
    ::close(STDOUT_FILENO);
  ::dup2(err, STDERR_FILENO);
  if (setup.ignore_sigpipe) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;  // NOLINT(cppcoreguidelines-pro-type-union-access): POSIX's shape
    ::sigaction(SIGPIPE, &ignore, nullptr);
  }
  if (setup.address_space) {
    const rlimit limit{*setup.address_space, *setup.address_space};
    ::setrlimit(RLIMIT_AS, &limit);
  }
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

std::vector<char*> argv_of(std::vector<std::string>& command) {
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  return argv;
}

void read_until_closed(int out_fd, int err_fd, ChildResult& result,
                       std::chrono::steady_clock::time_point deadline) {
  std::array<pollfd, 2> fds = {{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
  const std::array<std::string*, 2> sinks = {&result.out, &result.err};
  int open_count = (out_fd >= 0 ? 1 : 0) + (err_fd >= 0 ? 1 : 0);
  std::vector<char> buffer(65536);
  while (open_count > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    check(left.count() > 0, "child timed out");
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
    check(ready >= 0, "poll");
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = ::read(fds[i].fd, buffer.data(), buffer.size());
      if (got > 0) {
        sinks[i]->append(buffer.data(), static_cast<std::size_t>(got));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

}  // namespace

void wait_for(int pid, ChildResult& result) {
  int status = 0;
  rusage usage{};
  check(::wait4(pid, &status, 0, &usage) == pid, "wait4");
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.peak_kib = usage.ru_maxrss;  // NOLINT(cppcoreguidelines-pro-type-union-access): POSIX
}

void collect_output(int out_fd, int err_fd, ChildResult& result, std::chrono::seconds timeout) {
  read_until_closed(out_fd, err_fd, result, std::chrono::steady_clock::now() + timeout);
}

int start_process(const std::vector<std::string>& command, int in, int out, int err) {
  std::vector<std::string> words = command;
  const std::vector<char*> argv = argv_of(words);
  const pid_t pid = ::fork();
  check(pid >= 0, "fork");
  if (pid == 0) become(argv, in, out, err, ChildSetup{});
  return pid;
}

int start_child(const std::string& program, int in, int out, int err) {
  return start_process(command_for(program), in, out, err);
}

std::vector<std::string> command_for(const std::string& program) {
  std::vector<std::string> command;
  // NOLINTNEXTLINE(concurrency-mt-unsafe): read before any child or thread starts
  if (const char* wrapper = std::getenv("NUMBERLIST_TEST_WRAPPER")) {
    std::istringstream words(wrapper);
    for (std::string word; words >> word;) command.push_back(word);
  }
  std::istringstream emulator(emulator_command());
  for (std::string word; emulator >> word;) command.push_back(word);
  command.push_back(program);
  return command;
}

std::string emulator_command() {
  // A cross build's emulator is fixed when it is built; a host build's may be named at test time.
  if (!std::string_view(NUMBERLIST_EMULATOR).empty()) return NUMBERLIST_EMULATOR;
  // NOLINTNEXTLINE(concurrency-mt-unsafe): read before any child or thread starts
  const char* named = std::getenv("NUMBERLIST_TEST_EMULATOR");
  return named != nullptr ? named : "";
}

bool emulated() { return !emulator_command().empty(); }

bool wrapped() {
  return std::getenv("NUMBERLIST_TEST_WRAPPER") != nullptr;  // NOLINT(concurrency-mt-unsafe)
}

ChildResult run_child(const std::string& program, const ChildSetup& setup) {
  std::vector<std::string> command = command_for(program);
  command.insert(command.end(), setup.arguments.begin(), setup.arguments.end());
  const std::vector<char*> argv = argv_of(command);
  const int in = input_descriptor(setup);
  std::array<int, 2> out_pipe = {-1, -1};
  std::array<int, 2> err_pipe = {-1, -1};
  check(::pipe2(err_pipe.data(), O_CLOEXEC) == 0, "pipe");
  int out = -1;
  switch (setup.output_kind) {
    case OutputKind::captured:
    case OutputKind::broken_pipe:
      check(::pipe2(out_pipe.data(), O_CLOEXEC) == 0, "pipe");
      out = out_pipe[1];
      if (setup.output_kind == OutputKind::broken_pipe) {
        ::close(out_pipe[0]);
        out_pipe[0] = -1;
      }
      break;
    case OutputKind::dev_full:
      out = ::open("/dev/full", O_WRONLY | O_CLOEXEC);  // NOLINT: POSIX vararg open
      break;
    case OutputKind::closed:
      break;
  }
  const pid_t pid = ::fork();
  check(pid >= 0, "fork");
  if (pid == 0) become(argv, in, out, err_pipe[1], setup);
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  ::close(err_pipe[1]);
  ChildResult result;
  read_until_closed(out_pipe[0], err_pipe[0], result,
                    std::chrono::steady_clock::now() + setup.timeout);
  wait_for(pid, result);
  return result;
}

Conversation::Conversation(const std::string& program) {
  std::vector<std::string> command = command_for(program);
  const std::vector<char*> argv = argv_of(command);
  std::array<int, 2> in_pipe{};
  std::array<int, 2> out_pipe{};
  check(::pipe2(in_pipe.data(), O_CLOEXEC) == 0 && ::pipe2(out_pipe.data(), O_CLOEXEC) == 0,
        "pipe");
  pid_ = ::fork();  // NOLINT(cppcoreguidelines-prefer-member-initializer): after the pipes
  check(pid_ >= 0, "fork");
  if (pid_ == 0) become(argv, in_pipe[0], out_pipe[1], STDERR_FILENO, ChildSetup{});
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  to_child_ = in_pipe[1];
  from_child_ = out_pipe[0];
}

Conversation::~Conversation() {
  close_input();
  if (from_child_ >= 0) ::close(from_child_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool Conversation::await(std::string_view text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::array<char, 4096> buffer{};
  while (!std::string_view(seen_).ends_with(text)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{from_child_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t got = ::read(from_child_, buffer.data(), buffer.size());
    if (got <= 0) return false;
    seen_.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return true;
}

void Conversation::answer(std::string_view text) const {
  check(::write(to_child_, text.data(), text.size()) == static_cast<ssize_t>(text.size()),
        "write answer");
}

void Conversation::close_input() {
  if (to_child_ >= 0) ::close(to_child_);
  to_child_ = -1;
}

int Conversation::finish(std::string& rest) {
  close_input();
  ChildResult result;
  read_until_closed(from_child_, -1, result,
                    std::chrono::steady_clock::now() + std::chrono::seconds(60));
  from_child_ = -1;
  wait_for(pid_, result);
  pid_ = -1;
  rest = result.out;
  return result.status;
}

std::string unescape(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
      continue;
    }
    switch (const char c = text[++i]) {
      case 'n':
        bytes += '\n';
        break;
      case 'r':
        bytes += '\r';
        break;
      case 't':
        bytes += '\t';
        break;
      case 'v':
        bytes += '\v';
        break;
      case 'f':
        bytes += '\f';
        break;
      case 'x':
        bytes += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
        break;
      default:
        bytes += c;
        break;
    }
  }
  return bytes;
}

}  // namespace test_support
