// Variable-projection kappa-4 fit at a realistic size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "noxara.h"

namespace {

// 200 noisy points on a drifting kappa-4 curve, fitted from a 120-start grid
// with h free, as the reading bootstrap does on the data as given.
void BM_noxk4_fit_varpro(benchmark::State& st) {
  const int n = 200, maxit = 200;
  std::vector<double> x(n), y(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 10.0 * i / (n - 1);
    y[i] = 0.5 + 0.02 * x[i] + 2.0 * k4_F(x[i], 5.0, 1.0, 0.1, 0.4) +
           0.05 * std::sin(2.3 * i + 0.4) * std::cos(0.71 * i);
  }
  const double fz[3] = {0.5, 1.0, 2.0};
  const double k0[5] = {-0.9, -0.6, -0.3, 0.0, 0.3};
  const double h0[4] = {0.02, 0.1, 0.3, 0.8};
  const double m0[2] = {4.5, 5.2};
  std::vector<double> starts;
  for (double m : m0)
    for (double f : fz)
      for (double k : k0)
        for (double h : h0) {
          starts.push_back(m);
          starts.push_back(std::log(f * 1.3));
          starts.push_back(k);
          starts.push_back(h);
        }
  const int ns = static_cast<int>(starts.size() / 4);
  const double bounds[4] = {-0.9, 0.9, 0.0, 1.0};
  const double hfree = std::nan("");
  double out[8];
  for (auto _ : st) {
    noxk4_fit_varpro(x.data(), y.data(), &n, starts.data(), &ns, &maxit, bounds, &hfree, out);
    benchmark::DoNotOptimize(out[7]);
  }
}
BENCHMARK(BM_noxk4_fit_varpro)->Unit(benchmark::kMillisecond);

}  // namespace
