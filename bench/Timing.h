// Wall-clock timing and the pass-or-fail gate of the benchmarks.
// Builds natively too, for the window-free units' benchmarks.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>  // not <chrono>: its text does not convert to Shift-JIS
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
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

// The middle sample.
inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0 : samples[samples.size() / 2];
}

// A figure and its reference, measured in pairs taken in turns. The figure
// is judged on the median of the pairs' ratios: a busy spell of a shared
// machine slows both sides of a pair, and one slow pair moves a median
// little. Its spread is the distribution-free 95% interval of that median
// (the order statistics n/2 -+ 0.98 sqrt(n)); a figure is settled when
// the interval is within 0.05x either side, so that a rerun moves it by
// less than 0.1x.
class Pairs {
public:
  static constexpr size_t kMinPairs = 9;

  void Add(double ours, double reference) {
    ours_.push_back(ours);
    reference_.push_back(reference);
    ratios_.push_back(reference > 0 ? ours / reference : 0);
  }
  void Clear() { ours_.clear(), reference_.clear(), ratios_.clear(); }
  size_t Count() const { return ratios_.size(); }
  double Ours() const { return Median(ours_); }
  double Reference() const { return Median(reference_); }
  double Ratio() const { return Median(ratios_); }
  double Low() const { return Ranked(-1); }
  double High() const { return Ranked(1); }
  bool Settled() const { return Count() >= kMinPairs && High() - Low() <= 0.1; }

private:
  double Ranked(int side) const {
    if (ratios_.empty()) return 0;
    std::vector<double> sorted = ratios_;
    std::sort(sorted.begin(), sorted.end());
    const double n = double(sorted.size());
    const double rank = n / 2 + side * 0.98 * std::sqrt(n);
    const long i = std::lround(std::clamp(rank, 0.0, n - 1));
    return sorted[static_cast<size_t>(i)];
  }
  std::vector<double> ours_, reference_, ratios_;
};

// Takes turns until every figure is settled, or maxTurns were counted:
// turn 0 warms the caches (and the program's own first use) and is not
// counted; turn gets the turn's number. Answers the turns counted.
inline int TakeTurns(std::initializer_list<Pairs*> figures, int maxTurns,
                     const std::function<void(int turn)>& turn) {
  turn(0);
  for (Pairs* figure : figures) figure->Clear();
  int turns = 0;
  while (turns < maxTurns) {
    turn(++turns);
    if (std::all_of(figures.begin(), figures.end(), [](const Pairs* f) { return f->Settled(); })) break;
  }
  return turns;
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
  // Prints "(ratio x the reference, its spread; target t x)" and checks
  // the ratio.
  void Target(const Pairs& pairs, double target) {
    const bool met = pairs.Ratio() <= target;
    Spread(pairs);
    std::printf("; target %.2fx%s)\n", target, met ? "" : " MISSED");
    failed_ = failed_ || !met;
  }
  // The same without a target.
  void Print(const Pairs& pairs) {
    Spread(pairs);
    std::printf(")\n");
  }
  int Exit() const { return failed_ ? 1 : 0; }

private:
  static void Spread(const Pairs& pairs) {
    std::printf("  (%.2fx, 95%% %.2f-%.2fx over %zu pairs%s", pairs.Ratio(), pairs.Low(), pairs.High(),
                pairs.Count(), pairs.Settled() ? "" : ", unsettled");
  }
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
