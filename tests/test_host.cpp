// The library as a scripting host sees it: loaded at run time, routines found
// by their plain names, every argument passed by address, results in arrays
// the host allocated.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#ifndef NOXARA_LIBRARY_PATH
#error "NOXARA_LIBRARY_PATH must name the built shared library"
#endif

namespace {

class Host : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { lib_ = dlopen(NOXARA_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (lib_) dlclose(lib_);
    lib_ = nullptr;
  }
  template <class Fn>
  static Fn sym(const char* name) {
    return reinterpret_cast<Fn>(dlsym(lib_, name));
  }
  static void* lib_;
};
void* Host::lib_ = nullptr;

using al_statistic_t = void (*)(const int*, const double*, double*);
using al_pvalue_t = void (*)(const double*, const int*, double*);
using bb_post_t = void (*)(const int*, const double*, const int*, const int*, double*);
using icc_t = void (*)(const double*, const int*, const int*, const int*, double*);
using objfn_t = double (*)(const double*, const void*);
using nmd_t = void (*)(objfn_t, const void*, int, const double*, int, double*, double*);

double bowl(const double* p, const void*) {
  const double a = p[0] - 1.0, b = p[1] + 2.0;
  return a * a + b * b + 1.0;
}

}  // namespace

TEST_F(Host, LibraryLoads) { ASSERT_NE(lib_, nullptr) << dlerror(); }

TEST_F(Host, EveryExportedRoutineIsFoundByItsPlainName) {
  ASSERT_NE(lib_, nullptr);
  static const char* const names[] = {
#include "exported_names.inc"
  };
  for (const char* n : names) EXPECT_NE(dlsym(lib_, n), nullptr) << n;
}

TEST_F(Host, InternalHelpersAreNotVisible) {
  ASSERT_NE(lib_, nullptr);
  EXPECT_EQ(dlsym(lib_, "gl01"), nullptr);
  EXPECT_EQ(dlsym(lib_, "_ZN6noxara4gl01EiPdS0_"), nullptr);
  EXPECT_EQ(dlsym(lib_, "_ZN6noxara11nelder_meadEPFdPKdPKvES3_iS1_iPdS6_"), nullptr);
}

TEST_F(Host, ScalarsAndResultsTravelByAddress) {
  ASSERT_NE(lib_, nullptr);
  auto stat = sym<al_statistic_t>("al_statistic");
  ASSERT_NE(stat, nullptr);
  const int n = 3;
  const double u[3] = {0.75, 0.25, 0.5};  // the regular sample, unsorted
  double out[2] = {-1.0, -7.0};
  stat(&n, u, out);
  EXPECT_NEAR(out[0], std::sqrt(2.0), 1e-15);
  EXPECT_EQ(out[1], -7.0);  // nothing beyond the documented result
  EXPECT_EQ(u[0], 0.75);    // inputs are never reordered

  auto pval = sym<al_pvalue_t>("al_pvalue");
  ASSERT_NE(pval, nullptr);
  const double s = 1.5;
  const int n10 = 10;
  double p = -1.0;
  pval(&s, &n10, &p);
  EXPECT_TRUE(std::isnan(p) || (p >= 0.0 && p <= 1.0));
}

TEST_F(Host, SeededRoutineIsReproducibleAcrossCalls) {
  ASSERT_NE(lib_, nullptr);
  auto post = sym<bb_post_t>("bb_post");
  ASSERT_NE(post, nullptr);
  const int n = 4, M = 5, seed = 11;
  const double u[4] = {0.1, 0.3, 0.35, 0.9};
  double a[10], b[10];
  post(&n, u, &M, &seed, a);
  post(&n, u, &M, &seed, b);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
}

TEST_F(Host, IntegerDataArrayAndFailureMarker) {
  ASSERT_NE(lib_, nullptr);
  auto icc = sym<icc_t>("noxvc_icc_oneway");
  ASSERT_NE(icc, nullptr);
  const double y[4] = {1.0, 2.0, 3.0, 4.0};
  const int g[4] = {0, 0, 1, 5};  // label 5 is out of range
  const int n = 4, ng = 2;
  double out[3] = {0, 0, 0};
  icc(y, g, &n, &ng, out);
  EXPECT_TRUE(std::isnan(out[0]) && std::isnan(out[1]) && std::isnan(out[2]));
}

TEST_F(Host, MinimiserTakesAnObjectivePointerAndByValueCounts) {
  ASSERT_NE(lib_, nullptr);
  auto nmd = sym<nmd_t>("noxk4_nmd");
  ASSERT_NE(nmd, nullptr);
  const double start[2] = {0.0, 0.0};
  double x[2], f;
  nmd(bowl, nullptr, 2, start, 1000, x, &f);
  EXPECT_NEAR(x[0], 1.0, 1e-6);
  EXPECT_NEAR(x[1], -2.0, 1e-6);
  EXPECT_NEAR(f, 1.0, 1e-12);
}
