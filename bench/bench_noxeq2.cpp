// Beta-kernel family. The incomplete-beta inverse is the hot path of the
// curve fits: its benchmarks report time per element (items/s).
#include <benchmark/benchmark.h>

#include <cstddef>

#include "noxara.h"
#include "noxeq2.h"

namespace {

// Probabilities spread over (0, 1), the curve fits' 2049-point grid.
struct Grid {
  static constexpr int n = 2049;
  double u[n];
  Grid() {
    for (int i = 0; i < n; ++i) u[i] = (i * 0.999999998) / 2048 + 1e-9;
  }
};
const Grid& grid() {
  static const Grid g;
  return g;
}

// (alpha, beta) pairs of the fits' range: 0 = (-0.75, -0.75), 1 = (-0.5, 0.3),
// 2 = (-0.95, -0.9).
const double kAl[3] = {-0.75, -0.5, -0.95};
const double kBe[3] = {-0.75, 0.3, -0.9};

}  // namespace

static void BM_noxeq2_bc_q(benchmark::State& st) {
  const double al = kAl[st.range(0)], be = kBe[st.range(0)];
  const int n = Grid::n;
  double out[Grid::n];
  for (auto _ : st) {
    noxeq2_bc_q(&n, grid().u, &al, &be, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_noxeq2_bc_q)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Positions on the Q scale that map back to the grid probabilities.
static void fill_positions(double al, double be, int n, double* x) {
  noxeq2_bc_q(&n, grid().u, &al, &be, x);
}

static void BM_noxeq2_bc_cdf(benchmark::State& st) {
  const double al = kAl[st.range(0)], be = kBe[st.range(0)];
  const int n = 256;
  double x[Grid::n], out[Grid::n];
  fill_positions(al, be, Grid::n, x);
  double xs[256];
  for (int i = 0; i < n; ++i) xs[i] = x[i * 8];
  for (auto _ : st) {
    noxeq2_bc_cdf(&n, xs, &al, &be, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_noxeq2_bc_cdf)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// One element per call, as the estimation simulations invert single values.
static void BM_noxeq2_bc_cdf_single(benchmark::State& st) {
  const double al = kAl[0], be = kBe[0];
  double x[Grid::n], out;
  fill_positions(al, be, Grid::n, x);
  const int one = 1;
  std::size_t i = 0;
  for (auto _ : st) {
    noxeq2_bc_cdf(&one, &x[i], &al, &be, &out);
    benchmark::DoNotOptimize(out);
    i = (i + 97) % Grid::n;
  }
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_noxeq2_bc_cdf_single)->Unit(benchmark::kMicrosecond);

static void BM_noxeq2_bc_pdf(benchmark::State& st) {
  const double al = kAl[0], be = kBe[0];
  const int n = 256;
  double x[Grid::n], out[Grid::n];
  fill_positions(al, be, Grid::n, x);
  double xs[256];
  for (int i = 0; i < n; ++i) xs[i] = x[i * 8];
  for (auto _ : st) {
    noxeq2_bc_pdf(&n, xs, &al, &be, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_noxeq2_bc_pdf)->Unit(benchmark::kMicrosecond);

static void BM_noxeq2_ub_quad(benchmark::State& st) {
  double al = -0.6, be = -0.4, out[2];
  for (auto _ : st) {
    benchmark::DoNotOptimize(al);
    noxeq2_ub_quad(&al, &be, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxeq2_ub_quad);

static void BM_noxeq2_E(benchmark::State& st) {
  double al = -0.6, be = -0.4, out;
  for (auto _ : st) {
    benchmark::DoNotOptimize(al);
    noxeq2_E(&al, &be, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxeq2_E);

static void BM_noxeq2_bstar(benchmark::State& st) {
  double al = -0.6, out;
  for (auto _ : st) {
    benchmark::DoNotOptimize(al);
    noxeq2_bstar(&al, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxeq2_bstar)->Unit(benchmark::kMillisecond);

// The incomplete beta itself over the 2049-point grid: recomputing log B per
// point, and with log B computed once.
static void BM_ibeta_grid(benchmark::State& st) {
  const double a = 0.25, b = 0.25;
  for (auto _ : st) {
    double s = 0;
    for (int i = 0; i < Grid::n; ++i) s += noxara::ibeta_(a, b, grid().u[i]);
    benchmark::DoNotOptimize(s);
  }
  st.SetItemsProcessed(st.iterations() * Grid::n);
}
BENCHMARK(BM_ibeta_grid)->Unit(benchmark::kMicrosecond);

static void BM_ibeta_lb_grid(benchmark::State& st) {
  const double a = 0.25, b = 0.25;
  for (auto _ : st) {
    const double lb = noxara::lbeta_(a, b);
    double s = 0;
    for (int i = 0; i < Grid::n; ++i) s += noxara::ibeta_lb_(a, b, grid().u[i], lb);
    benchmark::DoNotOptimize(s);
  }
  st.SetItemsProcessed(st.iterations() * Grid::n);
}
BENCHMARK(BM_ibeta_lb_grid)->Unit(benchmark::kMicrosecond);

// Inverse per element over 256 probabilities, for shape pairs (a, b).
static void BM_ibeta_inv(benchmark::State& st) {
  const double a = 1 + kAl[st.range(0)], b = 1 + kBe[st.range(0)];
  for (auto _ : st) {
    double s = 0;
    for (int i = 0; i < 256; ++i) s += noxara::ibeta_inv_(a, b, grid().u[i * 8]);
    benchmark::DoNotOptimize(s);
  }
  st.SetItemsProcessed(st.iterations() * 256);
}
BENCHMARK(BM_ibeta_inv)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The literal bisection (every comparison evaluates I) on the same inputs as
// BM_ibeta_inv, and the exact evaluations per element that the fast inverse
// makes instead of the literal 50 plus polish.
static void BM_ibeta_inv_literal(benchmark::State& st) {
  const double a = 1 + kAl[st.range(0)], b = 1 + kBe[st.range(0)];
  const double lb = noxara::lbeta_(a, b);
  for (auto _ : st) {
    double s = 0;
    for (int i = 0; i < 256; ++i) s += noxara::ibeta_inv_literal_(a, b, grid().u[i * 8], lb);
    benchmark::DoNotOptimize(s);
  }
  st.SetItemsProcessed(st.iterations() * 256);
}
BENCHMARK(BM_ibeta_inv_literal)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

static void BM_ibeta_inv_kernel(benchmark::State& st) {
  const double a = 1 + kAl[st.range(0)], b = 1 + kBe[st.range(0)];
  const double lb = noxara::lbeta_(a, b);
  noxara::IbetaKernel k(a, b, lb);
  double evals = 0;
  for (auto _ : st) {
    double s = 0;
    evals = 0;
    for (int i = 0; i < 256; ++i) {
      s += k.inverse(grid().u[i * 8]);
      evals += k.last_evaluations();
    }
    benchmark::DoNotOptimize(s);
  }
  st.SetItemsProcessed(st.iterations() * 256);
  st.counters["evals_per_item"] = evals / 256;
}
BENCHMARK(BM_ibeta_inv_kernel)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
