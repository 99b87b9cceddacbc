// Wall-clock timing for the benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

inline double Seconds(const std::function<void()>& work) {
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&a);
  work();
  QueryPerformanceCounter(&b);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

// The best of a few runs: the machine is shared.
inline double Best(int runs, const std::function<void()>& work) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(work));
  return best;
}
