// Replicate ranges: a run split into ranges, computed separately and
// reassembled, equals the one full call bit for bit, NaN rows included.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "guarded_output.h"
#include "noxara.h"

namespace {

using Vec = std::vector<double>;
using Split = std::vector<int>;  // counts of consecutive ranges

// Index of the first value whose bits differ, or -1.
long first_difference(const Vec& a, const Vec& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return static_cast<long>(i);
  return -1;
}

// A bc-curve sample, a kappa-4 sample, the model-fit simulation setting
// (a one-point table: T is fixed and the fixed-shape statistics carry the
// replicates; a two-point table that the middle start reaches), angles.
struct Data {
  double bth[6] = {1.0, 2.0, 0.0, 10.0, -0.65, -0.375}, cal[2] = {-0.95, -0.1},
         cbe[2] = {-0.525, -0.1}, alo = -0.9, ahi = -0.52;
  double kth[6] = {0.5, 2.0, 5.0, 1.5, 0.0, 0.0}, lh[2] = {-0.5, 0.5}, lk[2] = {-0.1, 0.1},
         hlo = -0.5, hhi = 0.5, kp0[5] = {0.5, 0.69, 5.0, 0.4, 0.0};
  int two = 2, one = 1;
  double mcal[2] = {-0.6, -0.4}, mcbe[2] = {-0.45, -0.35}, malo = -0.85, mahi = -0.15,
         sde = 0.05, th0[6] = {0.2, 1.5, 1.0, 2.0, -0.5, -0.4}, st5[3] = {0, 0, 0},
         thref[12] = {0.9, 2.2, -0.5, -0.2, 0.9, 2.2, -0.5, -0.55, 0.9, 2.2, -0.5, -0.7};
  double theta[9] = {0.1, 0.5, 1.2, 2.0, 2.2, 3.9, 4.4, 5.0, 6.1};
  double cgrid[7] = {-0.12, -0.08, -0.04, 0.0, 0.04, 0.08, 0.12}, lev = 0.4;
  int sizes[3] = {9, 0, 6};  // size 0: a NaN block between two fitted ones
  Vec bx = Vec(18), by = Vec(18), kx = Vec(20), ky = Vec(20);
  Data() {
    for (int i = 0; i < 18; ++i) {
      bx[i] = -1.0 + 12.0 * i / 17.0;
      by[i] = 1.0 + 0.5 * std::sin(0.7 * i) + 0.1 * bx[i];
    }
    for (int i = 0; i < 20; ++i) {
      kx[i] = 1.0 + 12.0 * i / 19.0;
      ky[i] = 0.5 + 2.0 * k4_F(kx[i], 5.0, 1.5, 0.0, 0.0) + 0.03 * std::cos(3.1 * i);
    }
  }
};
const Data D;

// A routine of the table: range(c, first, out) and full(B, out) calls; its
// output is `head` values followed by `ncol` columns of c (or B) rows.
enum class Head { kColumns = 0, kGof = 2, kInterval = 3 };
struct Routine {
  std::string name;
  int B;
  std::size_t ncol;
  Head head;
  std::function<void(int, int, double*)> range;
  std::function<void(int, double*)> full;
  std::vector<Split> splits;
  std::size_t size(int c) const { return static_cast<std::size_t>(head) + ncol * c; }
};

// Reassembly, as a host does it, of the ranges (first, output) of a run.
Vec reassemble(const Routine& r, const std::vector<std::pair<int, Vec>>& parts) {
  const std::size_t h = static_cast<std::size_t>(r.head), B = static_cast<std::size_t>(r.B);
  if (r.head == Head::kGof) {
    double G = 0.0;
    for (const auto& p : parts) G += p.second[1];
    return {parts[0].second[0], (G + 1.0) / (static_cast<double>(r.B) + 1.0)};
  }
  Vec all(r.size(r.B), -1.0);
  std::copy(parts[0].second.begin(), parts[0].second.begin() + h, all.begin());
  for (const auto& p : parts) {
    const std::size_t c = (p.second.size() - h) / r.ncol, f = static_cast<std::size_t>(p.first);
    for (std::size_t col = 0; col < r.ncol; ++col)
      for (std::size_t j = 0; j < c; ++j) all[h + col * B + f + j] = p.second[h + col * c + j];
  }
  if (r.head == Head::kInterval) noxc_exact_ci_combine(D.cgrid, &r.B, &D.lev, all.data());
  return all;
}

// The whole run, ranges of one, uneven ranges with an empty one among them.
std::vector<Split> splits_of(int B) { return {{B}, Split(B, 1), {2, 0, B - 2}, {B - 1, 1}}; }

std::vector<Routine> routines() {
  std::vector<Routine> rs;
  for (int n : {18, 1}) {  // n = 1: no block bootstrap, NaN rows
    const int seed = 77, mi = 20;
    rs.push_back({"bc_boot n=" + std::to_string(n), 5, 1, Head::kColumns,
                  [=](int c, int f, double* o) {
                    noxeqfit_bc_boot_range(D.bx.data(), D.by.data(), &n, D.bth, &c, &f, &seed,
                                           &mi, D.cal, D.cbe, &D.two, &D.alo, &D.ahi, o);
                  },
                  [=](int B, double* o) {
                    noxeqfit_bc_boot(D.bx.data(), D.by.data(), &n, D.bth, &B, &seed, &mi, D.cal,
                                     D.cbe, &D.two, &D.alo, &D.ahi, o);
                  },
                  splits_of(5)});
  }
  const int n20 = 20, seed_k = -12, mi_k = 30;
  rs.push_back({"k4eq_boot", 5, 1, Head::kColumns,
                [=](int c, int f, double* o) {
                  noxeqfit_k4eq_boot_range(D.kx.data(), D.ky.data(), &n20, D.kth, D.kp0, &c, &f,
                                           &seed_k, &mi_k, D.lh, D.lk, &D.two, &D.hlo, &D.hhi, o);
                },
                [=](int B, double* o) {
                  noxeqfit_k4eq_boot(D.kx.data(), D.ky.data(), &n20, D.kth, D.kp0, &B, &seed_k,
                                     &mi_k, D.lh, D.lk, &D.two, &D.hlo, &D.hhi, o);
                },
                splits_of(5)});
  const int mi = 2, seed_m = INT_MAX - 1500, seed_t = 3;
  for (int N : {13, 1}) {  // N = 1: no design, NaN rows
    rs.push_back({"msim N=" + std::to_string(N), 4, 8, Head::kColumns,
                  [=](int c, int f, double* o) {
                    noxeqfit_msim_range(&N, &D.sde, &c, &f, &seed_m, D.th0, D.st5, &mi, D.mcal,
                                        D.mcbe, &D.one, &D.malo, &D.mahi, D.thref, o);
                  },
                  [=](int B, double* o) {
                    noxeqfit_msim(&N, &D.sde, &B, &seed_m, D.th0, D.st5, &mi, D.mcal, D.mcbe,
                                  &D.one, &D.malo, &D.mahi, D.thref, o);
                  },
                  splits_of(4)});
  }
  // The profile statistic itself: costly replicates, fewer splits.
  const int N13 = 13;
  rs.push_back({"nullT", 3, 1, Head::kColumns,
                [=](int c, int f, double* o) {
                  noxeqfit_nullT_range(&N13, &D.sde, &c, &f, &seed_t, D.th0, D.st5, &mi, D.mcal,
                                       D.mcbe, &D.two, &D.malo, &D.mahi, o);
                },
                [=](int B, double* o) {
                  noxeqfit_nullT(&N13, &D.sde, &B, &seed_t, D.th0, D.st5, &mi, D.mcal, D.mcbe,
                                 &D.two, &D.malo, &D.mahi, o);
                },
                {{1, 1, 1}, {2, 1}}});
  const int R3 = 3, seed_e = INT_MAX - 3000, mi_e = 15;
  const double a0 = 0.45, b0 = 0.8;
  rs.push_back({"estsim", 5, 18, Head::kColumns,
                [=](int c, int f, double* o) {
                  noxeqfit_estsim_range(&a0, &b0, &c, &f, D.sizes, &R3, &seed_e, &mi_e, o);
                },
                [=](int B, double* o) {
                  noxeqfit_estsim(&a0, &b0, &B, D.sizes, &R3, &seed_e, &mi_e, o);
                },
                splits_of(5)});
  // Grouped arc-length and plain resultant statistics; B < 0: NaN p-values.
  const struct { int stat, group, B; } cis[] = {{1, 4, 39}, {0, 0, 25}, {1, 0, -1}};
  for (const auto& ci : cis) {
    const int n = 9, seed = 5, st = ci.stat, k = ci.group, Bp = ci.B;
    rs.push_back({"exact_ci B=" + std::to_string(Bp), 7, 1, Head::kInterval,
                  [=](int c, int f, double* o) {
                    noxc_exact_ci_range(D.theta, &n, &Bp, &seed, D.cgrid, &c, &f, &st, &k, &D.lev, o);
                  },
                  [=](int ng, double* o) {
                    noxc_exact_ci(D.theta, &n, &Bp, &seed, D.cgrid, &ng, &st, &k, &D.lev, o);
                  },
                  {{7}, Split(7, 1), {3, 0, 4}, {1, 5, 1}}});
  }
  for (int n : {9, 0}) {  // n = 0: no statistic
    const int seed = -8;
    const double c3 = 0.05, mu = 0.3;
    rs.push_back({"gof n=" + std::to_string(n), 60, 1, Head::kGof,
                  [=](int c, int f, double* o) {
                    noxc_gof_range(D.theta, &n, &c3, &mu, &c, &f, &seed, o);
                  },
                  [=](int B, double* o) { noxc_gof(D.theta, &n, &c3, &mu, &B, &seed, o); },
                  {{60}, Split(60, 1), {17, 0, 1, 42}}});
  }
  return rs;
}

TEST(ReplicateRanges, ReassembledRangesEqualTheFullCall) {
  for (const Routine& r : routines()) {
    Vec full(r.head == Head::kGof ? 2 : r.size(r.B));
    r.full(r.B, full.data());
    for (const Split& split : r.splits) {
      std::vector<std::pair<int, Vec>> parts;
      int first = 0;
      for (int c : split) {
        parts.emplace_back(first, Vec(r.size(c), -2.0));
        r.range(c, first, parts.back().second.data());
        first += c;
      }
      EXPECT_EQ(first_difference(reassemble(r, parts), full), -1)
          << r.name << ", split into " << split.size();
    }
  }
}

TEST(ReplicateRangesConcurrency, RangesOnThreadsReassembleToTheFullCall) {
  // Ranges of one run on threads of their own, as a host's thread pool runs
  // them (the costly model-fit simulations left out).
  for (const Routine& r : routines()) {
    if (r.name.rfind("msim", 0) == 0 || r.name == "nullT") continue;
    Vec full(r.head == Head::kGof ? 2 : r.size(r.B));
    r.full(r.B, full.data());
    const Split split = {r.B / 3, r.B - 2 * (r.B / 3), r.B / 3};
    std::vector<std::pair<int, Vec>> parts;
    int first = 0;
    for (int c : split) {
      parts.emplace_back(first, Vec(r.size(c)));
      first += c;
    }
    std::vector<std::thread> pool;
    for (std::size_t i = 0; i < parts.size(); ++i)
      pool.emplace_back([&r, &parts, &split, i] {
        r.range(split[i], parts[i].first, parts[i].second.data());
      });
    for (std::thread& t : pool) t.join();
    EXPECT_EQ(first_difference(reassemble(r, parts), full), -1) << r.name;
  }
}

TEST(ReplicateRanges, GofRangesAdvanceOneStream) {
  // The statistics of consecutive ranges, concatenated, are those of one
  // range over the whole run.
  const int n = 9, seed = 11;
  const double c3 = -0.02, mu = 1.0;
  auto stats = [&](int c, int f) {
    Vec o(static_cast<std::size_t>(c) + 2u);
    noxc_gof_range(D.theta, &n, &c3, &mu, &c, &f, &seed, o.data());
    return Vec(o.begin() + 2, o.end());
  };
  Vec joined;
  for (const Vec& part : {stats(5, 0), stats(1, 5), stats(10, 6), stats(7, 16)})
    joined.insert(joined.end(), part.begin(), part.end());
  EXPECT_EQ(first_difference(joined, stats(23, 0)), -1);
}

TEST(ReplicateRanges, BadRangesStayInsideTheOutput) {
  for (const Routine& r : routines()) {
    badin::Out none(8);  // a negative count has no output
    r.range(-1, 0, none.p());
    EXPECT_TRUE(none.untouched()) << r.name;
    // first < 0, or a range past INT_MAX: the count-sized output is NaN.
    const std::pair<int, int> bad[] = {{2, -1}, {1, INT_MIN}, {2, INT_MAX - 1}, {1, INT_MAX}};
    for (const auto& b : bad) {
      badin::Out o(r.size(b.first));
      r.range(b.first, b.second, o.p());
      EXPECT_TRUE(o.all_nan() && o.guards_intact()) << r.name << " first " << b.second;
    }
  }
}

}  // namespace
