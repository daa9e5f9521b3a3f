// Circular families: cubic and Fourier-series quantile families, circular
// L-moments, admissibility, factorisation, fits, tempering and the Monte
// Carlo procedures.
#include "fuzz_input.h"
#include "noxara.h"

namespace {
const double kTwoPi = 6.283185307179586, kPi = 3.141592653589793;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int n = in.count(-1, 24);
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  const std::vector<double> u = in.units(nn), th = in.reals(nn);
  const double c3 = in.real(), mu = in.real();

  fuzz::twice(nn, [&](double* o) { noxc_qd3(u.data(), &n, &c3, o); });
  fuzz::twice(nn, [&](double* o) { noxc_Q3(u.data(), &n, &c3, o); });
  fuzz::twice(nn, [&](double* o) { noxc_dens3(th.data(), &n, &c3, &mu, o); });
  // Angles are reported in [0, 2*pi).
  const std::vector<double> r3 = fuzz::twice(nn, [&](double* o) { noxc_rand3(u.data(), &n, &c3, &mu, o); });
  for (double v : r3) FUZZ_CHECK(std::isnan(v) || (v >= 0.0 && v < kTwoPi));
  const int p = in.count(-3, 3), nodes = in.count(-2, 120);
  fuzz::twice(2, [&](double* o) { noxc_trigmom3(&p, &c3, &mu, &nodes, o); });
  const std::vector<double> f3 = fuzz::twice(4, [&](double* o) { noxc_fit3(th.data(), &n, &nodes, o); });
  FUZZ_CHECK(std::isnan(f3[0]) || (f3[0] >= -kPi && f3[0] < kPi));

  const int np = in.count(-1, 4);
  const std::vector<double> pre = in.reals(np > 0 ? static_cast<std::size_t>(np) : 0);
  const std::vector<double> pim = in.reals(pre.size());
  fuzz::twice(nn, [&](double* o) { noxc_qd_fr(u.data(), &n, pre.data(), pim.data(), &np, o); });
  fuzz::twice(2, [&](double* o) { noxc_trigmom_fr(&p, pre.data(), pim.data(), &np, &mu, &nodes, o); });
  fuzz::twice(nn, [&](double* o) { noxc_Q_fr(u.data(), &n, pre.data(), pim.data(), &np, &nodes, o); });
  fuzz::twice(nn, [&](double* o) { noxc_dens_fr(th.data(), &n, pre.data(), pim.data(), &np, &mu, &nodes, o); });
  const std::vector<double> rf = fuzz::twice(
      nn, [&](double* o) { noxc_rand_fr(u.data(), &n, pre.data(), pim.data(), &np, &mu, &nodes, o); });
  for (double v : rf) FUZZ_CHECK(std::isnan(v) || (v >= 0.0 && v < kTwoPi));

  const int nm = in.count(-1, 4);
  const std::size_t m2 = nm > 0 ? 2u * static_cast<std::size_t>(nm) : 0;
  fuzz::twice(m2, [&](double* o) { noxc_lmom(u.data(), &n, &nm, o); });
  const std::vector<double> rr = in.reals(m2 / 2), ri = in.reals(m2 / 2);
  fuzz::twice(m2, [&](double* o) { noxc_rho_from_lmom(rr.data(), ri.data(), &nm, o); });
  fuzz::twice(1, [&](double* o) { noxc_qmin_rho(rr.data(), ri.data(), &nm, &nodes, o); });
  const double margin = in.real();
  // The shrink factor lies in [0, 1].
  const std::vector<double> ad =
      fuzz::twice(m2 + 1, [&](double* o) { noxc_admiss(rr.data(), ri.data(), &nm, &margin, &nodes, o); });
  if (nm >= 0 && ad[m2] != -7.25e301) FUZZ_CHECK(fuzz::nan_or_in(ad[m2], 0.0, 1.0));
  fuzz::twice(m2 + 2, [&](double* o) { noxc_factorise(rr.data(), ri.data(), &nm, o); });
  const std::vector<double> ff =
      fuzz::twice(m2 + 5, [&](double* o) { noxc_fit_fr(th.data(), &n, &nm, &margin, &nodes, o); });
  if (nm > 0) FUZZ_CHECK(ff[m2 + 4] == 0.0 || ff[m2 + 4] == 1.0 || ff[m2 + 4] == -7.25e301);

  const double kappa = in.real(), s = in.real();
  fuzz::twice(nn, [&](double* o) { noxc_temper_vm(th.data(), &n, &kappa, &mu, &s, &nodes, o); });
  fuzz::twice(2, [&](double* o) { noxc_temper_vm_trigmom(&p, &kappa, &mu, &s, &nodes, o); });

  const int B = in.count(-1, 6), seed = in.count(-99, 99), ng = in.count(-1, 3);
  const int stat = in.count(0, 1), group = in.count(-1, 8);
  const std::vector<double> cg = in.reals(ng > 0 ? static_cast<std::size_t>(ng) : 0);
  const double lev = in.unit();
  const std::size_t nci = (ng > 0 ? static_cast<std::size_t>(ng) : 0) + 3u;
  fuzz::twice(nci, [&](double* o) {
    noxc_exact_ci(th.data(), &n, &B, &seed, cg.data(), &ng, &stat, &group, &lev, o);
  });
  const std::vector<double> g = fuzz::twice(2, [&](double* o) { noxc_gof(th.data(), &n, &c3, &mu, &B, &seed, o); });
  FUZZ_CHECK(fuzz::nan_or_in(g[1], 0.0, 1.0));
  return 0;
}
