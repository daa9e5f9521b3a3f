# Kappa-4 growth-curve fits: y = g0 (+ m x) + g1 F(x; mu, sg, k, h).

.xy <- function(x, y, fn, min_n = 4L) {
  if (missing(x)) stop(sprintf("%s: argument 'x' is missing, with no default", fn), call. = FALSE)
  if (missing(y)) stop(sprintf("%s: argument 'y' is missing, with no default", fn), call. = FALSE)
  x <- .numv(x, "x", fn)
  y <- .numv(y, "y", fn)
  if (length(x) != length(y))
    stop(sprintf("%s: arguments 'x' and 'y' must have the same length (%d and %d)",
                 fn, length(x), length(y)), call. = FALSE)
  if (any(!is.finite(x)) || any(!is.finite(y)))
    stop(sprintf("%s: arguments 'x' and 'y' must be finite (no NA, NaN or Inf)", fn), call. = FALSE)
  if (length(x) < min_n)
    stop(sprintf("%s: at least %d observations are needed", fn, min_n), call. = FALSE)
  list(x = x, y = y)
}

# Data-based start: level, height, centre and spread of the rise.
.k4_start <- function(x, y) {
  o <- order(x)
  xs <- x[o]; ys <- y[o]
  g0 <- min(ys); g1 <- max(ys) - g0
  if (!(g1 > 0)) g1 <- 1
  mid <- g0 + g1 / 2
  mu <- xs[which.max(ys >= mid)]
  sg <- diff(range(xs)) / 6
  if (!(sg > 0)) sg <- 1
  list(g0 = g0, g1 = g1, mu = mu, sg = sg)
}

#' Fit a kappa-4 growth curve
#'
#' Fits \eqn{y = g_0 + g_1 F(x; \mu, \sigma, k, h)} (with \code{"nls_drift"}
#' and \code{"varpro"} also a linear drift \eqn{m x}), \eqn{F} the kappa-4
#' distribution function (\code{\link{pkappa4}}).
#' \describe{
#'   \item{\code{"nls"}}{least squares, two Nelder-Mead runs
#'     (\code{\link{noxk4_fit_nls}}); \code{start} = (g0, log g1, mu, log sg,
#'     k, log h).}
#'   \item{\code{"nls_drift"}}{the same with a drift
#'     (\code{\link{noxk4_fit_nls_drift}}); \code{start} = (g0, m, log g1, mu,
#'     log sg, k, log h).}
#'   \item{\code{"varpro"}}{variable projection: level, drift and height solved
#'     exactly (\code{\link{noxk4_fit_varpro}}); \code{start} = matrix of rows
#'     (mu, log sg, k, h). Extra arguments \code{maxit} (default 500),
#'     \code{bounds} = (k min, k max, h min, h max) (default
#'     \code{c(-1, 1, -1, 2)}) and \code{hfix} (default \code{NaN}: h free).}
#'   \item{\code{"nalr"}}{band arc lengths with an anchor
#'     (\code{\link{noxk4_fit_nalr}}); \code{start} as for \code{"nls"};
#'     extra arguments \code{J} (bands, default 8), \code{lambda} (default 1),
#'     \code{w} (running-median window, default 3), \code{p} (segment norm,
#'     default 2).}
#' }
#' The default start is read off the data: level and height from the range
#' of \code{y}, centre where \code{y} first passes half-way, spread a sixth
#' of the range of \code{x}, \code{k = 0}, \code{h = 0.5}.
#'
#' @param x,y numeric vectors of equal length, finite.
#' @param method one of \code{"nls"}, \code{"nls_drift"}, \code{"varpro"},
#'   \code{"nalr"}.
#' @param start optional start in the method's coordinates (see Details).
#' @param ... method arguments (see Details).
#' @return An object of class \code{"kappa4_fit"}: \code{coefficients}
#'   (g0, m, g1, mu, sg, k, h; m = 0 without drift), \code{criterion} (the
#'   residual sum of squares, or the band objective for \code{"nalr"}),
#'   \code{readings} (tangent intercept, inflection, steepest point), the data
#'   and the call. Methods: \code{print}, \code{summary}, \code{coef},
#'   \code{fitted}, \code{residuals}, \code{predict}, \code{plot},
#'   \code{\link{readings}}.
#' @examples
#' set.seed(2)
#' x <- seq(0, 10, length.out = 40)
#' y <- 1 + 5 * pkappa4(x, mu = 5, sg = 1.5, k = 0.1, h = 0.4) + rnorm(40, sd = 0.05)
#' fit <- kappa4_curve_fit(x, y)
#' fit
#' readings(fit)
#' predict(fit, newdata = c(2, 5, 8))
#' plot(fit)
#' @export
kappa4_curve_fit <- function(x, y, method = c("nls", "nls_drift", "varpro", "nalr"),
                             start = NULL, ...) {
  fn <- "kappa4_curve_fit"
  d <- .xy(x, y, fn)
  method <- match.arg(method)
  extra <- list(...)
  known <- switch(method, varpro = c("maxit", "bounds", "hfix"),
                  nalr = c("J", "lambda", "w", "p"), character(0))
  bad <- setdiff(names(extra), known)
  if (length(bad) || length(extra) && is.null(names(extra)))
    stop(sprintf("%s: unknown argument(s) for method '%s': %s", fn, method,
                 paste(if (length(bad)) bad else "unnamed", collapse = ", ")), call. = FALSE)
  opt <- function(nm, default) if (is.null(extra[[nm]])) default else extra[[nm]]
  s <- .k4_start(d$x, d$y)
  res <- switch(method,
    nls = {
      st <- if (is.null(start)) c(s$g0, log(s$g1), s$mu, log(s$sg), 0, log(0.5)) else start
      o <- noxk4_fit_nls(x = d$x, y = d$y, start = st)$out
      list(coef = c(o[1], 0, o[2:6]), crit = o[7], start = st)
    },
    nls_drift = {
      st <- if (is.null(start)) c(s$g0, 0, log(s$g1), s$mu, log(s$sg), 0, log(0.5)) else start
      o <- noxk4_fit_nls_drift(x = d$x, y = d$y, start = st)$out
      list(coef = o[1:7], crit = o[8], start = st)
    },
    varpro = {
      st <- if (is.null(start)) rbind(c(s$mu, log(s$sg), 0, 0.5), c(s$mu, log(s$sg), 0.2, 0.2),
                                      c(s$mu, log(s$sg), -0.2, 1)) else start
      st <- if (is.matrix(st)) as.vector(t(st)) else st
      o <- noxk4_fit_varpro(x = d$x, y = d$y, starts = st, maxit = opt("maxit", 500L),
                            bounds = opt("bounds", c(-1, 1, -1, 2)), hfix = opt("hfix", NaN))$out
      list(coef = c(o[1], o[2], o[3:7]), crit = o[8], start = st)
    },
    nalr = {
      st <- if (is.null(start)) c(s$g0, log(s$g1), s$mu, log(s$sg), 0, log(0.5)) else start
      o <- noxk4_fit_nalr(x = d$x, y = d$y, J = opt("J", 8L), lambda = opt("lambda", 1),
                          w = opt("w", 3L), p = opt("p", 2), start = st)$out
      list(coef = c(o[1], 0, o[2:6]), crit = o[7], start = st)
    })
  coef <- stats::setNames(res$coef, c("g0", "m", "g1", "mu", "sg", "k", "h"))
  structure(list(coefficients = coef, criterion = unname(res$crit),
                 readings = .k4_readings(coef), method = method, start = res$start,
                 x = d$x, y = d$y, call = match.call()),
            class = "kappa4_fit")
}

.k4_readings <- function(coef) {
  th <- unname(coef[c("g0", "g1", "mu", "sg", "k", "h")])
  r <- if (all(is.finite(th))) noxk4_readings(theta = th, grid = 4000L)$out else rep(NaN, 3)
  stats::setNames(r, c("tangent_intercept", "inflection", "steepest"))
}

.k4_curve <- function(coef, x) {
  unname(coef["g0"] + coef["m"] * x +
         coef["g1"] * k4_F(x, coef["mu"], coef["sg"], coef["k"], coef["h"]))
}

#' Readings of a fitted curve
#'
#' The three readings of a fitted kappa-4 curve: the tangent intercept (where
#' the tangent at the steepest point meets the baseline), the inflection point
#' left of the steepest point, and the steepest point, all on the x scale (NaN
#' where a reading does not exist).
#'
#' @param object a fitted curve (\code{"kappa4_fit"}).
#' @param ... unused.
#' @return Named numeric vector of the three readings.
#' @examples
#' x <- seq(0, 10, length.out = 30)
#' y <- 2 + 3 * pkappa4(x, mu = 4, sg = 1, k = 0.1, h = 0.3)
#' readings(kappa4_curve_fit(x, y))
#' @export
readings <- function(object, ...) UseMethod("readings")

#' @rdname readings
#' @export
readings.kappa4_fit <- function(object, ...) object$readings

#' Methods for fitted kappa-4 curves
#'
#' @param x,object a \code{"kappa4_fit"} object.
#' @param newdata numeric vector of x values (default: the data's x).
#' @param digits significant digits to print.
#' @param xlab,ylab,main axis labels and title.
#' @param ... further arguments to \code{plot} (for \code{plot}), otherwise unused.
#' @return \code{coef}: the seven coefficients; \code{fitted}, \code{predict}:
#'   curve values; \code{residuals}: y minus fitted; \code{summary}: an object
#'   printed as a table of coefficients, readings and the criterion;
#'   \code{plot}: the data, the fitted curve and the readings (invisibly the
#'   object).
#' @examples
#' x <- seq(0, 10, length.out = 30)
#' fit <- kappa4_curve_fit(x, 2 + 3 * pkappa4(x, mu = 4, sg = 1, k = 0.1, h = 0.3))
#' summary(fit)
#' coef(fit)
#' head(residuals(fit))
#' @name kappa4_fit-methods
NULL

#' @rdname kappa4_fit-methods
#' @export
print.kappa4_fit <- function(x, digits = 4, ...) {
  cat("Kappa-4 curve fit (method \"", x$method, "\") of ", length(x$x), " points\n", sep = "")
  cat("  y = g0", if (x$coefficients[["m"]] != 0) " + m x", " + g1 F(x; mu, sg, k, h)\n\n", sep = "")
  print(signif(x$coefficients, digits))
  cat("\nReadings:\n")
  print(signif(x$readings, digits))
  cat("\n", if (x$method == "nalr") "Band objective" else "Residual sum of squares", ": ",
      format(signif(x$criterion, digits)), "\n", sep = "")
  invisible(x)
}

#' @rdname kappa4_fit-methods
#' @export
summary.kappa4_fit <- function(object, ...) {
  r <- stats::residuals(object)
  structure(list(method = object$method, n = length(object$x), coefficients = object$coefficients,
                 readings = object$readings, criterion = object$criterion,
                 residual_sd = sqrt(sum(r * r) / max(1, length(r) - 6)),
                 residuals = stats::quantile(r)),
            class = "summary.kappa4_fit")
}

#' @rdname kappa4_fit-methods
#' @export
print.summary.kappa4_fit <- function(x, digits = 4, ...) {
  cat("Kappa-4 curve fit, method \"", x$method, "\", ", x$n, " points\n\nResiduals:\n", sep = "")
  print(signif(x$residuals, digits))
  cat("\nCoefficients:\n")
  print(signif(x$coefficients, digits))
  cat("\nReadings (x scale):\n")
  print(signif(x$readings, digits))
  cat("\nCriterion: ", format(signif(x$criterion, digits)),
      "   residual sd: ", format(signif(x$residual_sd, digits)), "\n", sep = "")
  invisible(x)
}

#' @rdname kappa4_fit-methods
#' @export
coef.kappa4_fit <- function(object, ...) object$coefficients

#' @rdname kappa4_fit-methods
#' @export
fitted.kappa4_fit <- function(object, ...) .k4_curve(object$coefficients, object$x)

#' @rdname kappa4_fit-methods
#' @export
residuals.kappa4_fit <- function(object, ...) object$y - stats::fitted(object)

#' @rdname kappa4_fit-methods
#' @export
predict.kappa4_fit <- function(object, newdata = NULL, ...) {
  if (is.null(newdata)) return(stats::fitted(object))
  if (is.data.frame(newdata)) newdata <- newdata[["x"]]
  .k4_curve(object$coefficients, .numv(newdata, "newdata", "predict"))
}

#' @rdname kappa4_fit-methods
#' @export
plot.kappa4_fit <- function(x, xlab = "x", ylab = "y", main = "Kappa-4 curve fit", ...) {
  graphics::plot(x$x, x$y, xlab = xlab, ylab = ylab, main = main, ...)
  xs <- seq(min(x$x), max(x$x), length.out = 400)
  graphics::lines(xs, .k4_curve(x$coefficients, xs), col = "steelblue", lwd = 2)
  r <- x$readings
  cols <- c("firebrick", "darkgreen", "darkorange")
  labs <- c("tangent intercept", "inflection", "steepest point")
  ok <- is.finite(r)
  if (any(ok)) {
    graphics::abline(v = r[ok], lty = 2, col = cols[ok])
    usr <- graphics::par("usr")
    graphics::text(r[ok], usr[4] - (usr[4] - usr[3]) * c(0.05, 0.12, 0.19)[ok],
                   labs[ok], col = cols[ok], pos = 4, cex = 0.8)
  }
  invisible(x)
}
