// Whole-process benchmark: extendlist and reverselist (as built, with run-time picked kernels, and
// built for the x86-64 baseline alone) against the plain scanf/printf comparison on generated
// inputs, in alternating runs, with output to /dev/null and to a pipe. Prints the host (processor,
// and what touching fresh memory costs there), median times, the median of the ratios within each
// round, peak resident memory, what the pipe alone costs on this host, and whether each target
// is met. Ends with status 0 when every target judged here is met, 1 naming those missed.
//
//   run_benchmark [--runs N] [--scale F] [--workdir DIR]
//
// --scale shrinks every input (0.01 for a smoke run); targets are judged only at full scale.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "number_list/simd/kernels.hpp"
#include "support/child_process.hpp"
#include "support/sample_input.hpp"

namespace {

namespace fs = std::filesystem;

struct Settings {
  int runs = 5;
  double scale = 1.0;
  fs::path workdir = "bench-data";
};

struct Programs {
  std::string ours;      // the dispatched build, as installed
  std::string baseline;  // the same built for the x86-64 baseline alone
  std::string avx2;      // the same without the AVX-512 kernels
  std::string portable;  // the same with the portable kernels alone, as other architectures run
  std::string plain;     // scanf/printf
  std::string name;
};

// The processor the timings come from: ratios differ between hosts, so every report names its
// own, and the targets for the dispatched build depend on the vector extensions it has.
struct Host {
  std::string description;
  bool avx2 = false;
  bool avx512 = false;        // whether the AVX-512 kernels run here
  bool avx512_vbmi2 = false;  // and those with VBMI2
};

// The time ratio to scanf/printf each build must reach on a host (a negative limit: none here).
struct RatioLimits {
  double dispatched;
  double baseline;
  double avx2_alone;  // what the dispatched build must reach on a host with AVX2 alone
};

RatioLimits limits_for(const Host& host, const std::string& program) {
  const bool reverse = program == "reverselist";
  const double avx2_alone = reverse ? 0.055 : 0.065;
  double dispatched = -1;  // on a host without AVX2 the dispatched build is the baseline build
  if (host.avx512_vbmi2) {
    dispatched = reverse ? 0.040 : 0.050;
  } else if (host.avx2) {
    dispatched = avx2_alone;
  }
  return {dispatched, reverse ? 0.075 : 0.085, avx2_alone};
}

enum class Output { dev_null, pipe_to_cat, hashed };

struct Run {
  double seconds = 0;
  long peak_kib = 0;
  std::uint64_t hash = 0;
  std::uint64_t bytes = 0;
};

void check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));  // NOLINT: one thread
}

// Inputs -------------------------------------------------------------------------------------

class InputWriter {
 public:
  explicit InputWriter(const fs::path& path) : out_(path, std::ios::binary) {
    check(static_cast<bool>(out_), "cannot write " + path.string());
  }
  void number(std::int64_t value) {
    std::array<char, 24> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    out_.write(text.data(), result.ptr - text.data());
  }
  void separator() {
    const auto& kinds = test_support::sample_separators;
    out_ << kinds[pick_(random_) % kinds.size()];
  }
  // A count and that many random values after it, as a dialogue reads them.
  void counted_values(std::int64_t count) {
    number(count);
    separator();
    random_values(count);
  }

 private:
  void random_values(std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) {
      number(static_cast<std::int32_t>(static_cast<std::uint32_t>(random_())));
      separator();
    }
  }

  std::ofstream out_;
  std::mt19937_64 random_{20261208};  // NOLINT(cert-msc32-c,cert-msc51-cpp): same input every run
  std::uniform_int_distribution<unsigned> pick_;
};

fs::path extend_input(const Settings& s, std::int64_t half, const std::string& label) {
  fs::path path = s.workdir / ("extendlist-" + label + ".txt");
  InputWriter in(path);
  in.counted_values(half);
  in.counted_values(half);
  return path;
}

fs::path reverse_input(const Settings& s, std::int64_t count, const std::string& label) {
  fs::path path = s.workdir / ("reverselist-" + label + ".txt");
  InputWriter in(path);
  in.counted_values(count);
  return path;
}

fs::path count_only_input(const Settings& s, std::int64_t count, const std::string& label) {
  fs::path path = s.workdir / ("count-only-" + label + ".txt");
  InputWriter in(path);
  in.number(count);
  return path;
}

// Running ------------------------------------------------------------------------------------

std::uint64_t fnv1a(std::uint64_t hash, const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    hash = (hash ^ static_cast<unsigned char>(data[i])) * 0x100000001b3ULL;
  }
  return hash;
}

// A command on the given standard input and output; its errors go where ours go.
int spawn(const std::vector<std::string>& command, int in, int out) {
  return test_support::start_process(command, in, out, STDERR_FILENO);
}

Run run_command(const std::vector<std::string>& command, const fs::path& input, Output output) {
  const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
  check(in >= 0, "open " + input.string());
  std::array<int, 2> pipe_ends = {-1, -1};
  int out = -1;
  int cat = -1;
  if (output == Output::dev_null) {
    out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  } else {
    check(::pipe2(pipe_ends.data(), O_CLOEXEC) == 0, "pipe");
    out = pipe_ends[1];
    if (output == Output::pipe_to_cat) {
      const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      cat = spawn({"/bin/cat"}, pipe_ends[0], null);
      ::close(null);
      ::close(pipe_ends[0]);
    }
  }
  Run run;
  const auto start = std::chrono::steady_clock::now();
  const int pid = spawn(command, in, out);
  ::close(in);
  ::close(out);
  if (output == Output::hashed) {
    std::vector<char> buffer(1 << 20);
    run.hash = 0xcbf29ce484222325ULL;
    for (ssize_t got = 0; (got = ::read(pipe_ends[0], buffer.data(), buffer.size())) > 0;) {
      run.hash = fnv1a(run.hash, buffer.data(), static_cast<std::size_t>(got));
      run.bytes += static_cast<std::uint64_t>(got);
    }
    ::close(pipe_ends[0]);
  }
  test_support::ChildResult ended;
  test_support::wait_for(pid, ended);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peak_kib = ended.peak_kib;
  if (cat > 0) {
    test_support::ChildResult cat_ended;
    test_support::wait_for(cat, cat_ended);
  }
  if (ended.status != 0) throw std::runtime_error(command[0] + " did not end with status 0");
  return run;
}

Run run_once(const std::string& program, const fs::path& input, Output output) {
  return run_command({program}, input, output);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// A build's median time and median ratio to scanf/printf over the rounds; 0 when not run.
struct Timing {
  double seconds = 0;
  double ratio = 0;
};

struct Comparison {
  Timing ours;
  Timing ours_after_comparison;  // the dispatched build's runs right after scanf/printf
  Timing baseline;
  Timing avx2;
  Timing portable;
  double plain = 0;  // median seconds
  double ours_peak_mib = 0;
};

// Which of the builds with fewer kernels run beside ours.
struct Variants {
  bool baseline = false;
  bool avx2 = false;
  bool portable = false;
};

// Runs the comparison, ours and the variants asked for, round after round, so that drift in the
// machine hits all alike; ratios are to the round's comparison run. What comes before a run matters
// on this project's virtual machines: during the comparison's long run the host takes back memory
// nobody uses, and the next program's list must be supplied afresh (tens of milliseconds; the
// benchmark's "memory:" line), which a program run right after one of ours does not pay. So the
// dispatched build runs once right after the comparison, timed apart as what a run after a pause
// costs, and then every build runs after one of ours, taking turns to go first (A B C, B C A, ...).
Comparison compare_runs(const Programs& p, const fs::path& input, Output output, int runs,
                        Variants variants) {
  struct Build {
    explicit Build(const std::string& path) : program(&path) {}
    Timing medians() const {
      return seconds.empty() ? Timing{} : Timing{median(seconds), median(ratios)};
    }
    const std::string* program;
    std::vector<double> seconds;
    std::vector<double> ratios;
    long peak_kib = 0;
  };
  Build ours(p.ours);
  Build baseline(p.baseline);
  Build avx2(p.avx2);
  Build portable(p.portable);
  Build plain(p.plain);
  Build after_comparison(p.ours);
  std::vector<Build*> builds = {&ours};
  if (variants.baseline) builds.push_back(&baseline);
  if (variants.avx2) builds.push_back(&avx2);
  if (variants.portable) builds.push_back(&portable);
  const auto run = [&input, output](Build& b) {
    const Run one = run_once(*b.program, input, output);
    b.seconds.push_back(one.seconds);
    b.peak_kib = std::max(b.peak_kib, one.peak_kib);
  };
  for (int i = 0; i < runs; ++i) {
    run(plain);
    run(after_comparison);
    for (std::size_t k = 0; k < builds.size(); ++k) {
      run(*builds[(k + static_cast<std::size_t>(i)) % builds.size()]);
    }
    for (Build* b : builds) b->ratios.push_back(b->seconds.back() / plain.seconds.back());
    after_comparison.ratios.push_back(after_comparison.seconds.back() / plain.seconds.back());
  }
  return {ours.medians(),
          after_comparison.medians(),
          baseline.medians(),
          avx2.medians(),
          portable.medians(),
          median(plain.seconds),
          static_cast<double>(std::max(ours.peak_kib, after_comparison.peak_kib)) / 1024};
}

// How the time per value at the small size compares with the large one, minus 1: ours alone, the
// sizes in turn, so that only the size differs between neighbouring runs. A run with no values
// in between gives the fixed cost of a run (starting a process takes milliseconds on some hosts),
// which is taken off both: it is no growth.
double per_value_growth(const Programs& p, const fs::path& empty, const fs::path& small,
                        std::int64_t small_values, const fs::path& large, std::int64_t values,
                        int runs) {
  std::vector<double> ratios;
  for (int i = 0; i < runs; ++i) {
    const double fixed = run_once(p.ours, empty, Output::dev_null).seconds;
    const double per_small = (run_once(p.ours, small, Output::dev_null).seconds - fixed) /
                             static_cast<double>(small_values);
    const double per_large =
        (run_once(p.ours, large, Output::dev_null).seconds - fixed) / static_cast<double>(values);
    ratios.push_back(per_small / per_large);
  }
  return median(ratios) - 1;
}

// What a pipe read by cat costs on this host whatever the writer: the dispatched build's output
// copied by dd in writes of 64 KiB, as the programs write it, to /dev/null and to the pipe, in
// turns; the medians' difference, in seconds. On a virtual machine, moving pages through a pipe
// and waking its reader cost far more than on bare metal, and this shows how much of the
// programs' pipe time is that.
double pipe_cost(const Programs& p, const fs::path& input, const Settings& s) {
  const fs::path output = s.workdir / (p.name + "-output.txt");
  {
    const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(in >= 0 && out >= 0, "open " + output.string());
    const int pid = spawn({p.ours}, in, out);
    ::close(in);
    ::close(out);
    test_support::ChildResult ended;
    test_support::wait_for(pid, ended);
    if (ended.status != 0) throw std::runtime_error(p.ours + " did not end with status 0");
  }
  const std::vector<std::string> copy = {"/bin/dd", "bs=64K", "status=none"};
  std::vector<double> to_null;
  std::vector<double> to_pipe;
  for (int i = 0; i < 2 * s.runs + 1; ++i) {
    to_null.push_back(run_command(copy, output, Output::dev_null).seconds);
    to_pipe.push_back(run_command(copy, output, Output::pipe_to_cat).seconds);
  }
  fs::remove(output);
  return median(to_pipe) - median(to_null);
}

// Writes made by one run, counted by strace; -1 when strace is not there.
long count_writes(const std::string& program, const fs::path& input, const Settings& s) {
  if (::access("/usr/bin/strace", X_OK) != 0) return -1;
  const fs::path log = s.workdir / "strace.txt";
  const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const int pid =
      spawn({"/usr/bin/strace", "-c", "-e", "trace=write", "-o", log.string(), program}, in, out);
  ::close(in);
  ::close(out);
  test_support::ChildResult ended;
  test_support::wait_for(pid, ended);
  std::ifstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string word; words >> word;) fields.push_back(word);
    if (!fields.empty() && fields.back() == "write" && fields.size() >= 5) {
      return std::stol(fields[3]);
    }
  }
  return 0;
}

// Reporting ----------------------------------------------------------------------------------

class Report {
 public:
  explicit Report(bool judged) : judged_(judged) {}
  // What the targets that follow belong to, for naming a missed one.
  void begin(std::string section) { section_ = std::move(section); }
  void target(const std::string& what, double value, double limit, const char* unit) {
    const bool met = value <= limit;
    if (!met) missed_.push_back(section_ + ": " + what);
    std::printf("  %-62s %9.3f %-4s <= %9.3f  %s\n", what.c_str(), value, unit, limit,
                !judged_ ? "(not judged)"
                : met    ? "met"
                         : "MISSED");
  }
  // A figure shown beside a target that applies to other hosts, not judged here.
  static void reference(const std::string& what, double value, double limit) {
    std::printf("  %-62s %9.3f      <= %9.3f  (for reference)\n", what.c_str(), value, limit);
  }
  // The targets judged and missed here; none when the run is not judged.
  std::vector<std::string> missed() const { return judged_ ? missed_ : std::vector<std::string>{}; }

 private:
  bool judged_;
  std::string section_;
  std::vector<std::string> missed_;
};

void print_comparison(const std::string& what, const Comparison& c) {
  std::printf("  %-34s dispatched %7.3f s (%5.3f)", what.c_str(), c.ours.seconds, c.ours.ratio);
  if (c.baseline.seconds > 0) {
    std::printf("  baseline %7.3f s (%5.3f)", c.baseline.seconds, c.baseline.ratio);
  }
  if (c.avx2.seconds > 0) std::printf("  AVX2 %7.3f s (%5.3f)", c.avx2.seconds, c.avx2.ratio);
  if (c.portable.seconds > 0) {
    std::printf("  portable %7.3f s (%5.3f)", c.portable.seconds, c.portable.ratio);
  }
  std::printf("  scanf/printf %7.3f s  peak %5.1f MiB\n", c.plain, c.ours_peak_mib);
}

void require_same_output(const Programs& p, const fs::path& input) {
  const Run expected = run_once(p.plain, input, Output::hashed);
  for (const std::string& build : {p.ours, p.baseline, p.avx2, p.portable}) {
    const Run got = run_once(build, input, Output::hashed);
    if (got.hash != expected.hash || got.bytes != expected.bytes) {
      throw std::runtime_error(build + " and its comparison wrote different output for " +
                               input.string());
    }
  }
  std::printf("  %-40s same output as the comparison (%llu bytes)\n", p.name.c_str(),
              static_cast<unsigned long long>(expected.bytes));
}

std::int64_t scaled(const Settings& s, std::int64_t n) {
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(n) * s.scale));
}

void bench_program(const Programs& p, const Host& host, const fs::path& empty,
                   const fs::path& large, const fs::path& small, std::int64_t values,
                   std::int64_t small_values, const Settings& s, Report& report) {
  std::printf("\n%s, %lld values (time, and ratio to scanf/printf)\n", p.name.c_str(),
              static_cast<long long>(values));
  report.begin(p.name + ", " + std::to_string(values) + " values");
  require_same_output(p, large);
  // Where the dispatched build runs AVX-512, the AVX2 build shows what the AVX2 kernels reach.
  const Variants variants{.baseline = true, .avx2 = host.avx2 && host.avx512, .portable = true};
  const Comparison null_run = compare_runs(p, large, Output::dev_null, s.runs, variants);
  print_comparison("output to /dev/null", null_run);
  std::printf("  %-34s dispatched %7.3f s (%5.3f)\n", "  right after scanf/printf",
              null_run.ours_after_comparison.seconds, null_run.ours_after_comparison.ratio);
  const Comparison pipe_run = compare_runs(p, large, Output::pipe_to_cat, s.runs, {});
  print_comparison("output to a pipe read by cat", pipe_run);
  const Comparison small_run = compare_runs(p, small, Output::dev_null, 2 * s.runs + 1, {});
  print_comparison("/dev/null, " + std::to_string(small_values) + " values", small_run);

  const RatioLimits limits = limits_for(host, p.name);
  if (limits.dispatched >= 0) {
    report.target("dispatched build, time ratio, output to /dev/null", null_run.ours.ratio,
                  limits.dispatched, "");
    Report::reference("dispatched build right after scanf/printf, time ratio",
                      null_run.ours_after_comparison.ratio, limits.dispatched);
  }
  if (variants.avx2) {
    Report::reference("AVX2 build, time ratio (target of a host with AVX2 alone)",
                      null_run.avx2.ratio, limits.avx2_alone);
  }
  report.target("baseline build, time ratio, output to /dev/null", null_run.baseline.ratio,
                limits.baseline, "");
  // What every architecture without kernels of its own gets, against the x86-64 baseline's.
  report.target("portable build, time against the baseline build's",
                null_run.portable.ratio / null_run.baseline.ratio, 2.0, "");
  // The pipe's own cost is the host's: judged against what the same bytes cost dd, written as
  // ours writes them, through the same kind of pipe.
  const double cost = pipe_cost(p, large, s);
  std::printf("  %-62s %9.3f s\n", "the same output through the pipe by dd, time added", cost);
  report.target("dispatched build, time the pipe adds (s), at most 1.25 times dd's",
                pipe_run.ours.seconds - null_run.ours.seconds, 1.25 * cost, "s");
  const double limit_mib = 4.0 * static_cast<double>(values) / (1 << 20) + 16;
  report.target("peak resident memory", std::max(null_run.ours_peak_mib, pipe_run.ours_peak_mib),
                limit_mib, "MiB");
  const double growth =
      per_value_growth(p, empty, small, small_values, large, values, 2 * s.runs + 1);
  report.target("time per value, small run against large run, minus 1", std::abs(growth), 0.20, "");
  const long writes = count_writes(p.ours, small, s);
  if (writes < 0) {
    std::printf("  write count skipped: strace not found\n");
  } else {
    const auto in_bytes = static_cast<double>(fs::file_size(small));
    const double out_bytes = static_cast<double>(run_once(p.ours, small, Output::hashed).bytes);
    // One write a full output buffer, plus one before each refill of the input buffer.
    report.target("write calls for " + std::to_string(small_values) + " values",
                  static_cast<double>(writes), (out_bytes + in_bytes) / 65536 + 8, "");
  }
}

void bench_count_only(const Programs& p, const fs::path& input, std::int64_t count,
                      const Settings& s, Report& report) {
  std::printf("\n%s, a count of %lld and no values\n", p.name.c_str(),
              static_cast<long long>(count));
  report.begin(p.name + ", a count and no values");
  require_same_output(p, input);
  const Comparison run = compare_runs(p, input, Output::dev_null, s.runs, {});
  print_comparison("output to /dev/null", run);
  report.target("time ratio", run.ours.ratio, 0.15, "");
  report.target("peak resident memory", run.ours_peak_mib, 32, "MiB");
}

// Whether the kernel set of that name is built in and runs here, as the dispatcher sees it.
bool runs_here(std::string_view set) {
  const auto sets = number_list::simd::compiled_kernels();
  return std::any_of(sets.begin(), sets.end(), [set](const number_list::simd::Kernels* kernels) {
    return kernels->name == set && kernels->runs_here();
  });
}

Host describe_host() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string model = "unknown processor";
  std::string family;
  for (std::string line; std::getline(cpuinfo, line) && !line.empty();) {
    const auto value = [&line] { return line.substr(line.find(':') + 2); };
    if (line.starts_with("model name")) model = value();
    if (line.starts_with("cpu family")) family = ", family " + value();
  }
  std::string running;
  for (const number_list::simd::Kernels* kernels : number_list::simd::compiled_kernels()) {
    if (!kernels->runs_here()) continue;
    running += running.empty() ? "" : " ";
    running += kernels->name;
  }
  Host host;
  host.description = model + family + " (kernel sets that run here: " + running + ")";
  host.avx2 = runs_here("avx2");
  host.avx512 = runs_here("avx512");
  host.avx512_vbmi2 = runs_here("avx512vbmi2");
  return host;
}

// Milliseconds to first touch a block laid out as a 10M-value list is (40 MiB of huge pages on a
// huge-page boundary), one byte a 4 KiB page; negative when no such block can be mapped.
double first_touch_ms() {
  constexpr std::size_t huge_page = std::size_t{2} << 20;
  constexpr std::size_t bytes = std::size_t{40} << 20;
  constexpr std::size_t mapped = bytes + huge_page;
  void* const map =
      ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) return -1;
  const auto misalignment = reinterpret_cast<std::uintptr_t>(map) % huge_page;
  char* const block = static_cast<char*>(map) + (huge_page - misalignment) % huge_page;
  (void)::madvise(block, bytes, MADV_HUGEPAGE);
  volatile char* const touched = block;  // every store made, though nothing reads them
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < bytes; i += 4096) touched[i] = 1;
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  ::munmap(map, mapped);
  return took.count();
}

// A virtual machine may hand memory nobody uses back to its host after a moment, and the host
// must then supply it afresh when it is next touched: on such a host a program's first touch of
// its list costs far more after an idle spell than right after another run freed the memory, and
// the programs' times, a tenth of a second here, move with it. Shown so that ratios from
// different hosts can be told apart; medians of three.
std::string describe_fresh_memory() {
  std::array<double, 3> reused{};
  std::array<double, 3> after_idle{};
  for (std::size_t i = 0; i < reused.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    after_idle[i] = first_touch_ms();
    reused[i] = first_touch_ms();
  }
  std::ranges::sort(reused);
  std::ranges::sort(after_idle);
  if (reused[0] < 0 || after_idle[0] < 0) return "no 40 MiB block could be mapped to time";
  std::array<char, 160> line{};
  (void)std::snprintf(line.data(), line.size(),
                      "a 40 MiB list's first touch takes %.1f ms after 3 s idle, %.1f ms right "
                      "after the last was freed",
                      after_idle[1], reused[1]);
  return line.data();
}

Settings parse(int argc, char** argv) {
  Settings s;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--runs") {
      s.runs = std::max(1, std::stoi(argv[i + 1]));
    } else if (option == "--scale") {
      s.scale = std::stod(argv[i + 1]);
    } else if (option == "--workdir") {
      s.workdir = argv[i + 1];
    } else {
      throw std::runtime_error("unknown option " + option);
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Settings s = parse(argc, argv);
    fs::create_directories(s.workdir);
    const Programs extend{EXTENDLIST_PATH,          EXTENDLIST_BASELINE_PATH, EXTENDLIST_AVX2_PATH,
                          EXTENDLIST_PORTABLE_PATH, EXTENDLIST_PLAIN_PATH,    "extendlist"};
    const Programs reverse{REVERSELIST_PATH,       REVERSELIST_BASELINE_PATH,
                           REVERSELIST_AVX2_PATH,  REVERSELIST_PORTABLE_PATH,
                           REVERSELIST_PLAIN_PATH, "reverselist"};
    const std::int64_t values = scaled(s, 10'000'000);
    const std::int64_t small_values = scaled(s, 1'000'000);
    const std::int64_t count_only = scaled(s, 100'000'000);

    const Host host = describe_host();
    std::printf("host: %s\n", host.description.c_str());
    std::printf("memory: %s\n", describe_fresh_memory().c_str());
    std::printf("generating inputs in %s (fixed seed)\n", s.workdir.c_str());
    const fs::path extend_large = extend_input(s, values / 2, "large");
    const fs::path extend_small = extend_input(s, small_values / 2, "small");
    const fs::path reverse_large = reverse_input(s, values, "large");
    const fs::path reverse_small = reverse_input(s, small_values, "small");
    const fs::path count_only_path = count_only_input(s, count_only, "large");
    const fs::path empty = count_only_input(s, 0, "empty");

    const bool judged = s.scale >= 1.0;
    Report report(judged);
    bench_program(extend, host, empty, extend_large, extend_small, values, small_values, s, report);
    bench_program(reverse, host, empty, reverse_large, reverse_small, values, small_values, s,
                  report);
    bench_count_only(extend, count_only_path, count_only, s, report);
    bench_count_only(reverse, count_only_path, count_only, s, report);
    const std::vector<std::string> missed = report.missed();
    if (missed.empty()) {
      std::printf("\n%s\n", judged ? "every target met" : "targets not judged at this scale");
      return 0;
    }
    std::printf("\nmissed:\n");
    for (const std::string& what : missed) std::printf("  %s\n", what.c_str());
    return 1;
  } catch (const std::exception& error) {
    (void)std::fprintf(stderr, "run_benchmark: %s\n", error.what());
    return 2;
  }
}
