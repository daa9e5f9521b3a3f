#' Kappa-4 distribution function, vectorised
#'
#' \code{k4_F} calls the library's \code{k4_F} for every element of its five
#' arguments, recycled to the longest (as arithmetic does in R). The values
#' equal the library's bit for bit.
#'
#' @param x,mu,sg,k,h numeric vectors: point, location, scale and the two
#'   shape parameters.
#' @return A numeric vector of distribution-function values (NaN where the
#'   parameters are inadmissible).
#' @examples
#' k4_F(c(-1, 0, 1), 0, 1, 0.1, 0.3)
#' @export
k4_F <- function(x, mu, sg, k, h) {
  args <- list(x = x, mu = mu, sg = sg, k = k, h = h)
  for (nm in names(args)) {
    v <- args[[nm]]
    if (!is.numeric(v) && !(is.logical(v) && all(is.na(v))) || is.factor(v))
      stop(sprintf("k4_F: argument '%s' must be numeric", nm), call. = FALSE)
  }
  lens <- lengths(args)
  if (any(lens == 0L)) return(double(0))
  n <- max(lens)
  args <- lapply(args, function(v) rep_len(as.double(v), n))
  .Call(C_nox_k4_F, args$x, args$mu, args$sg, args$k, args$h)
}

#' Nelder-Mead minimisation of an R function
#'
#' Runs the library's minimiser \code{noxk4_nmd} on the R function \code{f},
#' called with the parameter vector. The dimension is the length of
#' \code{start} (1 to 7). An error inside \code{f} stops the minimiser and is
#' raised again once it has returned.
#'
#' @param f a function of one numeric vector returning a single number.
#' @param start numeric start vector of length 1 to 7.
#' @param maxit iteration limit (whole number, 0 to \code{noxara_limits["maxit"]}).
#' @return A list with \code{xout} (the best vertex) and \code{fout} (its value).
#' @examples
#' noxk4_nmd(function(p) (p[1] - 1)^2 + (p[2] + 2)^2, c(0, 0), 1000)
#' @export
noxk4_nmd <- function(f, start, maxit) {
  if (missing(f)) stop("noxk4_nmd: argument 'f' is missing, with no default", call. = FALSE)
  if (missing(start)) stop("noxk4_nmd: argument 'start' is missing, with no default", call. = FALSE)
  if (missing(maxit)) stop("noxk4_nmd: argument 'maxit' is missing, with no default", call. = FALSE)
  if (!is.function(f)) stop("noxk4_nmd: argument 'f' must be a function", call. = FALSE)
  if (!is.numeric(start) || length(start) < 1L || length(start) > 7L)
    stop("noxk4_nmd: argument 'start' must be a numeric vector of length 1 to 7", call. = FALSE)
  maxit <- .check_range(.as_int_scalar(maxit, "maxit", "noxk4_nmd"),
                        list(name = "maxit", kind = "maxit"), "noxk4_nmd")
  err <- NULL
  obj <- function(p) withCallingHandlers(f(p), error = function(e) err <<- e)
  tryCatch(.Call(C_nox_nmd, obj, environment(), as.double(start), maxit),
           error = function(e) {
             if (is.null(err)) stop(e)
             stop("noxk4_nmd: the objective 'f' raised an error: ", conditionMessage(err), call. = FALSE)
           })
}
