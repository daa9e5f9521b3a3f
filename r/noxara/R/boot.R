# Bootstraps of curve readings: result objects with quantile intervals.

.boot_result <- function(estimate, replicates, what, method, extra = list()) {
  structure(c(list(estimate = estimate, replicates = replicates, what = what, method = method), extra),
            class = "noxara_boot")
}

#' Bootstrap results: printing and quantile intervals
#'
#' Results of \code{\link{reading_bootstrap}}, \code{\link{bc_bootstrap}} and
#' \code{\link{k4eq_bootstrap}}: \code{estimate} (the reading of the data),
#' \code{replicates} (a vector, or a matrix with one column per method, NaN
#' where a replicate's fit failed). \code{confint} gives percentile intervals
#' of the finite replicates.
#'
#' @param object,x a \code{"noxara_boot"} object.
#' @param parm columns (names or numbers) for a matrix of replicates; all by default.
#' @param level confidence level.
#' @param digits significant digits.
#' @param ... unused.
#' @return \code{confint}: a matrix with one row per quantity and the lower
#'   and upper quantiles as columns.
#' @examples
#' x <- seq(0, 10, length.out = 30)
#' y <- 2 + 3 * pkappa4(x, mu = 4, sg = 1, k = 0.1, h = 0.3) + 0.05 * sin(5 * x)
#' tab <- list(h = c(0.1, 0.3, 0.6), k = c(0.05, 0.1, 0.2))
#' fit <- k4eq_curve_fit(x, y, table = tab)
#' b <- k4eq_bootstrap(fit, B = 5, seed = 1)
#' b
#' confint(b)
#' @name noxara_boot
NULL

#' @rdname noxara_boot
#' @export
confint.noxara_boot <- function(object, parm, level = 0.95, ...) {
  if (!is.numeric(level) || length(level) != 1L || !(level > 0 && level < 1))
    stop("confint: argument 'level' must be a single number in (0, 1)", call. = FALSE)
  A <- as.matrix(object$replicates)
  if (is.null(colnames(A))) colnames(A) <- object$what
  if (!missing(parm)) A <- A[, parm, drop = FALSE]
  a <- (1 - level) / 2
  qs <- t(apply(A, 2, function(v) {
    v <- v[is.finite(v)]
    if (length(v)) stats::quantile(v, c(a, 1 - a), names = FALSE) else c(NaN, NaN)
  }))
  colnames(qs) <- sprintf("%g %%", 100 * c(a, 1 - a))
  qs
}

#' @rdname noxara_boot
#' @export
print.noxara_boot <- function(x, digits = 4, ...) {
  A <- as.matrix(x$replicates)
  cat(x$method, ": ", nrow(A), " replicates\n\n", sep = "")
  ci <- stats::confint(x)
  ok <- colSums(is.finite(A))
  tab <- cbind(estimate = x$estimate, ci, `finite replicates` = ok)
  rownames(tab) <- if (is.null(colnames(A))) x$what else colnames(A)
  print(signif(tab, digits))
  invisible(x)
}

#' Multi-method bootstrap of the tangent-intercept reading
#'
#' Reads the tangent intercept of a kappa-4 growth curve by eight fitting
#' methods, for the data and for \code{B} moving-block bootstrap replicates
#' (\code{\link{noxk4_mv_boot}}). Replicate \code{b} depends only on
#' \code{seed} and \code{b}.
#'
#' @param x,y numeric vectors of equal length (at least 4 points).
#' @param cutx threshold of the subset method (method 6); default the median of x.
#' @param B number of replicates.
#' @param seed integer seed.
#' @param bounds k and h ranges of the variable-projection fits, (k min, k max, h min, h max).
#' @param maxit iteration limit of each fit.
#' @param chunks number of shards to split the replicates into (see
#'   \code{\link{noxara_shards}}); 1 runs one call.
#' @return A \code{"noxara_boot"} object: \code{estimate} (8 readings of the
#'   data) and \code{replicates} (a B x 8 matrix; NaN where a method fails).
#'   The methods: the variable-projection fit with h free or h = 0, whichever
#'   the data prefer (\code{selected}); least squares after running medians of
#'   9 and 21 points; the band arc-length fit (\code{nalr}); the h = 0 fit;
#'   and the selected fit on the points with x at least \code{cutx}, on the
#'   even-indexed and on the odd-indexed points (each needs more than 30
#'   points, otherwise NaN).
#' @examples
#' x <- seq(0, 10, length.out = 30)
#' y <- 1 + 5 * pkappa4(x, mu = 5, sg = 1.5, k = 0.1, h = 0.4) + 0.05 * sin(7 * x)
#' b <- reading_bootstrap(x, y, B = 3, seed = 1, maxit = 100)
#' b
#' @export
reading_bootstrap <- function(x, y, cutx = stats::median(x), B = 200, seed = 1,
                              bounds = c(-1, 1, -1, 2), maxit = 500, chunks = 1) {
  d <- .xy(x, y, "reading_bootstrap")
  r <- noxk4_mv_boot(x = d$x, y = d$y, cutx = cutx, B = B, seed = seed, bounds = bounds,
                     maxit = maxit, chunks = chunks)
  nm <- c("selected", "runmed9_nls", "runmed21_nls", "nalr", "varpro_h0", "above_cutx",
          "even_points", "odd_points")
  A <- matrix(r$A, ncol = 8, byrow = TRUE, dimnames = list(NULL, nm))
  .boot_result(stats::setNames(r$a_pt, nm), A, nm, "Multi-method reading bootstrap")
}

#' Constraint table of the bc curve
#'
#' The table of (alpha, beta) pairs on the curve where the bc family's
#' reading equation holds (\code{\link{noxeq2_bstar}}), for the constrained
#' bc fit and its bootstrap. Alpha values without a solution are dropped
#' (solutions exist for alpha between about -0.64 and -0.505).
#'
#' @param alpha increasing alpha values.
#' @return A list with \code{alpha} and \code{beta}.
#' @examples
#' bc_constraint(seq(-0.64, -0.5, by = 0.02))
#' @export
bc_constraint <- function(alpha = seq(-0.64, -0.505, by = 0.005)) {
  alpha <- .numv(alpha, "alpha", "bc_constraint")
  be <- vapply(alpha, function(a) noxeq2_bstar(alpha = a)$out, 0)
  ok <- is.finite(be)
  list(alpha = alpha[ok], beta = be[ok])
}

.bc_table <- function(table, fn) {
  if (!is.list(table) || is.null(table$alpha) || is.null(table$beta))
    stop(sprintf("%s: argument 'table' must be a list with 'alpha' and 'beta' (see bc_constraint())", fn),
         call. = FALSE)
  if (length(table$alpha) != length(table$beta) || length(table$alpha) < 2L)
    stop(sprintf("%s: argument 'table' needs 'alpha' and 'beta' of equal length, at least 2", fn),
         call. = FALSE)
  table
}

#' Fit of the bc curve, with its bootstrap
#'
#' \code{bc_curve_fit} fits \eqn{y = g_0 + g_1 F(z B)},
#' \eqn{z = (x - \mu)/s_r} clamped to (0, 1), \eqn{F} the bc distribution
#' function (\code{\link{pbc}}), by least squares from several starts
#' (\code{\link{noxeqfit_bc}}). With a constraint \code{table} beta is tied
#' to alpha (five free parameters; alpha between \code{alo} and \code{ahi});
#' without, all six are free. \code{bc_bootstrap} refits the constrained
#' curve to \code{B} moving-block bootstrap replicates and returns the
#' tangent-foot reading of each (\code{\link{noxeqfit_bc_boot}}).
#'
#' @param x,y numeric vectors of equal length.
#' @param table constraint table, a list with \code{alpha} and \code{beta}
#'   (for example \code{bc_constraint()}); \code{NULL} for the free fit.
#' @param starts matrix of starts, one row per start, in the fit's
#'   coordinates (g0, log g1, mu, log sr, alpha logit, [beta logit]); by
#'   default three starts read off the data.
#' @param maxit iteration limit of each minimiser run.
#' @param alo,ahi range of alpha for the constrained fit (default: the table's range).
#' @param fit a \code{"bc_fit"} from \code{bc_curve_fit} with a table.
#' @param B number of replicates.
#' @param seed integer seed.
#' @param chunks number of shards (see \code{\link{noxara_shards}}).
#' @return \code{bc_curve_fit}: a \code{"bc_fit"} list with \code{theta}
#'   (g0, g1, mu, sr, alpha, beta), \code{rss}, \code{readings} (tangent
#'   foot, inflection), all NaN when no fit was found. \code{bc_bootstrap}: a
#'   \code{"noxara_boot"} object.
#' @examples
#' tab <- bc_constraint()
#' x <- seq(0, 10, length.out = 25)
#' al <- tab$alpha[10]; be <- tab$beta[10]
#' z <- pmin(pmax((x - 1) / 8, 1e-9), 1 - 1e-9)
#' y <- 1 + 4 * pbc(z * beta(al + 1, be + 1), al, be) + 0.02 * cos(3 * x)
#' fit <- bc_curve_fit(x, y, table = tab, maxit = 200)
#' fit
#' bc_bootstrap(fit, B = 3, seed = 1)
#' @export
bc_curve_fit <- function(x, y, table = NULL, starts = NULL, maxit = 1000,
                         alo = NULL, ahi = NULL) {
  fn <- "bc_curve_fit"
  d <- .xy(x, y, fn)
  np <- if (is.null(table)) 6L else 5L
  if (!is.null(table)) {
    table <- .bc_table(table, fn)
    if (is.null(alo)) alo <- min(table$alpha)
    if (is.null(ahi)) ahi <- max(table$alpha)
  } else {
    table <- list(alpha = numeric(0), beta = numeric(0)); alo <- 0; ahi <- 0
  }
  if (is.null(starts)) {
    g0 <- min(d$y); g1 <- max(d$y) - g0; if (!(g1 > 0)) g1 <- 1
    sr <- diff(range(d$x)); if (!(sr > 0)) sr <- 1
    base <- c(g0, log(g1), min(d$x), log(sr))
    starts <- if (np == 5L) rbind(c(base, 0), c(base, -1.5), c(base, 1.5))
              else rbind(c(base, 0, 0), c(base, 1, -1), c(base, -1, 1))
  }
  if (is.matrix(starts)) {
    if (ncol(starts) != np)
      stop(sprintf("%s: argument 'starts' must have %d columns", fn, np), call. = FALSE)
    starts <- as.vector(t(starts))
  }
  o <- noxeqfit_bc(x = d$x, y = d$y, starts = starts, np = np, maxit = maxit,
                   cal = table$alpha, cbe = table$beta, alo = alo, ahi = ahi)$out
  structure(list(theta = stats::setNames(o[1:6], c("g0", "g1", "mu", "sr", "alpha", "beta")),
                 rss = o[7], readings = stats::setNames(o[8:9], c("tangent_foot", "inflection")),
                 constrained = np == 5L, table = table, alo = alo, ahi = ahi, maxit = maxit,
                 x = d$x, y = d$y),
            class = "bc_fit")
}

#' @rdname bc_curve_fit
#' @export
bc_bootstrap <- function(fit, B = 200, seed = 1, maxit = fit$maxit, chunks = 1) {
  if (!inherits(fit, "bc_fit") || !fit$constrained)
    stop("bc_bootstrap: argument 'fit' must be a constrained fit from bc_curve_fit(table = ...)", call. = FALSE)
  if (!all(is.finite(fit$theta)))
    stop("bc_bootstrap: argument 'fit' holds no fitted curve (the fit failed)", call. = FALSE)
  r <- noxeqfit_bc_boot(x = fit$x, y = fit$y, th = unname(fit$theta), B = B, seed = seed,
                        maxit = maxit, cal = fit$table$alpha, cbe = fit$table$beta,
                        alo = fit$alo, ahi = fit$ahi, chunks = chunks)$out_a
  .boot_result(c(tangent_foot = unname(fit$readings[1])), r, "tangent_foot",
               "Block bootstrap of the bc tangent foot")
}

#' @export
print.bc_fit <- function(x, digits = 4, ...) {
  cat("bc curve fit (", if (x$constrained) "beta tied to alpha" else "six free parameters", ") of ",
      length(x$x), " points\n", sep = "")
  print(signif(x$theta, digits))
  cat("Readings:\n")
  print(signif(x$readings, digits))
  cat("Residual sum of squares:", format(signif(x$rss, digits)), "\n")
  invisible(x)
}

#' Kappa-4 curve fit with k tied to h, with its bootstrap
#'
#' \code{k4eq_curve_fit} fits \eqn{y = g_0 + g_1 F(x; \mu, \sigma, k, h)}
#' with \eqn{k} read from a table of (h, k) pairs at \eqn{h}
#' (\code{\link{noxeqfit_k4eq}}); \code{k4eq_bootstrap} bootstraps its
#' tangent intercept over moving-block replicates
#' (\code{\link{noxeqfit_k4eq_boot}}).
#'
#' @param x,y numeric vectors of equal length.
#' @param table a list with increasing \code{h} and the \code{k} at each.
#' @param starts matrix of starts (rows of g0, log g1, mu, log sg, h logit);
#'   by default three starts read off the data.
#' @param maxit iteration limit of each minimiser run.
#' @param hlo,hhi range of h (default: the table's range).
#' @param fit a \code{"k4eq_fit"}.
#' @param B number of replicates.
#' @param seed integer seed.
#' @param chunks number of shards (see \code{\link{noxara_shards}}).
#' @return \code{k4eq_curve_fit}: a \code{"k4eq_fit"} list with \code{theta}
#'   (g0, g1, mu, sg, k, h), \code{rss} and \code{reading} (the tangent
#'   intercept); \code{k4eq_bootstrap}: a \code{"noxara_boot"} object.
#' @examples
#' x <- seq(0, 10, length.out = 30)
#' y <- 2 + 3 * pkappa4(x, mu = 4, sg = 1, k = 0.1, h = 0.3)
#' fit <- k4eq_curve_fit(x, y, table = list(h = c(0.1, 0.3, 0.6), k = c(0.05, 0.1, 0.2)))
#' fit
#' @export
k4eq_curve_fit <- function(x, y, table, starts = NULL, maxit = 1000, hlo = NULL, hhi = NULL) {
  fn <- "k4eq_curve_fit"
  d <- .xy(x, y, fn)
  if (missing(table) || !is.list(table) || is.null(table$h) || is.null(table$k) ||
      length(table$h) != length(table$k) || length(table$h) < 2L)
    stop(sprintf("%s: argument 'table' must be a list with 'h' and 'k' of equal length, at least 2", fn),
         call. = FALSE)
  if (is.null(hlo)) hlo <- min(table$h)
  if (is.null(hhi)) hhi <- max(table$h)
  if (is.null(starts)) {
    s <- .k4_start(d$x, d$y)
    base <- c(s$g0, log(s$g1), s$mu, log(s$sg))
    starts <- rbind(c(base, 0), c(base, -2), c(base, 2))
  }
  if (is.matrix(starts)) {
    if (ncol(starts) != 5L) stop(sprintf("%s: argument 'starts' must have 5 columns", fn), call. = FALSE)
    starts <- as.vector(t(starts))
  }
  o <- noxeqfit_k4eq(x = d$x, y = d$y, starts = starts, maxit = maxit, lh = table$h,
                     lk = table$k, hlo = hlo, hhi = hhi)$out
  th <- stats::setNames(o[1:6], c("g0", "g1", "mu", "sg", "k", "h"))
  p4 <- if (hhi > hlo) stats::qlogis((th[["h"]] - hlo) / (hhi - hlo)) else 0
  structure(list(theta = th, rss = o[7], reading = c(tangent_intercept = o[8]),
                 p0 = c(th[["g0"]], log(th[["g1"]]), th[["mu"]], log(th[["sg"]]), p4),
                 table = table, hlo = hlo, hhi = hhi, maxit = maxit, x = d$x, y = d$y),
            class = "k4eq_fit")
}

#' @rdname k4eq_curve_fit
#' @export
k4eq_bootstrap <- function(fit, B = 200, seed = 1, maxit = fit$maxit, chunks = 1) {
  if (!inherits(fit, "k4eq_fit"))
    stop("k4eq_bootstrap: argument 'fit' must come from k4eq_curve_fit()", call. = FALSE)
  if (!all(is.finite(fit$theta)) || !all(is.finite(fit$p0)))
    stop("k4eq_bootstrap: argument 'fit' holds no usable fitted curve (the fit failed)", call. = FALSE)
  r <- noxeqfit_k4eq_boot(x = fit$x, y = fit$y, th = unname(fit$theta), p0in = fit$p0, B = B,
                          seed = seed, maxit = maxit, lh = fit$table$h, lk = fit$table$k,
                          hlo = fit$hlo, hhi = fit$hhi, chunks = chunks)$out_a
  .boot_result(fit$reading, r, "tangent_intercept",
               "Block bootstrap of the constrained kappa-4 tangent intercept")
}

#' @export
print.k4eq_fit <- function(x, digits = 4, ...) {
  cat("Kappa-4 curve fit with k tied to h, ", length(x$x), " points\n", sep = "")
  print(signif(x$theta, digits))
  cat("Tangent intercept:", format(signif(x$reading, digits)),
      "  residual sum of squares:", format(signif(x$rss, digits)), "\n")
  invisible(x)
}
