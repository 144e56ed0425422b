// One leftover-process pass over 50 rules of 3 pieces against the real process list, answered
// from one process snapshot per pass and from a fresh snapshot per lookup, in the same run.
// Prints figures; it never fails on time.
//
//   process_pass_benchmark.exe [OUTPUT-FILE]
//
// The rules' main program is this program itself, so it always runs and nothing is ended; two
// pieces of each rule name running processes (their paths are read), one names none.
#include <windows.h>

#include <cstdio>
#include <string>

#include "process/termination_pass.h"
#include "platform/win32_desktop.h"

namespace {

class CountingDesktop : public qvk::Win32Desktop {
 public:
  std::optional<std::vector<qvk::ProcessEntry>> process_snapshot() override {
    ++snapshots;
    return Win32Desktop::process_snapshot();
  }
  std::optional<std::string> first_module_path(qvk::ProcessId id) override;
  int snapshots = 0;
  int module_snapshots = 0;
  double module_ms = 0;
};

class SilentLog : public qvk::MonitorLog {
 public:
  void append_log(const std::string&) override { ++lines; }
  int lines = 0;
};

double now_ms() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::optional<std::string> CountingDesktop::first_module_path(qvk::ProcessId id) {
  const double start = now_ms();
  auto path = Win32Desktop::first_module_path(id);
  module_ms += now_ms() - start;
  ++module_snapshots;
  return path;
}

double cpu_ms() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto ms = [](FILETIME t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

struct Timing {
  double wall_ms, cpu_ms;
  int snapshots, module_snapshots;
  double module_ms;
};

Timing time_passes(qvk::AppContext& context, CountingDesktop& desktop, qvk::SnapshotUse use, int passes) {
  desktop.snapshots = desktop.module_snapshots = 0;
  desktop.module_ms = 0;
  const double wall = now_ms(), cpu = cpu_ms();
  for (int i = 0; i < passes; ++i) qvk::ProcessTerminationPass(context, use)();
  return {(now_ms() - wall) / passes, (cpu_ms() - cpu) / passes, desktop.snapshots / passes,
          desktop.module_snapshots / passes, desktop.module_ms / passes};
}

}  // namespace

int main(int argc, char** argv) {
  CountingDesktop desktop;
  std::vector<qvk::ProcessEntry> processes = desktop.process_snapshot().value_or(std::vector<qvk::ProcessEntry>{});
  char own_path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own_path, sizeof own_path);
  std::string own_name = own_path;
  own_name = own_name.substr(own_name.find_last_of('\\') + 1);

  std::vector<std::string> running;
  for (const qvk::ProcessEntry& p : processes) {
    if (p.id != GetCurrentProcessId()) running.push_back(p.exe_name);
  }
  if (running.empty()) running.push_back(own_name);

  std::vector<qvk::ProcessRule> rules;
  for (int r = 0; r < 50; ++r) {
    const std::string a = running[(2 * r) % running.size()], b = running[(2 * r + 1) % running.size()];
    const std::string text = "甲" + std::to_string(r) + "：" + a + "*乙" + std::to_string(r) + "：absent" +
                             std::to_string(r) + ".exe*丙" + std::to_string(r) + "：" + b;
    rules.push_back({"主程序", own_name, text, "", std::to_string(r + 1)});
  }

  qvk::AppState state;
  state.ProcessMonitorState = "监控中";
  state.TerminatedCount = "0";
  SilentLog log;
  qvk::RuleLists lists;
  lists.process.replace_all(rules);
  qvk::AppContext context{state, desktop, log, lists, {}};

  qvk::ProcessTerminationPass{context}();  // warm up
  const Timing per_lookup = time_passes(context, desktop, qvk::SnapshotUse::OnePerLookup, 3);
  const Timing per_pass = time_passes(context, desktop, qvk::SnapshotUse::OnePerPass, 20);

  char report[1024];
  std::snprintf(report, sizeof report,
                "processes running: %zu\n"
                "rules: 50 x 3 pieces, %zu rows, %d ended\n"
                "one snapshot per lookup: %.1f ms per pass (%.1f ms CPU of this process), %d process snapshots, "
                "%d module snapshots (%.1f ms)\n"
                "one snapshot per pass:   %.1f ms per pass (%.1f ms CPU of this process), %d process snapshot, "
                "%d module snapshots (%.1f ms)\n"
                "ratio (wall time): %.0f\n",
                processes.size(), lists.leftover.size(), log.lines, per_lookup.wall_ms, per_lookup.cpu_ms,
                per_lookup.snapshots, per_lookup.module_snapshots, per_lookup.module_ms, per_pass.wall_ms,
                per_pass.cpu_ms, per_pass.snapshots, per_pass.module_snapshots, per_pass.module_ms,
                per_pass.wall_ms > 0 ? per_lookup.wall_ms / per_pass.wall_ms : 0.0);
  std::fputs(report, stdout);
  if (argc > 1) {
    if (FILE* out = std::fopen(argv[1], "wb")) {
      std::fputs(report, out);
      std::fclose(out);
    }
  }
  return 0;
}
