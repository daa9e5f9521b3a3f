#!/usr/bin/env Rscript
# Times the library against R on the same inputs, in one process.
#
# Run by hand (not by CI), after building the library:
#   Rscript bench/peers/peer_bench.R [path/to/libnoxara.so] [reps]
# Prints, per operation, the median CPU time of the library and of R and their
# ratio (library / R: below 1 the library is faster), with the largest
# difference of the results as a sanity check. Kappa-4 functions have no R
# counterpart in base R: the peer is the same formula written in vectorised R.

args <- commandArgs(trailingOnly = TRUE)
file_arg <- sub("^--file=", "", grep("^--file=", commandArgs(FALSE), value = TRUE))
here <- if (length(file_arg)) dirname(normalizePath(file_arg)) else getwd()
root <- normalizePath(file.path(here, "..", ".."))
lib <- normalizePath(if (length(args) >= 1) args[1] else file.path(root, "build", "libnoxara.so"))
reps <- if (length(args) >= 2) as.integer(args[2]) else 7L
dyn.load(lib)

cpu_now <- function() {
  t <- proc.time()
  t[["user.self"]] + t[["sys.self"]]
}
# Median over reps samples; each sample repeats f enough times to span about
# 0.1 s, so the coarse CPU clock does not dominate.
cpu_median <- function(f) {
  f()
  inner <- 1L
  repeat {
    t0 <- cpu_now()
    for (i in seq_len(inner)) f()
    if (cpu_now() - t0 >= 0.1 || inner >= 2^20) break
    inner <- inner * 4L
  }
  ts <- vapply(seq_len(reps), function(r) {
    t0 <- cpu_now()
    for (i in seq_len(inner)) f()
    (cpu_now() - t0) / inner
  }, 0.0)
  median(ts)
}

rows <- list()
add <- function(name, peer, lib_fn, peer_fn, per = 1) {
  d <- max(abs(lib_fn() - peer_fn()))
  rows[[length(rows) + 1]] <<- data.frame(
    operation = name, peer = peer, lib_ms = 1e3 * cpu_median(lib_fn) / per,
    peer_ms = 1e3 * cpu_median(peer_fn) / per, max_diff = d)
}

set.seed(20261208)
n <- 100000L
mu <- 0.5; sg <- 1.3; k <- 0.2; h <- 0.4
x <- runif(n, -2, 4)
u <- runif(n)

k4_cdf_r <- function(x) {
  z <- 1 - k * (x - mu) / sg
  y <- ifelse(z > 0, z^(1 / k), 0)
  w <- 1 - h * y
  ifelse(w > 0, w^(1 / h), 0)
}
k4_q_r <- function(u) mu + sg / k * (1 - ((1 - u^h) / h)^k)
k4_pdf_r <- function(x) {
  z <- 1 - k * (x - mu) / sg
  y <- ifelse(z > 0, z^(1 / k), 0)
  F <- k4_cdf_r(x)
  ifelse(z > 0 & y > 0 & F > 0, F^(1 - h) / sg * y / z, 0)
}
for (op in list(list("noxk4_cdf", x, k4_cdf_r), list("noxk4_q", u, k4_q_r),
                list("noxk4_pdf", x, k4_pdf_r))) {
  local({
    nm <- op[[1]]; arg <- op[[2]]; pf <- op[[3]]
    add(paste0(nm, " (1e5)"), "R formula",
        function() .C(nm, arg, n, mu, sg, k, h, out = double(n))$out,
        function() pf(arg))
  })
}

# Incomplete beta and its inverse: Q(u) = B*I_u(1+al, 1+be) and F = Q^-1.
al <- 0.7; be <- 1.9
A <- 1 + al; Bp <- 1 + be; Bf <- beta(A, Bp)
m <- 20000L
uu <- runif(m)
xx <- runif(m) * Bf
add("noxeq2_bc_q (2e4)", "R pbeta",
    function() .C("noxeq2_bc_q", m, uu, al, be, out = double(m))$out,
    function() Bf * pbeta(uu, A, Bp))
add("noxeq2_bc_cdf (2e4)", "R qbeta",
    function() .C("noxeq2_bc_cdf", m, xx, al, be, out = double(m))$out,
    function() qbeta(xx / Bf, A, Bp))

# Nelder-Mead: the library with a C objective (a small driver built now)
# against optim with an R objective.
td <- tempfile("peer")
dir.create(td)
so <- file.path(td, paste0("nm_objectives", .Platform$dynlib.ext))
libdir <- dirname(lib)
status <- system2("cc", c("-shared", "-fPIC", "-O2", "-ffp-contract=off",
                          "-I", shQuote(file.path(root, "include")),
                          shQuote(file.path(here, "nm_objectives.c")), "-o", shQuote(so),
                          "-L", shQuote(libdir), "-lnoxara",
                          paste0("-Wl,-rpath,", libdir)))
stopifnot(status == 0)
dyn.load(so)
d <- 4L
wq <- seq_len(d)
peer_obj <- list(
  function(p) sum((p - wq)^2 * wq),
  function(p) sum(100 * (p[-1] - p[-d]^2)^2 + (1 - p[-d])^2))
for (which in 0:1) {
  local({
    maxit <- if (which == 0) 400L else 2000L
    cnt <- 50L
    nm <- c("quadratic", "rosenbrock")[which + 1]
    add(paste0("noxk4_nmd ", nm, " d=4 (per call)"), "R optim Nelder-Mead",
        function() .C("peer_nmd", as.integer(which), d, double(d), maxit, cnt,
                      xout = double(d), fout = double(1))$fout,
        function() {
          for (i in seq_len(cnt))
            r <- optim(double(d), peer_obj[[which + 1]], method = "Nelder-Mead",
                       control = list(maxit = maxit, reltol = 1e-12))
          r$value
        }, per = cnt)
  })
}

# Sample L-moments and the arc-length statistic (both sort the sample).
xs <- rnorm(n)
lmom_r <- function(x) {
  s <- sort(x); nn <- length(s); i <- 0:(nn - 1)
  b0 <- mean(s)
  b1 <- sum(i / (nn - 1) * s) / nn
  b2 <- sum(i * (i - 1) / ((nn - 1) * (nn - 2)) * s) / nn
  b3 <- sum(i * (i - 1) * (i - 2) / ((nn - 1) * (nn - 2) * (nn - 3)) * s) / nn
  c(b0, 2 * b1 - b0, 6 * b2 - 6 * b1 + b0, 20 * b3 - 30 * b2 + 12 * b1 - b0)
}
add("sample_lmoments_c (1e5)", "R sort+PWM",
    function() .C("sample_lmoments_c", xs, n, 4L, out = double(4))$out,
    function() lmom_r(xs))
us <- runif(n)
add("al_statistic (1e5)", "R sort+diff",
    function() .C("al_statistic", n, us, out = double(1))$out,
    function() {
      s <- sort(us); cc <- 1 / (n + 1)
      sum(sqrt(diff(c(0, s))^2 + cc^2)) + sqrt(cc^2 + (1 - s[n])^2)
    })

tab <- do.call(rbind, rows)
tab$ratio <- tab$lib_ms / tab$peer_ms
fmt <- data.frame(operation = tab$operation, peer = tab$peer,
                  `library ms` = sprintf("%.3f", tab$lib_ms),
                  `peer ms` = sprintf("%.3f", tab$peer_ms),
                  ratio = signif(tab$ratio, 3),
                  `max |diff|` = sprintf("%.2e", tab$max_diff), check.names = FALSE)
options(width = 200)
print(fmt, row.names = FALSE, right = FALSE)
