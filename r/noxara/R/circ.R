# Circular fits, Monte Carlo interval and goodness of fit.

.angles <- function(theta, fn) {
  if (missing(theta)) stop(sprintf("%s: argument 'theta' is missing, with no default", fn), call. = FALSE)
  theta <- .numv(theta, "theta", fn)
  if (length(theta) < 1L || any(!is.finite(theta)))
    stop(sprintf("%s: argument 'theta' must hold at least one finite angle", fn), call. = FALSE)
  theta
}

#' Moment fit of the cubic circular family
#'
#' Fits location and shape of the cubic circular family
#' (\code{\link{dcirc3}}) to angles by the first trigonometric moment
#' (\code{\link{noxc_fit3}}).
#'
#' @param theta angles in radians.
#' @param nodes midpoint-rule nodes of the moment integrals.
#' @return A list of class \code{"circ3_fit"}: \code{mu} (in
#'   \eqn{[-\pi, \pi)}), \code{c3}, \code{rbar} (mean resultant length) and
#'   \code{solved} (FALSE when c3 was clipped to the admissible bound).
#' @examples
#' set.seed(1)
#' circ3_fit(rcirc3(200, c3 = 0.4, mu = 1))
#' @export
circ3_fit <- function(theta, nodes = 2000) {
  o <- noxc_fit3(theta = .angles(theta, "circ3_fit"), nodes = nodes)$out
  structure(list(mu = o[1], c3 = o[2], rbar = o[3], solved = isTRUE(o[4] == 1), n = length(theta)),
            class = "circ3_fit")
}

#' @export
print.circ3_fit <- function(x, digits = 4, ...) {
  cat("Cubic circular family, moment fit of ", x$n, " angles\n", sep = "")
  print(signif(c(mu = x$mu, c3 = x$c3, rbar = x$rbar), digits))
  if (!x$solved) cat("(c3 clipped to the admissible bound)\n")
  invisible(x)
}

#' Monte Carlo confidence interval for the cubic shape
#'
#' Inverts a Monte Carlo test of the shape \eqn{c_3} of the cubic circular
#' family over a grid (\code{\link{noxc_exact_ci}}): every grid value gets a
#' two-sided p-value from \code{B} simulated samples (its own random stream),
#' and the interval runs from the first to the last grid value (in grid
#' order) whose p-value exceeds \code{1 - level}.
#'
#' @param theta angles in radians.
#' @param grid candidate values of \eqn{c_3}.
#' @param B simulated samples per grid value.
#' @param seed integer seed.
#' @param statistic \code{"arclength"} or \code{"resultant"}.
#' @param group number of bins the data were recorded on (0: none).
#' @param level confidence level.
#' @param chunks number of shards of the grid (see \code{\link{noxara_shards}}).
#' @return A list of class \code{"circ3_interval"}: \code{interval},
#'   \code{statistic}, \code{grid} and \code{p.values}.
#' @examples
#' set.seed(1)
#' th <- rcirc3(40, c3 = 0.3)
#' circ3_interval(th, grid = seq(-0.6, 1, by = 0.2), B = 49)
#' @export
circ3_interval <- function(theta, grid = seq(-1, 1, by = 0.05), B = 199, seed = 1,
                           statistic = c("arclength", "resultant"), group = 0, level = 0.95,
                           chunks = 1) {
  fn <- "circ3_interval"
  statistic <- match.arg(statistic)
  if (!is.numeric(level) || length(level) != 1L || !(level > 0 && level < 1))
    stop(sprintf("%s: argument 'level' must be a single number in (0, 1)", fn), call. = FALSE)
  o <- noxc_exact_ci(theta = .angles(theta, fn), Bp = B, seedp = seed, cgrid = grid,
                     statp = if (statistic == "arclength") 1L else 0L, groupp = group,
                     levp = 1 - level, chunks = chunks)$out
  structure(list(interval = c(lower = o[1], upper = o[2]), statistic = o[3], grid = grid,
                 p.values = o[-(1:3)], level = level, B = B, stat = statistic),
            class = "circ3_interval")
}

#' @export
print.circ3_interval <- function(x, digits = 4, ...) {
  cat(sprintf("Monte Carlo %g%% interval for c3 (%s statistic, %d samples per grid value)\n",
              100 * x$level, x$stat, x$B))
  print(signif(x$interval, digits))
  cat("Observed statistic:", format(signif(x$statistic, digits)), "\n")
  invisible(x)
}

#' Goodness of fit to a cubic circular distribution
#'
#' Transforms the angles by the hypothesised distribution and tests the result
#' for uniformity with the circular arc-length statistic; the p-value is the
#' Monte Carlo upper tail over \code{B} uniform samples
#' (\code{\link{noxc_gof}}).
#'
#' @param theta angles in radians.
#' @param c3,mu hypothesised shape and location.
#' @param B number of Monte Carlo samples.
#' @param seed integer seed.
#' @param chunks number of shards (see \code{\link{noxara_shards}}).
#' @return An \code{"htest"} object.
#' @examples
#' set.seed(1)
#' circ3_gof(rcirc3(50, c3 = 0.3, mu = 1), c3 = 0.3, mu = 1, B = 199)
#' @export
circ3_gof <- function(theta, c3, mu = 0, B = 999, seed = 1, chunks = 1) {
  fn <- "circ3_gof"
  dname <- deparse1(substitute(theta))
  o <- noxc_gof(theta = .angles(theta, fn), c3p = c3, mup = mu, Bp = B, seedp = seed,
                chunks = chunks)$out
  structure(list(statistic = c(L = o[1]), parameter = c(B = B), p.value = o[2],
                 method = "Arc-length goodness of fit to the cubic circular family (Monte Carlo p-value)",
                 alternative = sprintf("the angles do not follow c3 = %g, mu = %g", c3, mu),
                 data.name = dname),
            class = "htest")
}
