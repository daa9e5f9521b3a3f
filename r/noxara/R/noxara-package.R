#' noxara: statistical routines around the arc length of curves
#'
#' Which function answers which question:
#' \describe{
#'   \item{Is my sample uniform?}{\code{\link{arclength_test}}: the arc-length
#'     test with its saddlepoint p-value and the exact mean and variance of the
#'     statistic.}
#'   \item{Kappa-4, beta-kernel and cubic circular distributions}{
#'     \code{\link{dkappa4}}, \code{\link{pkappa4}}, \code{\link{qkappa4}},
#'     \code{\link{rkappa4}}; \code{\link{dbc}}, \code{\link{pbc}},
#'     \code{\link{qbc}}, \code{\link{rbc}}; \code{\link{dcirc3}},
#'     \code{\link{qcirc3}}, \code{\link{rcirc3}}.}
#'   \item{Fit a growth (kappa-4) curve and read it}{
#'     \code{\link{kappa4_curve_fit}} with \code{print}, \code{summary},
#'     \code{coef}, \code{fitted}, \code{residuals}, \code{predict},
#'     \code{plot} and \code{\link{readings}}.}
#'   \item{How uncertain is the reading?}{\code{\link{reading_bootstrap}}
#'     (eight fitting methods on block-bootstrap replicates),
#'     \code{\link{bc_curve_fit}} and \code{\link{bc_bootstrap}},
#'     \code{\link{k4eq_curve_fit}} and \code{\link{k4eq_bootstrap}}; results
#'     give quantile intervals with \code{confint}.}
#'   \item{Circular data}{\code{\link{circ3_fit}}, \code{\link{circ3_interval}}
#'     (Monte Carlo interval for the shape) and \code{\link{circ3_gof}}.}
#'   \item{Simulation studies}{\code{\link{model_fit_study}}, \code{\link{null_study}},
#'     \code{\link{estimation_study}} (on \code{\link{noxeqfit_msim}},
#'     \code{\link{noxeqfit_nullT}}, \code{\link{noxeqfit_estsim}}).}
#'   \item{Anything else}{every library routine is available under its own
#'     name with its own argument names: see \code{\link{ll-arclen}},
#'     \code{\link{ll-noxdistc}}, \code{\link{ll-noxcirc}},
#'     \code{\link{ll-noxk4}}, \code{\link{ll-noxmv}}, \code{\link{ll-noxeq}},
#'     \code{\link{ll-noxeqfit}}, \code{\link{ll-noxvc}}, \code{\link{k4_F}},
#'     \code{\link{noxk4_nmd}}; limits on work sizes are on
#'     \code{\link{noxara_limits}}.}
#' }
#' Results are reproducible value for value: random streams are fixed
#' functions of the seed and the replicate index, and the package compiles
#' the library with the same floating-point flags as its CMake build.
#'
#' @keywords internal
#' @useDynLib noxara, .registration = TRUE, .fixes = "C_"
#' @evalNamespace paste0("export(", names(.ll_table), ")")
"_PACKAGE"
