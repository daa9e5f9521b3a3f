// Shape-polynomial quantile family, sample L-moments, band model and scale.
#include "fuzz_input.h"
#include "noxara.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int k = in.count(-1, 6);
  const std::vector<double> coef = in.reals(k > 0 ? static_cast<std::size_t>(k) : 0);
  const double sigma = in.real();
  const int nu = in.count(-1, 16);
  const std::vector<double> u = in.units(nu > 0 ? static_cast<std::size_t>(nu) : 0);
  fuzz::twice(u.size(), [&](double* o) { noxq_qd(u.data(), &nu, coef.data(), &k, &sigma, o); });
  const int nodes = in.count(-2, 160);
  fuzz::twice(1, [&](double* o) { noxq_arclength(coef.data(), &k, &sigma, &nodes, o); });

  const int n = in.count(-1, 40);
  const std::vector<double> x = in.reals(n > 0 ? static_cast<std::size_t>(n) : 0);
  const int nmom = in.count(-1, 8);
  fuzz::twice(nmom > 0 ? static_cast<std::size_t>(nmom) : 0,
              [&](double* o) { sample_lmoments_c(x.data(), &n, &nmom, o); });
  const std::vector<double> fit = fuzz::twice(5, [&](double* o) { noxq_fit_cf_c(x.data(), &n, o); });
  FUZZ_CHECK(std::isnan(fit[4]) || fit[4] == 0.0 || fit[4] == 1.0);

  const double a = in.unit(), b = in.unit();
  const int bn = in.count(-2, 60);
  fuzz::twice(1, [&](double* o) { al_band_model(&sigma, &a, &b, &bn, o); });
  fuzz::twice(1, [&](double* o) { al_band_model_star(&sigma, &a, &b, &bn, o); });
  fuzz::twice(1, [&](double* o) { al_band_sample(x.data(), &n, &a, &b, o); });
  fuzz::twice(1, [&](double* o) { al_scale(x.data(), &n, &a, &b, o); });
  fuzz::twice(1, [&](double* o) { al_scale_raw(x.data(), &n, &a, &b, o); });
  return 0;
}
