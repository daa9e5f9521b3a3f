# Replicate shards: the eight replicate routines split their replicates (or
# grid points) into contiguous ranges, run each range with the routine's
# `_range` entry point under the user's future::plan(), and reassemble the
# full routine's result bit for bit.

#' Running replicates in shards
#'
#' The bootstrap and simulation routines \code{noxeqfit_bc_boot},
#' \code{noxeqfit_k4eq_boot}, \code{noxk4_mv_boot}, \code{noxeqfit_msim},
#' \code{noxeqfit_nullT}, \code{noxeqfit_estsim}, \code{noxc_exact_ci} (over
#' its grid points) and \code{noxc_gof}, and the everyday functions built on
#' them (\code{\link{reading_bootstrap}}, \code{\link{bc_bootstrap}},
#' \code{\link{k4eq_bootstrap}}, \code{\link{circ3_interval}},
#' \code{\link{circ3_gof}}, \code{\link{model_fit_study}},
#' \code{\link{null_study}}, \code{\link{estimation_study}}), take an argument \code{chunks}. With
#' \code{chunks = 1} (the default) the routine runs in one call. With more,
#' the replicates are split into that many contiguous ranges, each range runs
#' as one task of \code{future.apply::future_lapply} under whatever
#' \code{future::plan()} is set (sequential, multisession on this machine, a
#' cluster or a batch scheduler), and the pieces are put back together. Every
#' replicate's random stream depends only on the seed and its index, so the
#' result equals the one-call result bit for bit, whatever the plan and the
#' number of chunks.
#'
#' For several machines, set for example
#' \code{future::plan(future::cluster, workers = c("node1", "node2"))} (each
#' node needs R and this package installed); a batch scheduler works the same
#' way through its future backend. On one machine,
#' \code{future::plan(future::multisession, workers = 2)}.
#'
#' Progress is reported shard by shard through \pkg{progressr} when it is
#' installed: wrap the call in \code{progressr::with_progress()} or set
#' \code{progressr::handlers(global = TRUE)}. A shard that fails raises an
#' error naming its range of replicates.
#'
#' @name noxara_shards
#' @examples
#' if (requireNamespace("future.apply", quietly = TRUE)) {
#'   th <- rcirc3(20, c3 = 0.2)
#'   future::plan(future::sequential)
#'   a <- noxc_gof(theta = th, c3p = 0.2, mup = 0, Bp = 40L, seedp = 3L, chunks = 4)
#'   b <- noxc_gof(theta = th, c3p = 0.2, mup = 0, Bp = 40L, seedp = 3L)
#'   identical(a, b)
#' }
NULL

.check_chunks <- function(chunks, fn) {
  chunks <- .as_int_scalar(chunks, "chunks", fn)
  if (chunks < 1L) stop(sprintf("%s: argument 'chunks' must be >= 1", fn), call. = FALSE)
  chunks
}

# Contiguous ranges (first, count) splitting 0..total-1 into k near-equal parts.
.shard_ranges <- function(total, k) {
  k <- min(k, total)
  edges <- floor(seq(0, total, length.out = k + 1L))
  lapply(seq_len(k), function(i) c(first = edges[i], count = edges[i + 1L] - edges[i]))
}

# Runs one shard on a worker: the `_range` routine for replicates
# first .. first + count - 1, or (count = NA) the full routine as given.
.shard_run <- function(fn, inputs, outputs) {
  sym <- get(paste0("C_", fn), envir = .ns_env)
  do.call(.C, c(list(sym), unname(inputs), outputs, list(NAOK = TRUE)))[names(outputs)]
}

.shard_task <- function(fn, ca, cname, first, count) {
  ins <- ca$inputs
  at <- match(cname, names(ins))
  ins[[cname]] <- as.integer(count)
  ins <- c(ins[seq_len(at)], list(first = as.integer(first)), ins[-seq_len(at)])
  vals <- lapply(ins, as.numeric)
  vals[[cname]] <- count
  sig <- .ll_sigs[[fn]]
  outs <- list()
  for (o in sig$outputs) {
    size <- if (fn == "noxc_exact_ci") count + 3 else if (fn == "noxc_gof") count + 2
            else eval(o$len, vals)
    outs[[o$name]] <- rep(NaN, size)
  }
  list(fn = paste0(fn, "_range"), inputs = ins, outputs = outs,
       label = sprintf("%s %s %g..%g", fn, if (fn == "noxc_exact_ci") "grid points" else "replicates",
                       first, first + count - 1))
}

.ll_sharded <- function(fn, ca, chunks) {
  info <- .shardable[[fn]]
  total <- ca$inputs[[info$count]]
  if (!requireNamespace("future.apply", quietly = TRUE))
    stop(sprintf("%s: argument 'chunks' > 1 needs the package 'future.apply'", fn), call. = FALSE)
  if (!exists(paste0("C_", fn, "_range"), envir = .ns_env, inherits = FALSE))
    stop(sprintf("%s: this build of the library has no replicate ranges; use chunks = 1", fn), call. = FALSE)
  ranges <- .shard_ranges(total, chunks)
  tasks <- lapply(ranges, function(r) .shard_task(fn, ca, info$count, r[["first"]], r[["count"]]))
  if (info$layout == "mv") {
    # The point estimate: the full routine with no replicates.
    pt <- ca
    pt$inputs$B <- 0L
    pt$outputs <- list(a_pt = rep(NaN, 8), A = double(0))
    tasks <- c(tasks, list(list(fn = fn, inputs = pt$inputs, outputs = pt$outputs,
                                label = sprintf("%s point estimate", fn))))
  }
  p <- if (requireNamespace("progressr", quietly = TRUE))
         progressr::progressor(steps = length(tasks)) else function(...) NULL
  run <- function(task) {
    res <- tryCatch(.shard_run(task$fn, task$inputs, task$outputs),
                    error = function(e) stop(sprintf("shard failed (%s): %s", task$label,
                                                     conditionMessage(e)), call. = FALSE))
    p(task$label)
    res
  }
  parts <- future.apply::future_lapply(tasks, run, future.seed = NULL,
                                       future.packages = "noxara")
  .shard_join(fn, info, ca, ranges, parts)
}

.shard_join <- function(fn, info, ca, ranges, parts) {
  counts <- vapply(ranges, `[[`, 0, "count")
  res <- ca$outputs
  switch(info$layout,
    rows = {
      res[[1]] <- unlist(lapply(parts, `[[`, 1), use.names = FALSE)
    },
    cols = {
      ncol <- eval(info$ncol, lapply(ca$inputs, as.numeric))
      mats <- Map(function(part, c) matrix(part[[1]], nrow = c, ncol = ncol), parts, counts)
      res[[1]] <- as.vector(do.call(rbind, mats))
    },
    mv = {
      nr <- length(ranges)
      res$A <- unlist(lapply(parts[seq_len(nr)], `[[`, "A"), use.names = FALSE)
      res$a_pt <- parts[[nr + 1L]]$a_pt
    },
    ci = {
      out <- c(NaN, NaN, parts[[1]]$out[3],
               unlist(lapply(parts, function(p) p$out[-(1:3)]), use.names = FALSE))
      res$out <- .C(get("C_noxc_exact_ci_combine", envir = .ns_env), ca$inputs$cgrid, ca$inputs$ngp, ca$inputs$levp,
                    out = out, NAOK = TRUE)$out
    },
    gof = {
      ge <- 0
      for (p in parts) ge <- ge + p$out[2]
      res$out <- c(parts[[1]]$out[1], (ge + 1) / (ca$inputs$Bp + 1))
    })
  res
}
