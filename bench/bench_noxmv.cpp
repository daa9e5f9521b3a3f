// Multi-method reading bootstrap at a realistic size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "noxara.h"

namespace {

// n noisy points on a kappa-4 growth curve over [0, 10].
void noisy_curve(int n, std::vector<double>* x, std::vector<double>* y) {
  x->resize(n);
  y->resize(n);
  for (int i = 0; i < n; ++i) {
    (*x)[i] = 10.0 * i / (n - 1);
    (*y)[i] = 0.5 + 2.0 * k4_F((*x)[i], 5.0, 1.0, 0.1, 0.4) +
              0.05 * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
  }
}

// n = 200 noisy points with B = 20 moving-block replicates, and with B = 0
// (the point fit alone); the time per replicate is the difference over 20.
void BM_noxk4_mv_boot(benchmark::State& st) {
  const int n = 200, seed = 7, maxit = 200;
  const int B = static_cast<int>(st.range(0));
  std::vector<double> x, y;
  noisy_curve(n, &x, &y);
  const double cutx = 4.0;
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  double a_pt[8];
  std::vector<double> A(8 * static_cast<size_t>(B) + 1);
  for (auto _ : st) {
    noxk4_mv_boot(x.data(), y.data(), &n, &cutx, &B, &seed, bounds, &maxit, a_pt, A.data());
    benchmark::DoNotOptimize(A.data());
  }
}
BENCHMARK(BM_noxk4_mv_boot)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(2);

// One shard of the same bootstrap: replicates 10 .. 10+c-1. Every shard
// repeats the base fit, so its cost over c replicates is the shard overhead.
void BM_noxk4_mv_boot_range(benchmark::State& st) {
  const int n = 200, seed = 7, maxit = 200, first = 10;
  const int c = static_cast<int>(st.range(0));
  std::vector<double> x, y;
  noisy_curve(n, &x, &y);
  const double cutx = 4.0;
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  double a_pt[8];
  std::vector<double> A(8 * static_cast<size_t>(c) + 1);
  for (auto _ : st) {
    noxk4_mv_boot_range(x.data(), y.data(), &n, &cutx, &c, &first, &seed, bounds, &maxit,
                        a_pt, A.data());
    benchmark::DoNotOptimize(A.data());
  }
}
BENCHMARK(BM_noxk4_mv_boot_range)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
