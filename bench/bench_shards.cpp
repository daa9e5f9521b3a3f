// Replicate ranges: one replicate of the null profile-statistic simulation
// taken from the middle of a run, and a run of two replicates computed as one
// range or as two ranges of one on two threads.
#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "noxara.h"

namespace {

const double kCal[5] = {-0.9, -0.7, -0.5, -0.3, -0.1};
const double kCbe[5] = {-0.55, -0.45, -0.38, -0.3, -0.2};
const int kNc = 5;
const double kAlo = -0.85, kAhi = -0.15, kSde = 0.05;
const double kTh0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.38};
const double kSt5[3] = {0.0, 0.0, 0.0};
const int kN = 60, kSeed = 1, kMaxit = 400;

void nullT_range(int count, int first, double* out) {
  noxeqfit_nullT_range(&kN, &kSde, &count, &first, &kSeed, kTh0, kSt5, &kMaxit, kCal, kCbe,
                       &kNc, &kAlo, &kAhi, out);
}

void BM_nullT_range_one(benchmark::State& st) {
  double out[1];
  for (auto _ : st) {
    nullT_range(1, 7, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_nullT_range_one)->Iterations(1)->Unit(benchmark::kSecond);

// Two replicates: range(0) = one call of two, range(1) = two threads of one.
void BM_nullT_range_two(benchmark::State& st) {
  const bool split = st.range(0) != 0;
  std::vector<double> out(2);
  for (auto _ : st) {
    if (split) {
      std::thread t([&out] { nullT_range(1, 1, out.data() + 1); });
      nullT_range(1, 0, out.data());
      t.join();
    } else {
      nullT_range(2, 0, out.data());
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_nullT_range_two)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
