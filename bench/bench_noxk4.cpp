// Kappa-4 family at the sizes its callers use.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "noxara.h"

namespace {

const double kTh[6] = {1.0, 3.0, 1.0, 0.5, 0.1, 0.8};

void curve(int n, double noise, std::vector<double>& x, std::vector<double>& y) {
  x.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) {
    x[i] = -2.0 + 6.0 * i / (n - 1);
    y[i] = kTh[0] + kTh[1] * k4_F(x[i], kTh[2], kTh[3], kTh[4], kTh[5]) +
           noise * std::sin(12.9898 * i);
  }
}

void BM_k4_F(benchmark::State& st) {
  double s = 0;
  for (auto _ : st) {
    for (int i = 0; i < 1000; ++i) s += k4_F(-2.0 + 0.006 * i, 1.0, 0.5, 0.1, 0.8);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_k4_F);

template <void (*Fn)(const double*, const int*, const double*, const double*, const double*,
                     const double*, double*)>
void BM_vec(benchmark::State& st, bool probs) {
  const int n = 10000;
  std::vector<double> v(n), out(n);
  for (int i = 0; i < n; ++i) v[i] = probs ? (i + 0.5) / n : -2.0 + 6.0 * i / n;
  const double mu = 1.0, sg = 0.5, k = 0.1, h = 0.8;
  for (auto _ : st) {
    Fn(v.data(), &n, &mu, &sg, &k, &h, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
void BM_noxk4_q(benchmark::State& st) { BM_vec<noxk4_q>(st, true); }
void BM_noxk4_cdf(benchmark::State& st) { BM_vec<noxk4_cdf>(st, false); }
void BM_noxk4_pdf(benchmark::State& st) { BM_vec<noxk4_pdf>(st, false); }
BENCHMARK(BM_noxk4_q);
BENCHMARK(BM_noxk4_cdf);
BENCHMARK(BM_noxk4_pdf);

void BM_noxk4_tau34(benchmark::State& st) {
  const double k = 0.2, h = 0.5;
  const int nodes = 40;
  double out[4];
  for (auto _ : st) {
    noxk4_tau34(&k, &h, &nodes, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_tau34);

void BM_noxk4_readings(benchmark::State& st) {
  const int grid = 4000;
  double out[3];
  for (auto _ : st) {
    noxk4_readings(kTh, &grid, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_readings);

void BM_noxk4_band_model(benchmark::State& st) {
  const int J = 12, nodes = 60;
  const double p = 2;
  double br[13], out[12];
  for (int j = 0; j <= J; ++j) br[j] = -2.0 + 0.5 * j;
  for (auto _ : st) {
    noxk4_band_model(kTh, br, &J, &nodes, &p, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_band_model);

void BM_noxk4_band_sample(benchmark::State& st) {
  std::vector<double> x, y;
  const int n = 1000, J = 12;
  curve(n, 0.05, x, y);
  const double p = 2;
  double br[13], out[12];
  for (int j = 0; j <= J; ++j) br[j] = -2.0 + 0.5 * j;
  for (auto _ : st) {
    noxk4_band_sample(x.data(), y.data(), &n, br, &J, &p, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_band_sample);

void BM_noxk4_band_trop_mean(benchmark::State& st) {
  std::vector<double> x, y;
  const int n = 1000, J = 12;
  curve(n, 0.0, x, y);
  const double sigma = 0.05;
  double br[13], out[12];
  for (int j = 0; j <= J; ++j) br[j] = -2.0 + 0.5 * j;
  for (auto _ : st) {
    noxk4_band_trop_mean(x.data(), &n, kTh, &sigma, br, &J, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_band_trop_mean);

void BM_noxk4_runmed(benchmark::State& st) {
  std::vector<double> x, y;
  const int n = 1000, w = 9;
  curve(n, 0.05, x, y);
  std::vector<double> out(n);
  for (auto _ : st) {
    noxk4_runmed(y.data(), &n, &w, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_noxk4_runmed);

void BM_noxk4_fit_lmom(benchmark::State& st) {
  const double t3 = 0.15, t4 = 0.14;
  const int nodes = 40;
  double out[3];
  for (auto _ : st) {
    noxk4_fit_lmom(&t3, &t4, &nodes, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_fit_lmom)->Unit(benchmark::kMillisecond);

void BM_noxk4_fit_aleq(benchmark::State& st) {
  const int n = 1000, J = 5;
  std::vector<double> ys(n);
  for (int m = 0; m < n; ++m) ys[m] = -std::log(-std::log((m + 1.0) / (n + 1.0)));
  const double bands[10] = {0.02, 0.2, 0.2, 0.4, 0.4, 0.6, 0.6, 0.8, 0.8, 0.98};
  const double start[3] = {0.0, 0.0, std::log(0.5)};
  double out[4];
  for (auto _ : st) {
    noxk4_fit_aleq(ys.data(), &n, bands, &J, start, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_fit_aleq)->Unit(benchmark::kMillisecond);

void BM_noxk4_fit_nls(benchmark::State& st) {
  std::vector<double> x, y;
  const int n = 200;
  curve(n, 0.05, x, y);
  const double start[6] = {0.9, std::log(2.7), 1.1, std::log(0.55), 0.05, std::log(0.7)};
  double out[7];
  for (auto _ : st) {
    noxk4_fit_nls(x.data(), y.data(), &n, start, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_fit_nls)->Unit(benchmark::kMillisecond);

void BM_noxk4_fit_nls_drift(benchmark::State& st) {
  std::vector<double> x, y;
  const int n = 200;
  curve(n, 0.05, x, y);
  const double start[7] = {0.9, 0.0, std::log(2.7), 1.1, std::log(0.55), 0.05, std::log(0.7)};
  double out[8];
  for (auto _ : st) {
    noxk4_fit_nls_drift(x.data(), y.data(), &n, start, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_fit_nls_drift)->Unit(benchmark::kMillisecond);

void BM_noxk4_fit_nalr(benchmark::State& st) {
  std::vector<double> x, y;
  const int n = 400, J = 12, w = 9;
  curve(n, 0.05, x, y);
  const double lambda = 1, p = 2;
  const double start[6] = {0.9, std::log(2.7), 1.1, std::log(0.55), 0.05, std::log(0.7)};
  double out[7];
  for (auto _ : st) {
    noxk4_fit_nalr(x.data(), y.data(), &n, &J, &lambda, &w, &p, start, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_noxk4_fit_nalr)->Unit(benchmark::kMillisecond);

}  // namespace
