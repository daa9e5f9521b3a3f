test_that("pkappa4 matches the closed forms of its special members", {
  q <- c(-1.5, -0.2, 0.4, 1, 2.5)
  members <- list(
    list(k = 0, h = 0, F = function(x) exp(-exp(-x))),                       # Gumbel
    list(k = 0, h = -1, F = function(x) stats::plogis(x)),                   # logistic
    list(k = 0, h = 1, F = function(x) stats::pexp(x)),                      # exponential
    list(k = 0.3, h = 0, F = function(x) exp(-(1 - 0.3 * x)^(1 / 0.3))),      # GEV
    list(k = 1, h = 1, F = function(x) stats::punif(x)))                     # uniform
  for (m in members) {
    expect_equal(pkappa4(q, k = m$k, h = m$h), m$F(q), tolerance = 1e-12,
                 label = sprintf("k = %g, h = %g", m$k, m$h))
  }
  expect_equal(pkappa4(3, mu = 1, sg = 2), exp(-exp(-1)), tolerance = 1e-14)
  expect_equal(pkappa4(q, lower.tail = FALSE), 1 - exp(-exp(-q)), tolerance = 1e-12)
  expect_equal(pkappa4(q, log.p = TRUE), -exp(-q), tolerance = 1e-12)
  expect_equal(dkappa4(q, k = 0, h = -1), stats::dlogis(q), tolerance = 1e-12)
})

test_that("quantile and distribution functions invert each other", {
  p <- c(0.001, 0.1, 0.37, 0.5, 0.9, 0.999)
  for (par in list(c(0, 1, 0, 0), c(1, 2, 0.1, 0.3), c(-1, 0.5, -0.2, 0.8), c(0, 1, 0.2, -0.5))) {
    qs <- qkappa4(p, par[1], par[2], par[3], par[4])
    expect_equal(pkappa4(qs, par[1], par[2], par[3], par[4]), p, tolerance = 1e-10,
                 label = paste(par, collapse = ","))
  }
  expect_equal(qkappa4(log(p), k = 0.1, h = 0.3, log.p = TRUE), qkappa4(p, k = 0.1, h = 0.3))
  expect_equal(qkappa4(1 - p, k = 0.1, h = 0.3, lower.tail = FALSE), qkappa4(p, k = 0.1, h = 0.3))
  for (ab in list(c(0.5, 0.3), c(-0.6, -0.3), c(2, 1))) {
    qs <- qbc(p, ab[1], ab[2])
    expect_equal(pbc(qs, ab[1], ab[2]), p, tolerance = 1e-8, label = paste(ab, collapse = ","))
  }
  expect_equal(qbc(1, 0.5, 0.3), beta(1.5, 1.3), tolerance = 1e-12)
})

test_that("densities integrate to one", {
  expect_equal(stats::integrate(dkappa4, -Inf, Inf, k = 0.1, h = 0.3)$value, 1, tolerance = 1e-6)
  expect_equal(stats::integrate(dbc, 0, beta(1.5, 1.3), alpha = 0.5, beta = 0.3)$value, 1,
               tolerance = 1e-5)
  expect_equal(stats::integrate(dcirc3, 0, 2 * pi, c3 = 0.4, mu = 1)$value, 1, tolerance = 1e-6)
})

test_that("random generation follows R's seed and keeps the shape", {
  set.seed(11); a <- rkappa4(5, k = 0.1, h = 0.3)
  set.seed(11); expect_identical(rkappa4(5, k = 0.1, h = 0.3), a)
  expect_length(rbc(7, 0.5, 0.3), 7)
  expect_true(all(rcirc3(50, 0.3, 2) >= 0 & rcirc3(50, 0.3, 2) < 2 * pi))
  m <- matrix(c(0.1, 0.5, 0.9, 0.7), 2)
  expect_identical(dim(pkappa4(m)), dim(m))
  expect_error(rkappa4(-1), "'n'")
  expect_error(pkappa4(1, sg = c(1, 2)), "'sg'")
})

test_that("the arc-length p-value agrees with a Monte Carlo tail", {
  set.seed(42)
  n <- 20
  sims <- replicate(4000, al_statistic(u = stats::runif(n))$out)
  for (s in stats::quantile(sims, c(0.5, 0.9, 0.99))) {
    expect_lt(abs(al_pvalue(s = s, n = n)$out - mean(sims >= s)), 0.02,
              label = sprintf("|saddlepoint - Monte Carlo| at S = %.4f", s))
  }
})

test_that("arclength_test is an htest with the exact moments, cached per n", {
  u <- (1:10 - 0.5) / 10
  t1 <- arclength_test(u)
  expect_s3_class(t1, "htest")
  expect_identical(unname(t1$statistic), al_statistic(u = u)$out)
  expect_identical(unname(t1$p.value), al_pvalue(s = t1$statistic, n = 10L)$out)
  expect_identical(unname(t1$moments), al_moments(n = 10L)$out[1:2])
  expect_true(exists("10", envir = noxara:::.moment_cache))
  expect_output(print(t1), "Arc-length test")
  expect_error(arclength_test(c(0.2, 1.4)), "'u' must lie in")
  expect_error(arclength_test(c(0.2, NA)), "missing values")
})

test_that("kappa4_curve_fit recovers a noise-free curve and its methods agree", {
  x <- seq(0, 10, length.out = 40)
  truth <- c(g0 = 1, g1 = 5, mu = 5, sg = 1.5, k = 0.1, h = 0.4)
  y <- truth[["g0"]] + truth[["g1"]] * pkappa4(x, 5, 1.5, 0.1, 0.4)
  for (m in c("nls", "nls_drift", "varpro")) {
    fit <- kappa4_curve_fit(x, y, method = m)
    expect_lt(fit$criterion, 1e-6)
    expect_equal(unname(fitted(fit)), y, tolerance = 1e-3, label = m)
    want <- noxk4_readings(theta = unname(truth), grid = 4000L)$out
    expect_equal(unname(readings(fit)), want, tolerance = 1e-2, label = m)
  }
  fit <- kappa4_curve_fit(x, y)
  expect_identical(predict(fit, newdata = x), fitted(fit))
  expect_identical(residuals(fit), y - fitted(fit))
  expect_named(coef(fit), c("g0", "m", "g1", "mu", "sg", "k", "h"))
  expect_output(print(summary(fit)), "Readings")
  pdf(NULL); on.exit(dev.off())
  expect_invisible(plot(fit))
  expect_error(kappa4_curve_fit(x, y[-1]), "same length")
  expect_error(kappa4_curve_fit(x, y, method = "nls", J = 3), "unknown argument")
  expect_error(kappa4_curve_fit(x, replace(y, 3, NA)), "finite")
})

test_that("bootstrap results give quantile intervals of the finite replicates", {
  b <- noxara:::.boot_result(c(a = 1), c(3, NaN, 1, 2, 5), "a", "test")
  ci <- confint(b, level = 0.5)
  expect_equal(unname(ci[1, ]), unname(stats::quantile(c(3, 1, 2, 5), c(0.25, 0.75))))
  expect_output(print(b), "finite replicates")
  expect_error(confint(b, level = 2), "'level'")
})

test_that("circular wrappers return the library's values", {
  th <- noxc_rand3(unif = (1:30 - 0.5) / 30, c3 = 0.3, mu = 1)$out
  f <- circ3_fit(th, nodes = 400)
  expect_identical(c(f$mu, f$c3, f$rbar), noxc_fit3(theta = th, nodes = 400L)$out[1:3])
  g <- circ3_gof(th, c3 = 0.3, mu = 1, B = 49, seed = 2)
  expect_identical(c(unname(g$statistic), g$p.value),
                   noxc_gof(theta = th, c3p = 0.3, mup = 1, Bp = 49L, seedp = 2L)$out)
  ci <- circ3_interval(th, grid = c(0, 0.3, 0.6), B = 19, seed = 1)
  expect_identical(c(unname(ci$interval), ci$statistic, ci$p.values),
                   noxc_exact_ci(theta = th, Bp = 19L, seedp = 1L, cgrid = c(0, 0.3, 0.6),
                                 statp = 1L, groupp = 0L, levp = 0.05)$out)
})
