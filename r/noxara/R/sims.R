# Simulation studies of the constrained bc curve and of the bc estimators,
# with labelled results.

#' Simulation studies of the bc curve
#'
#' \code{model_fit_study} simulates data from the bc curve \code{theta}
#' (g0, g1, mu, sr, alpha, beta) on \code{n} equally spaced points with normal
#' noise of sd \code{sd} and, for \code{R} replicates per arm, computes the
#' profile statistic T and the score statistics (\code{\link{noxeqfit_msim}});
#' arms 1 to 3 shift beta. \code{null_study} computes T under \code{theta}
#' alone (\code{\link{noxeqfit_nullT}}). \code{estimation_study} draws samples
#' of each size from the bc family with exponents (a0 - 1, b0 - 1) and
#' estimates alpha and beta by likelihood, moments and L-moments
#' (\code{\link{noxeqfit_estsim}}). Replicate r depends only on the seed and
#' r; failed replicates are NaN. These studies are slow (seconds per
#' replicate); \code{chunks} spreads the replicates over the workers of
#' \code{future::plan()} with identical results (see \code{\link{noxara_shards}}).
#'
#' @param theta the true bc curve (six values).
#' @param n number of design points.
#' @param sd noise standard deviation.
#' @param R replicates (per arm).
#' @param seed integer seed.
#' @param table constraint table (\code{\link{bc_constraint}}).
#' @param reference for \code{model_fit_study}: 12 values, the reference
#'   shapes (mu, sr, alpha, beta) of arms 1, 2, 3 for their score statistics.
#' @param start start of the profile fits (three values are read).
#' @param maxit iteration limit of each fit.
#' @param a0,b0 exponents plus one of the sampled bc family.
#' @param sizes sample sizes.
#' @param chunks number of shards.
#' @return \code{model_fit_study}: an R x 8 matrix; \code{null_study}: a
#'   vector of R values of T; \code{estimation_study}: an array R x 6 x
#'   \code{length(sizes)}.
#' @examples
#' \donttest{
#' tab <- bc_constraint()
#' th0 <- c(1, 4, 1, 8, tab$alpha[10], tab$beta[10])
#' null_study(th0, n = 12, sd = 0.05, R = 2, table = tab, maxit = 20)
#' }
#' estimation_study(1.5, 1.2, R = 2, sizes = c(12, 15), maxit = 20)
#' @name simulation_studies
NULL

#' @rdname simulation_studies
#' @export
model_fit_study <- function(theta, n, sd, R, seed = 1, table = bc_constraint(), reference,
                            start = c(0, 0, 0), maxit = 200, chunks = 1) {
  t <- .bc_table(table, "model_fit_study")
  out <- noxeqfit_msim(nM = n, sde = sd, Rm = R, seed = seed, th0 = theta, st5 = start,
                       maxit = maxit, cal = t$alpha, cbe = t$beta, alo = min(t$alpha),
                       ahi = max(t$alpha), thref = reference, chunks = chunks)$out
  matrix(out, ncol = 8, dimnames = list(NULL, c("T_arm0", "score_arm0", "T_arm1", "T_arm2",
                                                 "T_arm3", "score_arm1", "score_arm2", "score_arm3")))
}

#' @rdname simulation_studies
#' @export
null_study <- function(theta, n, sd, R, seed = 1, table = bc_constraint(), start = c(0, 0, 0),
                       maxit = 200, chunks = 1) {
  t <- .bc_table(table, "null_study")
  noxeqfit_nullT(nM = n, sde = sd, R2 = R, seed = seed, th0 = theta, st5 = start, maxit = maxit,
                 cal = t$alpha, cbe = t$beta, alo = min(t$alpha), ahi = max(t$alpha),
                 chunks = chunks)$out
}

#' @rdname simulation_studies
#' @export
estimation_study <- function(a0, b0, R, sizes, seed = 1, maxit = 200, chunks = 1) {
  out <- noxeqfit_estsim(a0 = a0, b0 = b0, R = R, nsizes = sizes, seed = seed, maxit = maxit,
                         chunks = chunks)$out
  array(out, dim = c(R, 6, length(sizes)),
        dimnames = list(NULL, c("alpha_ml", "alpha_moments", "alpha_lmoments", "beta_ml",
                                "beta_moments", "beta_lmoments"), paste0("n=", sizes)))
}
