# Speed of replicate shards (run by hand, not a test): noxeqfit_nullT with 8
# replicates (30 design points, maxit 200) in one call, then in 8 shards on
# two local worker processes. The results must be identical.
#   R_LIBS=<library with noxara> Rscript r/bench/nullT_shards.R
library(noxara)
args <- list(nM = 30L, sde = 0.05, R2 = 8L, seed = 1L, th0 = c(0.2, 1.5, 1, 2, -0.5, -0.38),
             st5 = c(0, 0, 0), maxit = 200L, cal = c(-0.9, -0.7, -0.5, -0.3, -0.1),
             cbe = c(-0.55, -0.45, -0.38, -0.3, -0.2), alo = -0.85, ahi = -0.15)
serial <- system.time(a <- do.call(noxeqfit_nullT, args))[["elapsed"]]
future::plan(future::multisession, workers = 2)
invisible(noxc_c3max())  # nothing to warm: workers start on first use
sharded <- system.time(b <- do.call(noxeqfit_nullT, c(args, list(chunks = 8))))[["elapsed"]]
future::plan(future::sequential)
cat(sprintf("serial %.1f s, 2 workers %.1f s, speed-up %.2f, identical: %s\n",
            serial, sharded, serial / sharded, identical(a, b)))
