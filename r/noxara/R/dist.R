# d/p/q/r functions of the kappa-4, beta-kernel and cubic circular families.

.num1 <- function(v, name, fn) {
  if (missing(v) || !is.numeric(v) || length(v) != 1L || is.na(v))
    stop(sprintf("%s: argument '%s' must be a single number", fn, name), call. = FALSE)
  as.double(v)
}

.numv <- function(v, name, fn) {
  if (!is.numeric(v) && !(is.logical(v) && all(is.na(v))) || is.factor(v))
    stop(sprintf("%s: argument '%s' must be numeric", fn, name), call. = FALSE)
  as.double(v)
}

.rn <- function(n, fn) {
  if (length(n) > 1L) n <- length(n)
  n <- .as_int_scalar(n, "n", fn)
  .check_range(n, list(name = "n", kind = "size"), fn)
}

.keep_dim <- function(val, x) {
  attributes(val) <- attributes(x)[intersect(names(attributes(x)), c("dim", "dimnames", "names"))]
  val
}

.p_in <- function(p, lower.tail, log.p) {
  if (log.p) p <- exp(p)
  if (!lower.tail) p <- 1 - p
  p
}

.p_out <- function(p, lower.tail, log.p) {
  if (!lower.tail) p <- 1 - p
  if (log.p) log(p) else p
}

#' The kappa-4 distribution
#'
#' Density, distribution function, quantile function and random generation
#' for the four-parameter kappa distribution with location \code{mu}, scale
#' \code{sg} and shapes \code{k} and \code{h}. Special members: \code{h = 0}
#' the generalised extreme-value family (\code{k = 0}: Gumbel),
#' \code{h = 1} the generalised Pareto family (\code{k = 0}: exponential),
#' \code{h = -1} the generalised logistic family (\code{k = 0}: logistic).
#'
#' Values outside the support give density 0 and probabilities 0 or 1;
#' inadmissible parameters (for example \code{sg <= 0}) give NaN, as the
#' library writes them.
#'
#' @param x,q vector of quantiles.
#' @param p vector of probabilities.
#' @param n number of observations (or a vector whose length is used).
#' @param mu,sg,k,h location, scale and shape parameters (single numbers).
#' @param log,log.p logical; densities and probabilities on the log scale.
#' @param lower.tail logical; if TRUE probabilities are \eqn{P[X \le x]}.
#' @return \code{dkappa4} gives the density, \code{pkappa4} the distribution
#'   function, \code{qkappa4} the quantile function and \code{rkappa4} random
#'   deviates (by inversion of R's uniform generator, so \code{set.seed}
#'   applies).
#' @examples
#' x <- c(-1, 0, 1, 2)
#' pkappa4(x, k = 0.1, h = 0.3)
#' qkappa4(pkappa4(x, k = 0.1, h = 0.3), k = 0.1, h = 0.3)
#' dkappa4(0, mu = 1, sg = 2)
#' set.seed(1); rkappa4(3, k = -0.1, h = 0.5)
#' @name kappa4
NULL

#' @rdname kappa4
#' @export
dkappa4 <- function(x, mu = 0, sg = 1, k = 0, h = 0, log = FALSE) {
  fn <- "dkappa4"
  v <- noxk4_pdf(x = .numv(x, "x", fn), mu = .num1(mu, "mu", fn), sg = .num1(sg, "sg", fn),
                 k = .num1(k, "k", fn), h = .num1(h, "h", fn))$out
  .keep_dim(if (log) base::log(v) else v, x)
}

#' @rdname kappa4
#' @export
pkappa4 <- function(q, mu = 0, sg = 1, k = 0, h = 0, lower.tail = TRUE, log.p = FALSE) {
  fn <- "pkappa4"
  v <- noxk4_cdf(x = .numv(q, "q", fn), mu = .num1(mu, "mu", fn), sg = .num1(sg, "sg", fn),
                 k = .num1(k, "k", fn), h = .num1(h, "h", fn))$out
  .keep_dim(.p_out(v, lower.tail, log.p), q)
}

#' @rdname kappa4
#' @export
qkappa4 <- function(p, mu = 0, sg = 1, k = 0, h = 0, lower.tail = TRUE, log.p = FALSE) {
  fn <- "qkappa4"
  v <- noxk4_q(u = .p_in(.numv(p, "p", fn), lower.tail, log.p), mu = .num1(mu, "mu", fn),
               sg = .num1(sg, "sg", fn), k = .num1(k, "k", fn), h = .num1(h, "h", fn))$out
  .keep_dim(v, p)
}

#' @rdname kappa4
#' @export
rkappa4 <- function(n, mu = 0, sg = 1, k = 0, h = 0) {
  qkappa4(stats::runif(.rn(n, "rkappa4")), mu, sg, k, h)
}

#' The beta-kernel (bc) distribution
#'
#' The family whose quantile density is \eqn{q(u) = u^\alpha (1-u)^\beta}, so
#' the quantile function is \eqn{Q(u) = B \, I_u(1+\alpha, 1+\beta)} with
#' \eqn{B = B(1+\alpha, 1+\beta)} and the support is \eqn{[0, B]}.
#' \code{pbc} gives 0 below and 1 above the support; \code{qbc} gives 0 for
#' \code{p <= 0} and \eqn{B} for \code{p >= 1}.
#'
#' @param x,q vector of quantiles.
#' @param p vector of probabilities.
#' @param n number of observations.
#' @param alpha,beta exponents, each greater than -1.
#' @param log,log.p,lower.tail as for \code{\link{dkappa4}}.
#' @return Density, distribution function, quantiles or random deviates.
#' @examples
#' qbc(c(0.25, 0.5, 0.75), alpha = 0.5, beta = 0.3)
#' pbc(qbc(0.3, 0.5, 0.3), 0.5, 0.3)
#' dbc(0.2, 0.5, 0.3)
#' set.seed(1); rbc(3, 0.5, 0.3)
#' @name bc
NULL

#' @rdname bc
#' @export
dbc <- function(x, alpha, beta, log = FALSE) {
  fn <- "dbc"
  v <- noxeq2_bc_pdf(x = .numv(x, "x", fn), alpha = .num1(alpha, "alpha", fn),
                     beta = .num1(beta, "beta", fn))$out
  .keep_dim(if (log) base::log(v) else v, x)
}

#' @rdname bc
#' @export
pbc <- function(q, alpha, beta, lower.tail = TRUE, log.p = FALSE) {
  fn <- "pbc"
  v <- noxeq2_bc_cdf(x = .numv(q, "q", fn), alpha = .num1(alpha, "alpha", fn),
                     beta = .num1(beta, "beta", fn))$out
  .keep_dim(.p_out(v, lower.tail, log.p), q)
}

#' @rdname bc
#' @export
qbc <- function(p, alpha, beta, lower.tail = TRUE, log.p = FALSE) {
  fn <- "qbc"
  v <- noxeq2_bc_q(u = .p_in(.numv(p, "p", fn), lower.tail, log.p),
                   alpha = .num1(alpha, "alpha", fn), beta = .num1(beta, "beta", fn))$out
  .keep_dim(v, p)
}

#' @rdname bc
#' @export
rbc <- function(n, alpha, beta) qbc(stats::runif(.rn(n, "rbc")), alpha, beta)

#' The cubic circular distribution
#'
#' The circular family with quantile density
#' \eqn{q(u) = 1 + 10 c_3 u(1-u)(1-2u)} (admissible for
#' \eqn{|c_3| \le 3\sqrt 3/5}), rotated by the location \code{mu}. Angles are
#' in radians, in \eqn{[0, 2\pi)}.
#'
#' @param x vector of angles (radians).
#' @param p vector of probabilities.
#' @param n number of observations.
#' @param c3 shape parameter.
#' @param mu location (radians).
#' @param log logical; log density.
#' @return \code{dcirc3}: density per radian (0 where the quantile density is
#'   not positive); \code{qcirc3}: the angle at probability \code{p};
#'   \code{rcirc3}: random angles.
#' @examples
#' dcirc3(c(0, 1, 2), c3 = 0.3, mu = 1)
#' qcirc3(c(0.1, 0.5), c3 = 0.3, mu = 1)
#' set.seed(1); rcirc3(3, c3 = 0.3)
#' @name circ3
NULL

#' @rdname circ3
#' @export
dcirc3 <- function(x, c3, mu = 0, log = FALSE) {
  fn <- "dcirc3"
  v <- noxc_dens3(theta = .numv(x, "x", fn), c3 = .num1(c3, "c3", fn), mu = .num1(mu, "mu", fn))$out
  .keep_dim(if (log) base::log(v) else v, x)
}

#' @rdname circ3
#' @export
qcirc3 <- function(p, c3, mu = 0) {
  fn <- "qcirc3"
  v <- noxc_rand3(unif = .numv(p, "p", fn), c3 = .num1(c3, "c3", fn), mu = .num1(mu, "mu", fn))$out
  .keep_dim(v, p)
}

#' @rdname circ3
#' @export
rcirc3 <- function(n, c3, mu = 0) qcirc3(stats::runif(.rn(n, "rcirc3")), c3, mu)
