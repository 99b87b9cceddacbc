// Wall-clock timing and the pass-or-fail gate of the benchmarks.
// Builds natively too, for the window-free units' benchmarks.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>  // not <chrono>: its text does not convert to Shift-JIS
#endif

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

inline double Seconds(const std::function<void()>& work) {
#ifdef _WIN32
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&a);
  work();
  QueryPerformanceCounter(&b);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
#else
  timespec a, b;
  clock_gettime(CLOCK_MONOTONIC, &a);
  work();
  clock_gettime(CLOCK_MONOTONIC, &b);
  return double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) * 1e-9;
#endif
}

// The middle sample: a figure and its reference are both taken this way,
// over the same number of runs.
inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0 : samples[samples.size() / 2];
}

// What a benchmark found wrong: a result that is not what the work must
// give, or a figure beyond its target. Any makes the program fail.
class Gate {
public:
  void Check(bool ok, const std::string& what) {
    if (ok) return;
    std::printf("  WRONG: %s\n", what.c_str());
    failed_ = true;
  }
  // Prints "(ratio x the reference; target t x)" and checks it.
  void Target(double seconds, double reference, double target) {
    const double ratio = seconds / reference;
    const bool met = ratio <= target;
    std::printf("  (%.2fx; target %.2fx%s)\n", ratio, target, met ? "" : " MISSED");
    failed_ = failed_ || !met;
  }
  int Exit() const { return failed_ ? 1 : 0; }

private:
  bool failed_ = false;
};

#ifdef _WIN32
// The wall-clock time of a command line run to its end (its output sent
// to NUL by the command itself). A command that cannot start or ends
// with another exit code than 0 is a wrong result, not a fast one.
inline double CommandSeconds(std::string line, Gate& gate) {
  bool ran = false;
  DWORD code = 1;
  const double seconds = Seconds([&] {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      ran = true;
      WaitForSingleObject(pi.hProcess, INFINITE);
      GetExitCodeProcess(pi.hProcess, &code);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  });
  gate.Check(ran && code == 0, "\"" + line + "\" did not run to a good end");
  return seconds;
}
#endif
