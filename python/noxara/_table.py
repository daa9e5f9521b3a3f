"""Argument table of the 78 routines, in C argument order.

Token forms (``name:kind``):
  d            double array of any length       d[expr]  double array of length expr
  d[>=expr]    double array of at least expr    s        double scalar
  i[expr]      int array (i[expr]:kind checks each element against the kind's cap)
  count        int: an array's length (may be omitted and is then taken from the array)
  glnodes nodes grid maxit reps size order   int scalars with a cap (see LIMITS)
  seed sel     int scalars without a cap
  o[expr]      double output of expr values    oi[expr]  int output
Expressions use the int arguments by name.
"""

ROUTINES = {
    # arc-length test of uniformity
    "al_statistic": "n:count u:d[n] out:o[1]",
    "al_moments": "n:size out:o[4]",
    "al_pvalue": "s:s n:size out:o[1]",
    # Bayesian-bootstrap arc length
    "bb_post": "n:count u:d[n] M:reps seed:seed out:o[2*M]",
    "bb_ref": "n:size D:reps m:reps seed:seed out:o[2*D*m]",
    # characteristic-function arc length
    "cf_arclength_emp": "x:d[n] n:count T:s ng:grid out:o[1]",
    # variance components
    "noxvc_icc_oneway": "y:d[n] g:i[n] n:count ng:size out:o[3]",
    "noxvc_locus_dist": "h:d[n] k:d[n] n:count lh:d[nl] lk:d[nl] nl:count out:o[n]",
    # shape-polynomial quantile family, band model, scale
    "noxq_qd": "u:d[nu] nu:count coef:d[k] k:count sigma:s out:o[nu]",
    "noxq_arclength": "coef:d[k] k:count sigma:s nodes:glnodes out:o[1]",
    "sample_lmoments_c": "x:d[n] n:count nmom:order out:o[nmom]",
    "noxq_fit_cf_c": "x:d[n] n:count out:o[5]",
    "al_band_model": "sigma:s a:s b:s nodes:nodes out:o[1]",
    "al_band_model_star": "sigma:s a:s b:s nodes:nodes out:o[1]",
    "al_band_sample": "x:d[n] n:count a:s b:s out:o[1]",
    "al_scale": "x:d[n] n:count a:s b:s out:o[1]",
    "al_scale_raw": "x:d[n] n:count a:s b:s out:o[1]",
    # circular distributions
    "noxc_c3max": "out:o[1]",
    "noxc_qd3": "u:d[nu] nu:count c3:s out:o[nu]",
    "noxc_Q3": "u:d[nu] nu:count c3:s out:o[nu]",
    "noxc_dens3": "theta:d[nth] nth:count c3:s mu:s out:o[nth]",
    "noxc_trigmom3": "p:sel c3:s mu:s nodes:nodes out:o[2]",
    "noxc_rand3": "unif:d[n] n:count c3:s mu:s out:o[n]",
    "noxc_fit3": "theta:d[n] n:count nodes:nodes out:o[4]",
    "noxc_qd_fr": "u:d[nu] nu:count pre:d[np] pim:d[np] np:count out:o[nu]",
    "noxc_trigmom_fr": "p:sel pre:d[np] pim:d[np] np:count mu:s nodes:nodes out:o[2]",
    "noxc_Q_fr": "u:d[nu] nu:count pre:d[np] pim:d[np] np:count nodes:nodes out:o[nu]",
    "noxc_dens_fr": "theta:d[nth] nth:count pre:d[np] pim:d[np] np:count mu:s nodes:nodes out:o[nth]",
    "noxc_rand_fr": "unif:d[n] n:count pre:d[np] pim:d[np] np:count mu:s nodes:nodes out:o[n]",
    "noxc_lmom": "x:d[n] n:count nm:order out:o[2*nm]",
    "noxc_rho_from_lmom": "ellre:d[nm] ellim:d[nm] nm:count out:o[2*nm]",
    "noxc_qmin_rho": "rhore:d[nm] rhoim:d[nm] nm:count nodes:nodes out:o[1]",
    "noxc_admiss": "rhore:d[nm] rhoim:d[nm] nm:count margin:s nodes:nodes out:o[2*nm+1]",
    "noxc_factorise": "rhore:d[nm] rhoim:d[nm] nm:count out:o[2*nm+2]",
    "noxc_fit_fr": "theta:d[n] n:count nm:order margin:s nodes:nodes out:o[2*nm+5]",
    "noxc_temper_vm": "theta:d[nth] nth:count kappa:s mu:s s:s nodes:nodes out:o[nth]",
    "noxc_temper_vm_trigmom": "p:sel kappa:s mu:s s:s nodes:nodes out:o[2]",
    "noxc_exact_ci": ("theta:d[np] np:count Bp:reps seedp:seed cgrid:d[ngp] ngp:count statp:sel "
                      "groupp:sel levp:s out:o[ngp+3]"),
    "noxc_gof": "theta:d[np] np:count c3p:s mup:s Bp:reps seedp:seed out:o[2]",
    # kappa-4 distribution and fits (k4_F and noxk4_nmd are written by hand)
    "noxk4_q": "u:d[nu] nu:count mu:s sg:s k:s h:s out:o[nu]",
    "noxk4_cdf": "x:d[nx] nx:count mu:s sg:s k:s h:s out:o[nx]",
    "noxk4_pdf": "x:d[nx] nx:count mu:s sg:s k:s h:s out:o[nx]",
    "noxk4_tau34": "k:s h:s nodes:glnodes out:o[4]",
    "noxk4_readings": "theta:d[6] grid:grid out:o[3]",
    "noxk4_band_model": "theta:d[6] breaks:d[J+1] J:count nodes:glnodes p:s out:o[J]",
    "noxk4_band_sample": "x:d[n] y:d[n] n:count breaks:d[J+1] J:count p:s out:o[J]",
    "noxk4_band_trop_mean": "x:d[n] n:count theta:d[6] sigma:s breaks:d[J+1] J:count out:o[J]",
    "noxk4_runmed": "y:d[n] n:count w:sel out:o[n]",
    "noxk4_fit_lmom": "t3:s t4:s nodes:glnodes out:o[3]",
    "noxk4_fit_aleq": "ysorted:d[n] n:count bands:d[2*J] J:count start:d[3] out:o[4]",
    "noxk4_fit_nls": "x:d[n] y:d[n] n:count start:d[6] out:o[7]",
    "noxk4_fit_nls_drift": "x:d[n] y:d[n] n:count start:d[7] out:o[8]",
    "noxk4_fit_nalr": "x:d[n] y:d[n] n:count J:size lambda:s w:sel p:s start:d[6] out:o[7]",
    "noxk4_fit_varpro": ("x:d[n] y:d[n] n:count starts:d[4*nstart] nstart:count maxit:maxit "
                         "bounds:d[4] hfix:s out:o[8]"),
    "noxk4_mv_boot": ("x:d[n] y:d[n] n:count cutx:s B:reps seed:seed bounds:d[4] maxit:maxit "
                      "a_pt:o[8] A:o[8*B]"),
    # quantile-density readings
    "noxeq_readings": "alpha:s beta:s ntheta:count theta:d[ntheta] ngrid:grid out:o[5]",
    "noxeq_readings_vsl": "lambda:s delta:s ngrid:grid out:o[5]",
    # beta-kernel quantile family
    "noxeq2_bc_q": "n:count u:d[n] alpha:s beta:s out:o[n]",
    "noxeq2_bc_cdf": "n:count x:d[n] alpha:s beta:s out:o[n]",
    "noxeq2_bc_pdf": "n:count x:d[n] alpha:s beta:s out:o[n]",
    "noxeq2_ub_quad": "alpha:s beta:s out:o[2]",
    "noxeq2_E": "alpha:s beta:s out:o[1]",
    "noxeq2_bstar": "alpha:s out:o[1]",
    # curve fitting and simulation studies
    "noxeqfit_blocklen": "r:d[n] n:count out:oi[1]",
    "noxeqfit_bc": ("x:d[n] y:d[n] n:count starts:d[ns*np] ns:count np:sel maxit:maxit "
                    "cal:d[nc] cbe:d[nc] nc:count alo:s ahi:s out:o[9]"),
    "noxeqfit_bc_boot": ("x:d[n] y:d[n] n:count th:d[6] B:reps seed:seed maxit:maxit "
                         "cal:d[nc] cbe:d[nc] nc:count alo:s ahi:s out_a:o[B]"),
    "noxeqfit_k4eq": ("x:d[n] y:d[n] n:count starts:d[5*ns] ns:count maxit:maxit "
                      "lh:d[nl] lk:d[nl] nl:count hlo:s hhi:s out:o[8]"),
    "noxeqfit_k4eq_boot": ("x:d[n] y:d[n] n:count th:d[6] p0in:d[5] B:reps seed:seed maxit:maxit "
                           "lh:d[nl] lk:d[nl] nl:count hlo:s hhi:s out_a:o[B]"),
    "noxeqfit_score_at": "x:d[n] y:d[n] n:count mu:s sg:s al:s be:s out:o[1]",
    "noxeqfit_msim": ("nM:size sde:s Rm:reps seed:seed th0:d[6] st5:d[>=3] maxit:maxit "
                      "cal:d[nc] cbe:d[nc] nc:count alo:s ahi:s thref:d[12] out:o[8*Rm]"),
    "noxeqfit_nullT": ("nM:size sde:s R2:reps seed:seed th0:d[6] st5:d[>=3] maxit:maxit "
                       "cal:d[nc] cbe:d[nc] nc:count alo:s ahi:s out:o[R2]"),
    "noxeqfit_estsim": ("a0:s b0:s R:reps nsizes:i[nn]:size nn:count seed:seed maxit:maxit "
                        "out:o[6*nn*R]"),
    "noxeqfit_taus": "a0:s b0:s R:reps n:size seed:seed out:o[4*R]",
    "noxeqfit_bsweep": "ks:d[nk] nk:count h:s out_b:o[nk]",
    "noxeqfit_absweep": "ks:d[nk] nk:count h:s out_a:o[nk] out_b:o[nk]",
    "noxeqfit_Esweep": "alpha:s bg:d[nb] nb:count out:o[nb]",
}

# Replicate-range versions: routine -> (name of the count argument, layout of the output).
#   "rows"    out[j] is replicate first + j (out_a / out)
#   "mvrows"  A[8j .. 8j+7] is replicate first + j; a_pt comes from a separate call
#   "cols8"   column-major, 8 columns
#   "cols6nn" column-major, 6*nn columns
#   "ci"      p-values of grid points; combined by noxc_exact_ci_combine
#   "gof"     counts of extreme replicates; p-value from their sum
RANGED = {
    "noxeqfit_bc_boot": ("B", "rows"),
    "noxeqfit_k4eq_boot": ("B", "rows"),
    "noxk4_mv_boot": ("B", "mvrows"),
    "noxeqfit_msim": ("Rm", "cols8"),
    "noxeqfit_nullT": ("R2", "rows"),
    "noxeqfit_estsim": ("R", "cols6nn"),
    "noxc_exact_ci": ("ngp", "ci"),
    "noxc_gof": ("Bp", "gof"),
}

# Input arrays the library reads as already sorted ascending (it does not sort them).
ASCENDING = {
    "bb_post": ("u",),
    "noxk4_fit_aleq": ("ysorted",),
    "noxk4_fit_nalr": ("x",),
    "noxk4_mv_boot": ("x",),
    "noxk4_band_model": ("breaks",),
    "noxk4_band_sample": ("breaks",),
    "noxk4_band_trop_mean": ("breaks",),
    "noxeqfit_bc": ("cal",),
    "noxeqfit_bc_boot": ("cal",),
    "noxeqfit_msim": ("cal",),
    "noxeqfit_nullT": ("cal",),
    "noxeqfit_k4eq": ("lh",),
    "noxeqfit_k4eq_boot": ("lh",),
}
