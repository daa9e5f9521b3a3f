// Kappa-4 distribution functions, curve readings, band arc lengths and the
// running median.
#include "fuzz_input.h"
#include "noxara.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int n = in.count(-1, 24);
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  const std::vector<double> u = in.units(nn), x = in.reals(nn), y = in.reals(nn);
  const double mu = in.real(), sg = in.real(), k = in.real(), h = in.real();

  fuzz::twice(nn, [&](double* o) { noxk4_q(u.data(), &n, &mu, &sg, &k, &h, o); });
  // With a positive scale, a distribution function lies in [0, 1] and a
  // density is not negative.
  const std::vector<double> F = fuzz::twice(nn, [&](double* o) { noxk4_cdf(x.data(), &n, &mu, &sg, &k, &h, o); });
  const std::vector<double> f = fuzz::twice(nn, [&](double* o) { noxk4_pdf(x.data(), &n, &mu, &sg, &k, &h, o); });
  if (sg > 0.0) {
    for (double v : F) FUZZ_CHECK(fuzz::nan_or_in(v, 0.0, 1.0));
    for (double v : f) FUZZ_CHECK(std::isnan(v) || v >= 0.0);
  }
  for (std::size_t i = 0; i < nn; ++i) {
    const double a = k4_F(x[i], mu, sg, k, h);
    FUZZ_CHECK(std::memcmp(&a, &F[i], sizeof a) == 0);
  }

  const int nodes = in.count(-2, 48);
  fuzz::twice(4, [&](double* o) { noxk4_tau34(&k, &h, &nodes, o); });
  double theta[6];
  for (double& t : theta) t = in.real();
  const int grid = in.count(-2, 300);
  fuzz::twice(3, [&](double* o) { noxk4_readings(theta, &grid, o); });

  const int J = in.count(-1, 4);
  const std::size_t nj = J > 0 ? static_cast<std::size_t>(J) : 0;
  std::vector<double> breaks = in.reals(nj + 1);
  const double p = in.real(), sigma = in.real();
  fuzz::twice(nj, [&](double* o) { noxk4_band_model(theta, breaks.data(), &J, &nodes, &p, o); });
  fuzz::twice(nj, [&](double* o) { noxk4_band_sample(x.data(), y.data(), &n, breaks.data(), &J, &p, o); });
  fuzz::twice(nj, [&](double* o) { noxk4_band_trop_mean(x.data(), &n, theta, &sigma, breaks.data(), &J, o); });

  const int w = in.count(-2, 300);
  fuzz::twice(nn, [&](double* o) { noxk4_runmed(y.data(), &n, &w, o); });
  return 0;
}
