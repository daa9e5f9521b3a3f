# Writes man/ll-<family>.Rd, the help pages of the low-level layer, from the
# routine table R/ll-table.R (run from r/noxara by r/build.sh).
env <- new.env()
sys.source("R/ll-table.R", envir = env)
sys.source("R/ll.R", envir = env)
tab <- env$.ll_table
sigs <- env$.ll_sigs

families <- list(
  arclen = list(title = "Arc-length test of uniformity, Bayesian bootstrap, characteristic function",
    routines = c("al_statistic", "al_moments", "al_pvalue", "bb_post", "bb_ref", "cf_arclength_emp"),
    example = c("u <- c(0.12, 0.35, 0.41, 0.77, 0.93)",
                "s <- al_statistic(u = u)$out",
                "al_pvalue(s = s, n = length(u))$out",
                "al_moments(n = 5L)$out",
                "matrix(bb_post(u = u, M = 3L, seed = 1L)$out, nrow = 2)",
                "cf_arclength_emp(x = u, T = 2, ng = 101L)$out")),
  noxvc = list(title = "Variance components and distance to a locus",
    routines = c("noxvc_icc_oneway", "noxvc_locus_dist"),
    example = c("noxvc_icc_oneway(y = c(1, 1.2, 2, 2.3, 3, 2.9), g = c(0, 0, 1, 1, 2, 2), ng = 3L)$out",
                "noxvc_locus_dist(h = 0.5, k = 1, lh = c(0, 1), lk = c(0, 0))$out")),
  noxdistc = list(title = "Shape-polynomial quantile family, band model and scale",
    routines = c("noxq_qd", "noxq_arclength", "sample_lmoments_c", "noxq_fit_cf_c",
                 "al_band_model", "al_band_model_star", "al_band_sample", "al_scale", "al_scale_raw"),
    example = c("x <- qnorm(ppoints(50))",
                "sample_lmoments_c(x = x, nmom = 4L)$out",
                "noxq_fit_cf_c(x = x)$out",
                "al_band_sample(x = x, a = 0.1, b = 0.9)$out",
                "al_scale_raw(x = x, a = 0.1, b = 0.9)$out",
                "noxq_arclength(coef = c(0.1, 0.05), sigma = 1, nodes = 40L)$out")),
  noxcirc = list(title = "Circular distribution families, fits, interval and goodness of fit",
    routines = grep("^noxc_", names(tab), value = TRUE),
    example = c("noxc_c3max()$out",
                "th <- noxc_rand3(unif = ppoints(40), c3 = 0.3, mu = 1)$out",
                "noxc_fit3(theta = th, nodes = 400L)$out",
                "noxc_dens3(theta = c(0, 1, 2), c3 = 0.3, mu = 1)$out",
                "noxc_gof(theta = th, c3p = 0.3, mup = 1, Bp = 99L, seedp = 1L)$out",
                "noxc_exact_ci(theta = th, Bp = 49L, seedp = 1L, cgrid = c(0, 0.3, 0.6),",
                "              statp = 1L, groupp = 0L, levp = 0.05)$out")),
  noxk4 = list(title = "Kappa-4 distribution, readings, band lengths and fits",
    routines = grep("^noxk4_", setdiff(names(tab), "noxk4_mv_boot"), value = TRUE),
    example = c("noxk4_q(u = c(0.1, 0.5, 0.9), mu = 0, sg = 1, k = 0.1, h = 0.3)$out",
                "noxk4_tau34(k = 0.1, h = 0.3, nodes = 40L)$out",
                "noxk4_readings(theta = c(0, 1, 0, 1, 0.1, 0.3), grid = 2000L)$out",
                "x <- seq(-2, 3, length.out = 30)",
                "y <- 1 + 2 * k4_F(x, 0, 1, 0.1, 0.3)",
                "noxk4_fit_nls(x = x, y = y, start = c(1, log(2), 0, 0, 0.1, log(0.3)))$out",
                "noxk4_runmed(y = c(3, 1, 2, 9, 4), w = 3L)$out")),
  noxmv = list(title = "Multi-method bootstrap of the tangent-intercept reading",
    routines = "noxk4_mv_boot",
    example = c("x <- seq(0, 10, length.out = 40)",
                "y <- 1 + 5 * k4_F(x, 5, 1.5, 0.1, 0.4) + 0.05 * sin(7 * x)",
                "r <- noxk4_mv_boot(x = x, y = y, cutx = 6, B = 2L, seed = 1L,",
                "                   bounds = c(-0.5, 0.5, 0.05, 1.5), maxit = 200L)",
                "r$a_pt",
                "matrix(r$A, ncol = 8, byrow = TRUE)")),
  noxeq = list(title = "Quantile-density readings and the beta-kernel family",
    routines = c(grep("^noxeq_", names(tab), value = TRUE), grep("^noxeq2_", names(tab), value = TRUE)),
    example = c("noxeq2_bc_q(u = c(0.25, 0.5, 0.75), alpha = 0.5, beta = 0.3)$out",
                "noxeq2_ub_quad(alpha = 0.5, beta = 0.3)$out",
                "noxeq_readings(alpha = 0.5, beta = 0.3, theta = numeric(0), ngrid = 2000L)$out",
                "noxeq2_bstar(alpha = 0.5)$out")),
  noxeqfit = list(title = "Constrained curve fits, block bootstraps and simulation studies",
    routines = grep("^noxeqfit_", names(tab), value = TRUE),
    example = c("noxeqfit_blocklen(r = sin(1:50))$out",
                "noxeqfit_Esweep(alpha = 0.5, bg = c(-0.5, -0.2))$out",
                "noxeqfit_bsweep(ks = c(0, 0.1), h = 0.3)$out_b",
                "r <- noxeqfit_taus(a0 = 1.5, b0 = 1.2, R = 3L, n = 50L, seed = 1L)$out",
                "matrix(r, ncol = 4)"))
)
stopifnot(setequal(unlist(lapply(families, `[[`, "routines")), names(tab)))

kind_text <- function(a, routine) {
  switch(a$kind,
    dscalar = "a single number.",
    dvec = if (!is.null(a$minlen)) sprintf("numeric vector of at least %g values.", a$minlen)
           else sprintf("numeric vector of length \\code{%s}.", deparse(a$len)),
    ivec = sprintf("vector of whole numbers of length \\code{%s}%s.", deparse(a$len),
                   if (!is.null(a$elem)) ", each within the sizes limit" else ""),
    count = sprintf("count (whole number); when omitted it is \\code{%s}, when given it must agree with the array lengths.",
                    deparse(a$derive)),
    size = "sample size or number of points (whole number, at most the sizes limit).",
    rep = "replicate count (whole number, at most the replicates limit).",
    grid = "grid or node count (whole number, at most the grid limit).",
    gl = "Gauss-Legendre node count (whole number, at most the gl_nodes limit).",
    maxit = "iteration limit (whole number, at most the maxit limit).",
    bands = "number of bands (whole number, at most the bands limit).",
    seed = "integer seed; equal seeds give bit-identical results.",
    opt = if (!is.null(a$choices)) sprintf("selector, one of %s.", paste(a$choices, collapse = ", "))
          else "integer order or selector.")
}

esc <- function(s) gsub("%", "\\\\%", s)
for (fam in names(families)) {
  f <- families[[fam]]
  rs <- f$routines
  argdoc <- list()
  for (r in rs) for (a in sigs[[r]]$inputs) {
    key <- a$name
    txt <- sprintf("\\code{%s}: %s", r, kind_text(a, r))
    argdoc[[key]] <- c(argdoc[[key]], txt)
  }
  if (any(rs %in% names(env$.shardable)))
    argdoc[["chunks"]] <- paste0("number of shards to split the replicates (or grid points) into, run under the ",
                                 "current \\code{future::plan()}; 1 runs one call. See \\code{\\link{noxara_shards}}.")
  usage <- vapply(rs, function(r) {
    ins <- sigs[[r]]$inputs
    fa <- vapply(ins, function(a) if (a$kind == "count") paste(a$name, "= NULL") else a$name, "")
    if (r %in% names(env$.shardable)) fa <- c(fa, "chunks = 1")
    paste0(r, "(", paste(fa, collapse = ", "), ")")
  }, "")
  values <- vapply(rs, function(r) {
    o <- sigs[[r]]$outputs
    sprintf("\\item{\\code{%s}}{%s}", r, paste(vapply(o, function(a)
      sprintf("\\code{%s} (%s, %s values)", a$name, if (a$kind == "dvec") "double" else "integer",
              deparse(a$len)), ""), collapse = ", "))
  }, "")
  lines <- c(
    "% Written by r/tools/gen-docs.R from R/ll-table.R: do not edit by hand.",
    sprintf("\\name{ll-%s}", fam),
    sprintf("\\alias{ll-%s}", fam),
    sprintf("\\alias{%s}", rs),
    sprintf("\\title{Low-level interface: %s}", f$title),
    "\\description{",
    "Each function calls the library routine of the same name with the same",
    "argument names and returns a named list with one element per output of",
    "the routine, allocated at its documented size and filled with NaN before",
    "the call. Arguments are checked first: wrong types, wrong lengths,",
    "negative or absurd counts (see \\code{\\link{noxara_limits}}) and missing",
    "arguments give an error naming the argument. Values equal the library's",
    "bit for bit. Domain results (NaN outside a family's support, NaN rows of",
    "failed fits or replicates, the library's sentinels such as 1e12) are",
    "returned as the library writes them.",
    "}",
    "\\usage{", usage, "}",
    "\\arguments{",
    vapply(names(argdoc), function(k) sprintf("\\item{%s}{%s}", k, paste(argdoc[[k]], collapse = " ")), ""),
    "}",
    "\\value{A named list: \\describe{", values, "}}",
    "\\seealso{\\code{\\link{noxara-package}} for the everyday functions built on these.}",
    "\\examples{", esc(f$example), "}"
  )
  writeLines(lines, file.path("man", sprintf("ll-%s.Rd", fam)))
}
cat("low-level help pages written\n")
