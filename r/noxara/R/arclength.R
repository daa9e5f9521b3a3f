.moment_cache <- new.env(parent = emptyenv())

.al_moments_cached <- function(n) {
  key <- as.character(n)
  m <- .moment_cache[[key]]
  if (is.null(m)) {
    m <- al_moments(n = n)$out
    assign(key, m, envir = .moment_cache)
  }
  m
}

#' Arc-length test of uniformity
#'
#' Tests whether a sample on \eqn{[0, 1]} is uniform with the arc length
#' \eqn{S} of the polygon through the sorted sample (large \eqn{S} speaks
#' against uniformity); the p-value is the saddlepoint approximation of
#' \eqn{P(S \ge s)}. The exact mean and variance of \eqn{S} under uniformity
#' are returned too; they cost a fraction of a second per sample size and
#' are cached per sample size for the session, so a simulation loop pays
#' once.
#'
#' @param u numeric sample, every value in \eqn{[0, 1]}, no missing values.
#' @return An object of class \code{"htest"} with \code{statistic} (S),
#'   \code{parameter} (n), \code{p.value}, \code{method}, \code{data.name},
#'   and \code{moments}: the exact mean and variance of S under uniformity.
#' @examples
#' set.seed(1)
#' arclength_test(runif(30))
#' arclength_test(rbeta(30, 5, 5))
#' @export
arclength_test <- function(u) {
  dname <- deparse1(substitute(u))
  if (missing(u)) stop("arclength_test: argument 'u' is missing, with no default", call. = FALSE)
  if (!is.numeric(u) || is.factor(u))
    stop("arclength_test: argument 'u' must be numeric", call. = FALSE)
  if (length(u) < 1L) stop("arclength_test: argument 'u' must hold at least one value", call. = FALSE)
  if (anyNA(u)) stop("arclength_test: argument 'u' has missing values", call. = FALSE)
  if (any(u < 0 | u > 1))
    stop("arclength_test: argument 'u' must lie in [0, 1] (transform the data first, e.g. with its hypothesised distribution function)",
         call. = FALSE)
  n <- length(u)
  s <- al_statistic(u = u)$out
  p <- al_pvalue(s = s, n = n)$out
  m <- .al_moments_cached(n)
  structure(list(statistic = c(S = s), parameter = c(n = n), p.value = p,
                 method = "Arc-length test of uniformity (saddlepoint p-value)",
                 alternative = "the sample is not uniform on [0, 1]",
                 data.name = dname,
                 moments = c(mean = m[1], variance = m[2])),
            class = "htest")
}
