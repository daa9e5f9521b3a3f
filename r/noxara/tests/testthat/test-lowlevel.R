u <- c(0.12, 0.35, 0.41, 0.77, 0.93)
x <- seq(0, 10, length.out = 30)
yk <- 1 + 5 * noxara::k4_F(x, 5, 1.5, 0.1, 0.4) + 0.05 * sin(7 * x)
th <- noxara::noxc_rand3(unif = (1:25 - 0.3) / 25, c3 = 0.3, mu = 1)$out
tab_h <- c(0.1, 0.3, 0.6); tab_k <- c(0.05, 0.1, 0.2)
bc_a <- c(-0.64, -0.6, -0.55, -0.505)
bc_b <- vapply(bc_a, function(a) noxara::noxeq2_bstar(alpha = a)$out, 0)

# One call per routine family, chosen to run the numerically heavy paths.
bit_cases <- list(
  list("al_statistic", list(u = u)),
  list("al_moments", list(n = 12L)),
  list("al_pvalue", list(s = 1.52, n = 30L)),
  list("bb_post", list(u = u, M = 4L, seed = 3L)),
  list("bb_ref", list(n = 6L, D = 2L, m = 3L, seed = 5L)),
  list("cf_arclength_emp", list(x = x, T = 2, ng = 201L)),
  list("noxvc_icc_oneway", list(y = c(1, 1.2, 2, 2.3, 3, 2.9), g = c(0, 0, 1, 1, 2, 2), ng = 3L)),
  list("noxq_arclength", list(coef = c(0.1, 0.05), sigma = 1, nodes = 40L)),
  list("sample_lmoments_c", list(x = yk, nmom = 4L)),
  list("noxq_fit_cf_c", list(x = yk)),
  list("al_band_model_star", list(sigma = 1.3, a = 0.1, b = 0.9, nodes = 30L)),
  list("al_scale", list(x = yk, a = 0.1, b = 0.9)),
  list("noxc_fit3", list(theta = th, nodes = 400L)),
  list("noxc_fit_fr", list(theta = th, nm = 2L, margin = 0.05, nodes = 256L)),
  list("noxc_dens_fr", list(theta = th, pre = c(1, 0.2), pim = c(0, 0.1), mu = 0.5, nodes = 64L)),
  list("noxc_temper_vm_trigmom", list(p = 2L, kappa = 1.5, mu = 0.3, s = 0.7, nodes = 500L)),
  list("noxc_exact_ci", list(theta = th, Bp = 19L, seedp = 2L, cgrid = c(-0.2, 0.3, 0.6),
                             statp = 1L, groupp = 0L, levp = 0.05)),
  list("noxc_gof", list(theta = th, c3p = 0.3, mup = 1, Bp = 49L, seedp = 4L)),
  list("noxk4_q", list(u = c(0.01, 0.5, 0.99), mu = 1, sg = 2, k = -0.2, h = 0.4)),
  list("noxk4_pdf", list(x = x, mu = 5, sg = 1.5, k = 0.1, h = 0.4)),
  list("noxk4_tau34", list(k = 0.1, h = 0.3, nodes = 40L)),
  list("noxk4_readings", list(theta = c(0, 1, 0, 1, 0.1, 0.3), grid = 3000L)),
  list("noxk4_band_trop_mean", list(x = x, theta = c(1, 5, 5, 1.5, 0.1, 0.4), sigma = 0.1,
                                    breaks = c(0, 4, 7, 10))),
  list("noxk4_fit_lmom", list(t3 = 0.1, t4 = 0.15, nodes = 30L)),
  list("noxk4_fit_nls", list(x = x, y = yk, start = c(1, log(5), 5, log(1.5), 0, log(0.5)))),
  list("noxk4_fit_nalr", list(x = x, y = yk, J = 6L, lambda = 1, w = 3L, p = 2,
                              start = c(1, log(5), 5, log(1.5), 0, log(0.5)))),
  list("noxk4_fit_varpro", list(x = x, y = yk, starts = c(5, log(1.5), 0, 0.5), maxit = 300L,
                                bounds = c(-1, 1, -1, 2), hfix = NaN)),
  list("noxk4_mv_boot", list(x = x, y = yk, cutx = 5, B = 2L, seed = 1L,
                             bounds = c(-1, 1, -1, 2), maxit = 100L)),
  list("noxeq_readings", list(alpha = 0.5, beta = 0.3, theta = c(0.1, -0.05), ngrid = 2000L)),
  list("noxeq2_bc_cdf", list(x = c(0.05, 0.2, 0.4), alpha = 0.5, beta = 0.3)),
  list("noxeq2_bstar", list(alpha = -0.6)),
  list("noxeqfit_blocklen", list(r = sin(1:50))),
  list("noxeqfit_k4eq", list(x = x, y = yk, starts = c(1, log(5), 5, log(1.5), 0), maxit = 300L,
                             lh = tab_h, lk = tab_k, hlo = 0.1, hhi = 0.6)),
  list("noxeqfit_k4eq_boot", list(x = x, y = yk, th = c(1, 5, 5, 1.5, 0.1, 0.4),
                                  p0in = c(1, log(5), 5, log(1.5), 0), B = 2L, seed = 7L,
                                  maxit = 200L, lh = tab_h, lk = tab_k, hlo = 0.1, hhi = 0.6)),
  list("noxeqfit_bc_boot", list(x = x, y = yk, th = c(1, 5, 1, 8, -0.6, bc_b[2]), B = 2L,
                                seed = 2L, maxit = 150L, cal = bc_a, cbe = bc_b, alo = -0.64,
                                ahi = -0.505)),
  list("noxeqfit_score_at", list(x = x, y = yk, mu = 1, sg = 8, al = -0.6, be = -0.3)),
  list("noxeqfit_taus", list(a0 = 1.5, b0 = 1.2, R = 3L, n = 40L, seed = 1L)),
  list("noxeqfit_absweep", list(ks = c(0, 0.1), h = 0.3)),
  # the remaining routines, one call each
  list("al_band_model", list(sigma = 1.3, a = 0.1, b = 0.9, nodes = 30L)),
  list("al_band_sample", list(x = yk, a = 0.1, b = 0.9)),
  list("al_scale_raw", list(x = yk, a = 0.1, b = 0.9)),
  list("noxvc_locus_dist", list(h = c(0.5, 2), k = c(1, -1), lh = c(0, 1, 3), lk = c(0, 0.5, 0))),
  list("noxq_qd", list(u = c(0.1, 0.5, 0.9), coef = c(0.1, 0.05), sigma = 1.2)),
  list("noxc_c3max", list()),
  list("noxc_qd3", list(u = c(0.1, 0.6), c3 = 0.3)),
  list("noxc_Q3", list(u = c(0.1, 0.6), c3 = 0.3)),
  list("noxc_dens3", list(theta = th, c3 = 0.3, mu = 1)),
  list("noxc_trigmom3", list(p = 2L, c3 = 0.3, mu = 1, nodes = 300L)),
  list("noxc_rand3", list(unif = c(0.05, 0.5, 0.95), c3 = -0.4, mu = 2)),
  list("noxc_qd_fr", list(u = c(0.1, 0.6), pre = c(1, 0.2), pim = c(0, 0.1))),
  list("noxc_trigmom_fr", list(p = 1L, pre = c(1, 0.2), pim = c(0, 0.1), mu = 0.5, nodes = 300L)),
  list("noxc_Q_fr", list(u = c(0.1, 0.6), pre = c(1, 0.2), pim = c(0, 0.1), nodes = 64L)),
  list("noxc_rand_fr", list(unif = c(0.1, 0.6), pre = c(1, 0.2), pim = c(0, 0.1), mu = 0.5,
                            nodes = 64L)),
  list("noxc_lmom", list(x = (th / (2 * pi)) %% 1, nm = 3L)),
  list("noxc_rho_from_lmom", list(ellre = c(0.1, 0.02), ellim = c(-0.05, 0.01))),
  list("noxc_qmin_rho", list(rhore = c(0.3, 0.1), rhoim = c(0.1, 0), nodes = 256L)),
  list("noxc_admiss", list(rhore = c(0.6, 0.3), rhoim = c(0.1, 0), margin = 0.05, nodes = 256L)),
  list("noxc_factorise", list(rhore = c(0.3, 0.1), rhoim = c(0.1, 0))),
  list("noxc_temper_vm", list(theta = th, kappa = 1.5, mu = 0.3, s = 0.7, nodes = 500L)),
  list("noxk4_cdf", list(x = x, mu = 5, sg = 1.5, k = 0.1, h = 0.4)),
  list("noxk4_band_model", list(theta = c(1, 5, 5, 1.5, 0.1, 0.4), breaks = c(0, 4, 7, 10),
                                nodes = 20L, p = 2)),
  list("noxk4_band_sample", list(x = x, y = yk, breaks = c(0, 4, 7, 10), p = 1.5)),
  list("noxk4_runmed", list(y = yk, w = 5L)),
  list("noxk4_fit_aleq", list(ysorted = sort(yk), bands = c(0.1, 0.4, 0.4, 0.9),
                              start = c(0, 0.3, log(0.5)))),
  list("noxk4_fit_nls_drift", list(x = x, y = yk, start = c(1, 0, log(5), 5, log(1.5), 0, log(0.5)))),
  list("noxeq_readings_vsl", list(lambda = 0.4, delta = 0.3, ngrid = 2000L)),
  list("noxeq2_bc_q", list(u = c(0.2, 0.7), alpha = 0.5, beta = 0.3)),
  list("noxeq2_bc_pdf", list(x = c(0.05, 0.2), alpha = 0.5, beta = 0.3)),
  list("noxeq2_ub_quad", list(alpha = 0.5, beta = 0.3)),
  list("noxeq2_E", list(alpha = -0.6, beta = -0.3)),
  list("noxeqfit_bc", list(x = x, y = yk, starts = c(1, log(5), 0, log(10), 0), np = 5L,
                           maxit = 100L, cal = bc_a, cbe = bc_b, alo = -0.64, ahi = -0.505)),
  list("noxeqfit_msim", list(nM = 8L, sde = 0.05, Rm = 1L, seed = 1L, th0 = c(1, 4, 1, 8, -0.6, bc_b[2]),
                             st5 = c(0, 0, 0), maxit = 5L, cal = bc_a, cbe = bc_b, alo = -0.64,
                             ahi = -0.505, thref = rep(c(1, 8, -0.6, bc_b[2]), 3))),
  list("noxeqfit_nullT", list(nM = 8L, sde = 0.05, R2 = 1L, seed = 2L, th0 = c(1, 4, 1, 8, -0.6, bc_b[2]),
                              st5 = c(0, 0, 0), maxit = 5L, cal = bc_a, cbe = bc_b, alo = -0.64,
                              ahi = -0.505)),
  list("noxeqfit_estsim", list(a0 = 1.5, b0 = 1.2, R = 2L, nsizes = c(12L, 15L), seed = 3L, maxit = 20L)),
  list("noxeqfit_bsweep", list(ks = c(0, 0.1), h = 0.3)),
  list("noxeqfit_Esweep", list(alpha = -0.6, bg = c(-0.5, -0.2)))
)

test_that("every routine called through the package gives the CMake build's bits", {
  expect_setequal(vapply(bit_cases, `[[`, "", 1), names(noxara:::.ll_table))
  cmake_lib()
  for (case in bit_cases) {
    fn <- case[[1]]
    got <- do.call(getExportedValue("noxara", fn), case[[2]])
    expect_identical(got, direct_call(fn, case[[2]]), label = fn)
  }
  xs <- c(-2, 0.3, 1, 4)
  want <- vapply(seq_along(xs), function(i)
    .C("noxk4_cdf", xs[i], 1L, 0.5, 1.2, -0.1, 0.4, out = double(1), PACKAGE = cmake_lib())$out, 0)
  expect_identical(k4_F(xs, 0.5, 1.2, -0.1, 0.4), want)
})

test_that("the routine table agrees with the public header, argument for argument", {
  hdr <- file.path(Sys.getenv("NOXARA_ROOT"), "include", "noxara.h")
  if (!file.exists(hdr)) skip("NOXARA_ROOT does not name the repository")
  text <- paste(readLines(hdr), collapse = " ")
  decls <- regmatches(text, gregexpr("NOXARA_API void [A-Za-z0-9_]+\\([^)]*\\)", text))[[1]]
  for (d in decls) {
    fn <- sub("NOXARA_API void ([A-Za-z0-9_]+)\\(.*", "\\1", d)
    if (fn == "noxk4_nmd" || grepl("_range$|_combine$", fn)) next
    args <- trimws(strsplit(sub(".*\\((.*)\\)", "\\1", d), ",")[[1]])
    cnames <- sub(".*[ *]", "", args)
    sig <- noxara:::.ll_sigs[[fn]]
    expect_false(is.null(sig), label = paste(fn, "in the table"))
    expect_identical(c(vapply(sig$inputs, `[[`, "", "name"), vapply(sig$outputs, `[[`, "", "name")),
                     cnames, label = fn)
  }
})

test_that("counts come from the lengths, and a given count must agree", {
  expect_identical(al_statistic(u = u), al_statistic(n = 5L, u = u))
  expect_identical(al_statistic(n = 5, u = u), al_statistic(u = u))
  expect_error(al_statistic(n = 200, u = u), "'u' has length 5 but must have length n = 200")
  expect_error(noxk4_band_model(theta = c(0, 1, 0, 1, 0, 0.5), breaks = c(0, 1, 2), J = 3L,
                                nodes = 10L, p = 2), "'breaks'")
  expect_error(noxk4_fit_varpro(x = x, y = yk, starts = 1:6, maxit = 5L, bounds = c(-1, 1, -1, 2),
                                hfix = NaN), "'nstart' cannot be taken")
})

test_that("arguments are matched by name, whatever their order", {
  a <- noxk4_cdf(x = c(0, 1), mu = 0, sg = 1, k = 0.1, h = 0.4)
  expect_identical(noxk4_cdf(h = 0.4, k = 0.1, sg = 1, mu = 0, x = c(0, 1)), a)
  expect_false(identical(noxk4_cdf(x = c(0, 1), mu = 0, sg = 1, k = 0.4, h = 0.1), a))
})

test_that("host mistakes give an error naming the argument", {
  mistakes <- list(
    list(quote(noxk4_fit_nls(x = x, y = yk, n = 30.5, start = rep(0, 6))), "'n'"),
    list(quote(noxk4_fit_nls(x = x, y = yk, start = rep(0, 5))), "'start'"),
    list(quote(noxk4_fit_nls(x = x, start = rep(0, 6))), "'y' is missing"),
    list(quote(noxk4_fit_nls(x = x, y = yk[-1], start = rep(0, 6))), "'y'"),
    list(quote(al_moments(n = -1L)), "'n' must be >= 0"),
    list(quote(al_moments(n = NA)), "'n'"),
    list(quote(al_moments(n = c(2, 3))), "'n'"),
    list(quote(al_statistic(u = c("a", "b"))), "'u' must be numeric"),
    list(quote(al_pvalue(s = c(1, 2), n = 5L)), "'s' must be a single number"),
    list(quote(noxk4_readings(theta = c(0, 1, 0, 1, 0, 0.5), grid = 1e9)), "'grid' exceeds"),
    list(quote(noxk4_tau34(k = 0, h = 0, nodes = 1e5)), "'nodes' exceeds"),
    list(quote(noxk4_fit_varpro(x = x, y = yk, starts = rep(0, 4), maxit = 1e7,
                                bounds = c(-1, 1, -1, 2), hfix = NaN)), "'maxit' exceeds"),
    list(quote(bb_ref(n = 5L, D = 1e6, m = 1e6, seed = 1L)), "output 'out'"),
    list(quote(noxeqfit_bc(x = x, y = yk, starts = rep(0, 8), np = 4L, maxit = 10L,
                           cal = 1:2, cbe = 1:2, alo = 0, ahi = 1)), "'np' must be one of 5, 6"),
    list(quote(noxeqfit_estsim(a0 = 1, b0 = 1, R = 1L, nsizes = c(10, -1), seed = 1L, maxit = 10L)),
         "'nsizes'"),
    list(quote(noxvc_icc_oneway(y = 1:4, g = c(0, 1, 0.5, 1), ng = 2L)), "'g'"),
    list(quote(noxc_gof(theta = th, c3p = 0.3, mup = 1, Bp = 9L, seedp = 1L, chunks = 0)), "'chunks'"),
    list(quote(noxk4_nmd(function(p) "a", c(0, 0), 10)), "single number"),
    list(quote(noxk4_nmd(function(p) stop("inside"), c(0, 0), 10)), "raised an error"),
    list(quote(noxk4_nmd(function(p) sum(p^2), numeric(8), 10)), "'start'")
  )
  for (m in mistakes) expect_error(eval(m[[1]]), m[[2]], label = deparse(m[[1]])[1])
})

test_that("outputs are NaN-prefilled and domain failures stay NaN", {
  r <- noxk4_fit_varpro(x = x, y = yk, starts = numeric(0), maxit = 10L, bounds = c(-1, 1, -1, 2),
                        hfix = NaN)$out
  expect_true(all(is.nan(r[1:7])))
  expect_identical(r[8], Inf)
  expect_true(all(is.nan(noxeqfit_bc_boot(x = 1, y = 1, th = c(1, 5, 1, 8, -0.6, -0.3), B = 3L,
                                          seed = 1L, maxit = 5L, cal = bc_a, cbe = bc_b,
                                          alo = -0.6, ahi = -0.5)$out_a)))
  expect_identical(noxk4_pdf(x = 1e6, mu = 0, sg = 1, k = 0.5, h = 0.3)$out, 0)
})

test_that("the minimiser reaches the minimum of an R objective", {
  r <- noxk4_nmd(function(p) (p[1] - 1)^2 + (p[2] + 2)^2, c(0, 0), 1000)
  expect_equal(r$xout, c(1, -2), tolerance = 1e-9)
  expect_lt(r$fout, 1e-15)
})
