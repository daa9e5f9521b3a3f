# The one table behind the low-level layer: for every routine called through
# .C, its inputs in C order and its outputs with their sizes.
#
# Input kinds
#   d           double scalar            d[e]  double vector of length e
#   d[>=e]      double vector, at least e values   d[*] any length
#   i[e]        integer vector of length e (whole numbers)
#   count=e     integer count; omitted -> e (an expression in the other
#               arguments); given -> must agree with the array lengths
#   size        integer >= 0, a sample size or point count   (cap: sizes)
#   rep         integer >= 0, a replicate count               (cap: replicates)
#   grid        integer >= 0, grid points or quadrature nodes (cap: grid)
#   gl          integer >= 0, Gauss-Legendre nodes            (cap: gl_nodes)
#   maxit       integer >= 0, iteration limit                 (cap: maxit)
#   bands       integer >= 0, number of bands                 (cap: bands)
#   seed, opt   any integer
# Outputs: name:d[e] or name:i[e], e in terms of the counts.
.ll_table <- c(
  # arc-length test
  al_statistic = "n:count=length(u) u:d[n] || out:d[1]",
  al_moments = "n:size || out:d[4]",
  al_pvalue = "s:d n:size || out:d[1]",
  # Bayesian bootstrap and characteristic function
  bb_post = "n:count=length(u) u:d[n] M:rep seed:seed || out:d[2*M]",
  bb_ref = "n:size D:rep m:rep seed:seed || out:d[2*D*m]",
  cf_arclength_emp = "x:d[n] n:count=length(x) T:d ng:grid || out:d[1]",
  # variance components
  noxvc_icc_oneway = "y:d[n] g:i[n] n:count=length(y) ng:size || out:d[3]",
  noxvc_locus_dist = "h:d[n] k:d[n] n:count=length(h) lh:d[nl] lk:d[nl] nl:count=length(lh) || out:d[n]",
  # shape-polynomial family, band model, scale
  noxq_qd = "u:d[nu] nu:count=length(u) coef:d[k] k:count=length(coef) sigma:d || out:d[nu]",
  noxq_arclength = "coef:d[k] k:count=length(coef) sigma:d nodes:gl || out:d[1]",
  sample_lmoments_c = "x:d[n] n:count=length(x) nmom:size || out:d[nmom]",
  noxq_fit_cf_c = "x:d[n] n:count=length(x) || out:d[5]",
  al_band_model = "sigma:d a:d b:d nodes:gl || out:d[1]",
  al_band_model_star = "sigma:d a:d b:d nodes:gl || out:d[1]",
  al_band_sample = "x:d[n] n:count=length(x) a:d b:d || out:d[1]",
  al_scale = "x:d[n] n:count=length(x) a:d b:d || out:d[1]",
  al_scale_raw = "x:d[n] n:count=length(x) a:d b:d || out:d[1]",
  # circular families
  noxc_c3max = "|| out:d[1]",
  noxc_qd3 = "u:d[nu] nu:count=length(u) c3:d || out:d[nu]",
  noxc_Q3 = "u:d[nu] nu:count=length(u) c3:d || out:d[nu]",
  noxc_dens3 = "theta:d[nth] nth:count=length(theta) c3:d mu:d || out:d[nth]",
  noxc_trigmom3 = "p:opt c3:d mu:d nodes:grid || out:d[2]",
  noxc_rand3 = "unif:d[n] n:count=length(unif) c3:d mu:d || out:d[n]",
  noxc_fit3 = "theta:d[n] n:count=length(theta) nodes:grid || out:d[4]",
  noxc_qd_fr = "u:d[nu] nu:count=length(u) pre:d[np] pim:d[np] np:count=length(pre) || out:d[nu]",
  noxc_trigmom_fr = "p:opt pre:d[np] pim:d[np] np:count=length(pre) mu:d nodes:grid || out:d[2]",
  noxc_Q_fr = "u:d[nu] nu:count=length(u) pre:d[np] pim:d[np] np:count=length(pre) nodes:grid || out:d[nu]",
  noxc_dens_fr = "theta:d[nth] nth:count=length(theta) pre:d[np] pim:d[np] np:count=length(pre) mu:d nodes:grid || out:d[nth]",
  noxc_rand_fr = "unif:d[n] n:count=length(unif) pre:d[np] pim:d[np] np:count=length(pre) mu:d nodes:grid || out:d[n]",
  noxc_lmom = "x:d[n] n:count=length(x) nm:size || out:d[2*nm]",
  noxc_rho_from_lmom = "ellre:d[nm] ellim:d[nm] nm:count=length(ellre) || out:d[2*nm]",
  noxc_qmin_rho = "rhore:d[nm] rhoim:d[nm] nm:count=length(rhore) nodes:grid || out:d[1]",
  noxc_admiss = "rhore:d[nm] rhoim:d[nm] nm:count=length(rhore) margin:d nodes:grid || out:d[2*nm+1]",
  noxc_factorise = "rhore:d[nm] rhoim:d[nm] nm:count=length(rhore) || out:d[2*nm+2]",
  noxc_fit_fr = "theta:d[n] n:count=length(theta) nm:size margin:d nodes:grid || out:d[2*nm+5]",
  noxc_temper_vm = "theta:d[nth] nth:count=length(theta) kappa:d mu:d s:d nodes:grid || out:d[nth]",
  noxc_temper_vm_trigmom = "p:opt kappa:d mu:d s:d nodes:grid || out:d[2]",
  noxc_exact_ci = "theta:d[np] np:count=length(theta) Bp:rep seedp:seed cgrid:d[ngp] ngp:count=length(cgrid) statp:opt groupp:opt levp:d || out:d[ngp+3]",
  noxc_gof = "theta:d[np] np:count=length(theta) c3p:d mup:d Bp:rep seedp:seed || out:d[2]",
  # kappa-4 distribution, readings, fits
  noxk4_q = "u:d[nu] nu:count=length(u) mu:d sg:d k:d h:d || out:d[nu]",
  noxk4_cdf = "x:d[nx] nx:count=length(x) mu:d sg:d k:d h:d || out:d[nx]",
  noxk4_pdf = "x:d[nx] nx:count=length(x) mu:d sg:d k:d h:d || out:d[nx]",
  noxk4_tau34 = "k:d h:d nodes:gl || out:d[4]",
  noxk4_readings = "theta:d[6] grid:grid || out:d[3]",
  noxk4_band_model = "theta:d[6] breaks:d[J+1] J:count=length(breaks)-1 nodes:gl p:d || out:d[J]",
  noxk4_band_sample = "x:d[n] y:d[n] n:count=length(x) breaks:d[J+1] J:count=length(breaks)-1 p:d || out:d[J]",
  noxk4_band_trop_mean = "x:d[n] n:count=length(x) theta:d[6] sigma:d breaks:d[J+1] J:count=length(breaks)-1 || out:d[J]",
  noxk4_runmed = "y:d[n] n:count=length(y) w:opt || out:d[n]",
  noxk4_fit_lmom = "t3:d t4:d nodes:gl || out:d[3]",
  noxk4_fit_aleq = "ysorted:d[n] n:count=length(ysorted) bands:d[2*J] J:count=length(bands)/2 start:d[3] || out:d[4]",
  noxk4_fit_nls = "x:d[n] y:d[n] n:count=length(x) start:d[6] || out:d[7]",
  noxk4_fit_nls_drift = "x:d[n] y:d[n] n:count=length(x) start:d[7] || out:d[8]",
  noxk4_fit_nalr = "x:d[n] y:d[n] n:count=length(x) J:bands lambda:d w:opt p:d start:d[6] || out:d[7]",
  noxk4_fit_varpro = "x:d[n] y:d[n] n:count=length(x) starts:d[4*nstart] nstart:count=length(starts)/4 maxit:maxit bounds:d[4] hfix:d || out:d[8]",
  noxk4_mv_boot = "x:d[n] y:d[n] n:count=length(x) cutx:d B:rep seed:seed bounds:d[4] maxit:maxit || a_pt:d[8] A:d[8*B]",
  # quantile-density readings, beta-kernel family
  noxeq_readings = "alpha:d beta:d ntheta:count=length(theta) theta:d[ntheta] ngrid:grid || out:d[5]",
  noxeq_readings_vsl = "lambda:d delta:d ngrid:grid || out:d[5]",
  noxeq2_bc_q = "n:count=length(u) u:d[n] alpha:d beta:d || out:d[n]",
  noxeq2_bc_cdf = "n:count=length(x) x:d[n] alpha:d beta:d || out:d[n]",
  noxeq2_bc_pdf = "n:count=length(x) x:d[n] alpha:d beta:d || out:d[n]",
  noxeq2_ub_quad = "alpha:d beta:d || out:d[2]",
  noxeq2_E = "alpha:d beta:d || out:d[1]",
  noxeq2_bstar = "alpha:d || out:d[1]",
  # curve fits and simulation studies
  noxeqfit_blocklen = "r:d[n] n:count=length(r) || out:i[1]",
  noxeqfit_bc = "x:d[n] y:d[n] n:count=length(x) starts:d[ns*np] ns:count=length(starts)/np np:opt=5|6 maxit:maxit cal:d[nc] cbe:d[nc] nc:count=length(cal) alo:d ahi:d || out:d[9]",
  noxeqfit_bc_boot = "x:d[n] y:d[n] n:count=length(x) th:d[6] B:rep seed:seed maxit:maxit cal:d[nc] cbe:d[nc] nc:count=length(cal) alo:d ahi:d || out_a:d[B]",
  noxeqfit_k4eq = "x:d[n] y:d[n] n:count=length(x) starts:d[5*ns] ns:count=length(starts)/5 maxit:maxit lh:d[nl] lk:d[nl] nl:count=length(lh) hlo:d hhi:d || out:d[8]",
  noxeqfit_k4eq_boot = "x:d[n] y:d[n] n:count=length(x) th:d[6] p0in:d[5] B:rep seed:seed maxit:maxit lh:d[nl] lk:d[nl] nl:count=length(lh) hlo:d hhi:d || out_a:d[B]",
  noxeqfit_score_at = "x:d[n] y:d[n] n:count=length(x) mu:d sg:d al:d be:d || out:d[1]",
  noxeqfit_msim = "nM:size sde:d Rm:rep seed:seed th0:d[6] st5:d[>=3] maxit:maxit cal:d[nc] cbe:d[nc] nc:count=length(cal) alo:d ahi:d thref:d[12] || out:d[8*Rm]",
  noxeqfit_nullT = "nM:size sde:d R2:rep seed:seed th0:d[6] st5:d[>=3] maxit:maxit cal:d[nc] cbe:d[nc] nc:count=length(cal) alo:d ahi:d || out:d[R2]",
  noxeqfit_estsim = "a0:d b0:d R:rep nsizes:i[nn]:size nn:count=length(nsizes) seed:seed maxit:maxit || out:d[6*nn*R]",
  noxeqfit_taus = "a0:d b0:d R:rep n:size seed:seed || out:d[4*R]",
  noxeqfit_bsweep = "ks:d[nk] nk:count=length(ks) h:d || out_b:d[nk]",
  noxeqfit_absweep = "ks:d[nk] nk:count=length(ks) h:d || out_a:d[nk] out_b:d[nk]",
  noxeqfit_Esweep = "alpha:d bg:d[nb] nb:count=length(bg) || out:d[nb]"
)

# Per routine: the count that is split, and how the outputs are reassembled
# ("rows": one value per replicate; "cols": column-major with the count as
# the number of rows, `ncol` columns).
.shardable <- list(
  noxeqfit_bc_boot = list(count = "B", layout = "rows"),
  noxeqfit_k4eq_boot = list(count = "B", layout = "rows"),
  noxk4_mv_boot = list(count = "B", layout = "mv"),
  noxeqfit_msim = list(count = "Rm", layout = "cols", ncol = quote(8)),
  noxeqfit_nullT = list(count = "R2", layout = "rows"),
  noxeqfit_estsim = list(count = "R", layout = "cols", ncol = quote(6 * nn)),
  noxc_exact_ci = list(count = "ngp", layout = "ci"),
  noxc_gof = list(count = "Bp", layout = "gof")
)

