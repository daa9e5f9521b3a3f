has_ranges <- function() exists("C_noxc_gof_range", envir = asNamespace("noxara"), inherits = FALSE)

th <- noxc_rand3(unif = (1:25 - 0.3) / 25, c3 = 0.3, mu = 1)$out
x <- seq(0, 10, length.out = 30)
yk <- 1 + 5 * k4_F(x, 5, 1.5, 0.1, 0.4) + 0.05 * sin(7 * x)
shard_cases <- list(
  list("noxc_gof", list(theta = th, c3p = 0.3, mup = 1, Bp = 23L, seedp = 4L)),
  list("noxc_exact_ci", list(theta = th, Bp = 9L, seedp = 2L, cgrid = c(-0.4, 0, 0.3, 0.6, 0.9),
                             statp = 1L, groupp = 0L, levp = 0.05)),
  list("noxk4_mv_boot", list(x = x, y = yk, cutx = 5, B = 3L, seed = 1L,
                             bounds = c(-1, 1, -1, 2), maxit = 60L)),
  list("noxeqfit_estsim", list(a0 = 1.5, b0 = 1.2, R = 3L, nsizes = c(12L, 15L), seed = 3L,
                               maxit = 20L))
)

run_all_splits <- function() {
  ns <- asNamespace("noxara")
  for (case in shard_cases) {
    if (!exists(paste0("C_", case[[1]], "_range"), envir = ns, inherits = FALSE)) next
    f <- getExportedValue("noxara", case[[1]])
    whole <- do.call(f, case[[2]])
    for (k in c(2, 3, 100)) {
      expect_identical(do.call(f, c(case[[2]], list(chunks = k))), whole,
                       label = sprintf("%s in %d chunks", case[[1]], k))
    }
  }
}

test_that("shards reassembled equal the one call, under a sequential plan", {
  skip_if_not(has_ranges(), "library without replicate ranges")
  skip_if_not_installed("future.apply")
  old <- future::plan(future::sequential)
  on.exit(future::plan(old))
  run_all_splits()
})

test_that("shards reassembled equal the one call on two local workers", {
  skip_if_not(has_ranges(), "library without replicate ranges")
  skip_if_not_installed("future.apply")
  old <- future::plan(future::multisession, workers = 2)
  on.exit(future::plan(old))
  run_all_splits()
})

test_that("chunks = 1 is the plain call and a bad chunk count is an error", {
  a <- noxc_gof(theta = th, c3p = 0.3, mup = 1, Bp = 9L, seedp = 1L)
  expect_identical(noxc_gof(theta = th, c3p = 0.3, mup = 1, Bp = 9L, seedp = 1L, chunks = 1), a)
  expect_error(noxc_gof(theta = th, c3p = 0.3, mup = 1, Bp = 9L, seedp = 1L, chunks = 1.5), "'chunks'")
  expect_identical(noxara:::.shard_ranges(7, 3),
                   list(c(first = 0, count = 2), c(first = 2, count = 2), c(first = 4, count = 3)))
})

test_that("a failing shard raises with its range, and wrappers pass chunks through", {
  skip_if_not(has_ranges(), "library without replicate ranges")
  skip_if_not_installed("future.apply")
  old <- future::plan(future::sequential)
  on.exit(future::plan(old))
  ca <- noxara:::.ll_args("noxc_gof", list(theta = th, c3p = 0.3, mup = 1, Bp = 10L, seedp = 1L))
  ca$inputs$seedp <- NULL  # a malformed shard: the registered routine refuses the call
  expect_error(noxara:::.ll_sharded("noxc_gof", ca, 2L), "noxc_gof replicates 0..4")
  e <- estimation_study(1.5, 1.2, R = 3, sizes = c(12, 15), maxit = 20, chunks = 2)
  expect_identical(dim(e), c(3L, 6L, 2L))
  expect_identical(as.vector(e), noxeqfit_estsim(a0 = 1.5, b0 = 1.2, R = 3L, nsizes = c(12L, 15L),
                                                 seed = 1L, maxit = 20L)$out)
})
