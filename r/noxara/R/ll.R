# Low-level layer: one exported function per routine, built from .ll_table
# when the package is installed.

#' Limits on work-size arguments
#'
#' The library trusts its caller: a node count of 1e9 simply runs for hours
#' and a replicate count whose output length overflows a C \code{int} writes
#' outside the result. The package therefore rejects, with an error naming
#' the argument, integer arguments outside these limits:
#' \describe{
#'   \item{grid}{grid points and quadrature nodes (\code{nodes}, \code{grid},
#'     \code{ngrid}, \code{ng}): at most \code{1e7}.}
#'   \item{gl_nodes}{Gauss-Legendre node counts (\code{nodes} of
#'     \code{noxq_arclength}, \code{al_band_model}, \code{al_band_model_star},
#'     \code{noxk4_tau34}, \code{noxk4_band_model}, \code{noxk4_fit_lmom}),
#'     whose rule costs the square of the count: at most \code{1e4}.}
#'   \item{maxit}{iteration limits: at most \code{1e5}.}
#'   \item{replicates}{replicate counts (\code{B}, \code{Bp}, \code{R},
#'     \code{Rm}, \code{R2}, \code{M}, \code{D}, \code{m}): at most \code{1e7}.}
#'   \item{sizes}{simulated sample sizes and design points (\code{n} of
#'     \code{al_moments}, \code{al_pvalue}, \code{bb_ref},
#'     \code{noxeqfit_taus}, \code{nM}, \code{nsizes}, \code{nmom},
#'     \code{nm}, \code{ng} of \code{noxvc_icc_oneway}): at most \code{1e7}.}
#'   \item{bands}{band counts without a bounding array (\code{J} of
#'     \code{noxk4_fit_nalr}): at most \code{1e4}.}
#' }
#' Every output must also fit in an R vector indexed by a C \code{int}
#' (at most \code{.Machine$integer.max} values). Negative counts, sizes,
#' replicate counts, grids and iteration limits are errors too.
#'
#' Domain results are not errors: values outside a family's support give
#' NaN (or the documented 0 / 1), failed fits and replicates stay NaN, and
#' sentinel values such as 1e12 or 1e300 are passed through as the library
#' writes them.
#'
#' @format A named numeric vector.
#' @examples
#' noxara_limits
#' try(noxk4_readings(theta = c(0, 1, 0, 1, 0, 0.5), grid = 1e9))
#' @export
noxara_limits <- c(grid = 1e7, gl_nodes = 1e4, maxit = 1e5, replicates = 1e7,
                   sizes = 1e7, bands = 1e4)

.kind_cap <- c(grid = "grid", gl = "gl_nodes", maxit = "maxit", rep = "replicates",
               size = "sizes", bands = "bands")

.parse_arg <- function(tok) {
  parts <- strsplit(tok, ":", fixed = TRUE)[[1]]
  a <- list(name = parts[1], type = parts[2], elem = if (length(parts) > 2) parts[3] else NULL)
  ty <- a$type
  if (startsWith(ty, "count=")) {
    a$kind <- "count"; a$derive <- str2lang(substring(ty, 7))
  } else if (startsWith(ty, "opt=")) {
    a$kind <- "opt"; a$choices <- as.integer(strsplit(substring(ty, 5), "|", fixed = TRUE)[[1]])
  } else if (ty %in% c("d", "i")) {
    a$kind <- if (ty == "d") "dscalar" else "iscalar"
  } else if (grepl("^[di]\\[", ty)) {
    a$kind <- if (startsWith(ty, "d")) "dvec" else "ivec"
    len <- sub("^[di]\\[(.*)\\]$", "\\1", ty)
    if (len == "*") {
      a$len <- NULL
    } else if (startsWith(len, ">=")) {
      a$minlen <- as.numeric(substring(len, 3))
    } else {
      a$len <- str2lang(len)
    }
  } else {
    a$kind <- ty  # size, rep, grid, gl, maxit, bands, seed, opt
  }
  a
}

.parse_sig <- function(s) {
  halves <- strsplit(s, "||", fixed = TRUE)[[1]]
  toks <- function(x) Filter(nzchar, strsplit(trimws(x), "[[:space:]]+")[[1]])
  list(inputs = lapply(toks(halves[1]), .parse_arg),
       outputs = lapply(toks(halves[2]), .parse_arg))
}

.ll_sigs <- lapply(.ll_table, .parse_sig)

.as_int_scalar <- function(v, name, fn) {
  if (is.null(v) || !(is.numeric(v) || is.logical(v)) || is.object(v) && !is.numeric(v))
    stop(sprintf("%s: argument '%s' must be a single whole number", fn, name), call. = FALSE)
  if (length(v) != 1L)
    stop(sprintf("%s: argument '%s' must be a single whole number, not a vector of length %d",
                 fn, name, length(v)), call. = FALSE)
  v <- as.numeric(v)
  if (is.na(v) || !is.finite(v) || v != trunc(v) || abs(v) > .Machine$integer.max)
    stop(sprintf("%s: argument '%s' must be a finite whole number (got %s)",
                 fn, name, format(v)), call. = FALSE)
  as.integer(v)
}

.check_range <- function(v, a, fn) {
  if (a$kind %in% c("count", "size", "rep", "grid", "gl", "maxit", "bands")) {
    if (any(v < 0L))
      stop(sprintf("%s: argument '%s' must be >= 0", fn, a$name), call. = FALSE)
    cap <- .kind_cap[a$kind]
    if (!is.na(cap) && any(v > noxara_limits[[cap]]))
      stop(sprintf("%s: argument '%s' exceeds the limit %s = %g (see ?noxara_limits)",
                   fn, a$name, cap, noxara_limits[[cap]]), call. = FALSE)
  }
  if (a$kind == "opt" && !is.null(a$choices) && !(v %in% a$choices))
    stop(sprintf("%s: argument '%s' must be one of %s", fn, a$name,
                 paste(a$choices, collapse = ", ")), call. = FALSE)
  v
}

.as_vec <- function(v, a, fn) {
  ok <- if (a$kind %in% c("dvec", "dscalar")) is.numeric(v) || is.logical(v) && all(is.na(v))
        else is.numeric(v)
  if (is.null(v) || !ok || is.factor(v) || is.complex(v))
    stop(sprintf("%s: argument '%s' must be numeric", fn, a$name), call. = FALSE)
  if (a$kind %in% c("dvec", "dscalar")) {
    v <- as.double(v)
    attributes(v) <- NULL
    return(v)
  }
  v <- as.numeric(v)
  if (anyNA(v) || any(!is.finite(v)) || any(v != trunc(v)) || any(abs(v) > .Machine$integer.max))
    stop(sprintf("%s: argument '%s' must hold finite whole numbers", fn, a$name), call. = FALSE)
  v <- as.integer(v)
  if (!is.null(a$elem)) .check_range(v, list(name = a$name, kind = a$elem), fn) else v
}

# Validate the arguments of routine `fn` (a list named by C argument, NULL
# for an omitted count) and return the .C argument list, outputs included.
.ll_args <- function(fn, args) {
  sig <- .ll_sigs[[fn]]
  vals <- list()
  # 1. arrays and non-count scalars
  for (a in sig$inputs) {
    v <- args[[a$name]]
    if (a$kind == "count") next
    if (a$kind %in% c("dvec", "ivec")) {
      vals[[a$name]] <- .as_vec(v, a, fn)
    } else if (a$kind == "dscalar") {
      v <- .as_vec(v, a, fn)
      if (length(v) != 1L)
        stop(sprintf("%s: argument '%s' must be a single number, not a vector of length %d",
                     fn, a$name, length(v)), call. = FALSE)
      vals[[a$name]] <- v
    } else {
      vals[[a$name]] <- .check_range(.as_int_scalar(v, a$name, fn), a, fn)
    }
  }
  # 2. counts: taken from the arrays when omitted
  for (a in sig$inputs) {
    if (a$kind != "count") next
    v <- args[[a$name]]
    if (is.null(v)) {
      v <- eval(a$derive, vals)
      if (length(v) != 1L || is.na(v) || v != trunc(v) || v < 0)
        stop(sprintf("%s: argument '%s' cannot be taken from the array lengths (got %s); check the lengths",
                     fn, a$name, format(v)), call. = FALSE)
    }
    vals[[a$name]] <- .check_range(.as_int_scalar(v, a$name, fn), a, fn)
  }
  # 3. array lengths against the counts
  for (a in sig$inputs) {
    if (!(a$kind %in% c("dvec", "ivec"))) next
    got <- length(vals[[a$name]])
    if (!is.null(a$minlen)) {
      if (got < a$minlen)
        stop(sprintf("%s: argument '%s' must have at least %g values (has %d)",
                     fn, a$name, a$minlen, got), call. = FALSE)
    } else if (!is.null(a$len)) {
      want <- eval(a$len, lapply(vals, as.numeric))
      if (got != want)
        stop(sprintf("%s: argument '%s' has length %d but must have length %s = %g",
                     fn, a$name, got, deparse(a$len), want), call. = FALSE)
    }
  }
  # 4. outputs, NaN-prefilled (the integer output starts at NA)
  outs <- list()
  for (o in sig$outputs) {
    size <- eval(o$len, lapply(vals, as.numeric))
    if (size > .Machine$integer.max)
      stop(sprintf("%s: output '%s' would need %s = %g values, more than an R vector of this kind holds; reduce the counts",
                   fn, o$name, deparse(o$len), size), call. = FALSE)
    outs[[o$name]] <- if (o$kind == "dvec") rep(NaN, size) else rep(NA_integer_, size)
  }
  list(inputs = vals[vapply(sig$inputs, `[[`, "", "name")], outputs = outs)
}

.ll_call <- function(fn, args, chunks = 1L) {
  ca <- .ll_args(fn, args)
  if (!is.null(.shardable[[fn]])) {
    chunks <- .check_chunks(chunks, fn)
    if (chunks > 1L && ca$inputs[[.shardable[[fn]]$count]] > 1L)
      return(.ll_sharded(fn, ca, chunks))
  }
  res <- do.call(.C, c(list(get(paste0("C_", fn), envir = .ns_env)), unname(ca$inputs), ca$outputs, list(NAOK = TRUE)))
  res[names(ca$outputs)]
}

# The exported functions: formals named as the C arguments, counts optional.
.make_ll <- function(fn) {
  sig <- .ll_sigs[[fn]]
  nms <- vapply(sig$inputs, `[[`, "", "name")
  fmls <- rep(list(quote(expr = )), length(nms))
  names(fmls) <- nms
  for (a in sig$inputs) if (a$kind == "count") fmls[a$name] <- list(NULL)
  body <- bquote({
    args <- .ll_collect(.(fn), environment())
    .ll_call(.(fn), args)
  })
  if (fn %in% names(.shardable)) {
    fmls$chunks <- 1
    body <- bquote({
      args <- .ll_collect(.(fn), environment())
      .ll_call(.(fn), args, chunks)
    })
  }
  f <- function() NULL
  formals(f) <- fmls
  body(f) <- body
  environment(f) <- topenv()
  f
}

.ll_collect <- function(fn, env) {
  sig <- .ll_sigs[[fn]]
  out <- list()
  for (a in sig$inputs) {
    if (eval(call("missing", as.name(a$name)), env) && a$kind != "count")
      stop(sprintf("%s: argument '%s' is missing, with no default", fn, a$name), call. = FALSE)
    v <- get(a$name, envir = env)
    out[a$name] <- list(v)
  }
  out
}

.ns_env <- environment()

for (.fn in names(.ll_table)) assign(.fn, .make_ll(.fn))
rm(.fn)
