/* .Call trampolines for the two routines that do not take every argument by
 * address: k4_F (vectorised here over equal-length arguments) and
 * noxk4_nmd (minimising an R function). */
#include <R.h>
#include <Rinternals.h>
#include <math.h>
#include "noxlib/include/noxara.h"

SEXP nox_k4_F(SEXP x, SEXP mu, SEXP sg, SEXP k, SEXP h) {
    R_xlen_t n = XLENGTH(x);
    SEXP out = PROTECT(allocVector(REALSXP, n));
    const double *px = REAL(x), *pm = REAL(mu), *ps = REAL(sg), *pk = REAL(k), *ph = REAL(h);
    double* po = REAL(out);
    for (R_xlen_t i = 0; i < n; ++i) po[i] = k4_F(px[i], pm[i], ps[i], pk[i], ph[i]);
    UNPROTECT(1);
    return out;
}

/* The objective's context. An R error inside the objective must not unwind
 * through the library's frames, so the call is made with R_tryEval; after a
 * failure every later evaluation returns +Inf at once, and the error is
 * raised when the minimiser has returned. */
typedef struct {
    SEXP call; /* f(par) with par a REALSXP of length d */
    SEXP par;
    SEXP rho;
    int d;
    int failed; /* 1: R error, 2: not a single number */
} nmd_ctx;

static double nmd_obj(const double* p, const void* vctx) {
    nmd_ctx* c = (nmd_ctx*)vctx;
    if (c->failed) return R_PosInf;
    double* pp = REAL(c->par);
    for (int i = 0; i < c->d; ++i) pp[i] = p[i];
    int err = 0;
    SEXP v = R_tryEvalSilent(c->call, c->rho, &err);
    if (err) { c->failed = 1; return R_PosInf; }
    PROTECT(v);
    double r;
    if ((TYPEOF(v) == REALSXP || TYPEOF(v) == INTSXP || TYPEOF(v) == LGLSXP) && XLENGTH(v) == 1) {
        r = asReal(v);
    } else {
        c->failed = 2;
        r = R_PosInf;
    }
    UNPROTECT(1);
    return r;
}

SEXP nox_nmd(SEXP f, SEXP rho, SEXP start, SEXP maxit) {
    int d = LENGTH(start);
    nmd_ctx c;
    c.par = PROTECT(allocVector(REALSXP, d));
    c.call = PROTECT(lang2(f, c.par));
    c.rho = rho;
    c.d = d;
    c.failed = 0;
    SEXP xout = PROTECT(allocVector(REALSXP, d));
    SEXP fout = PROTECT(allocVector(REALSXP, 1));
    for (int i = 0; i < d; ++i) REAL(xout)[i] = R_NaN;
    REAL(fout)[0] = R_NaN;
    noxk4_nmd(nmd_obj, &c, d, REAL(start), asInteger(maxit), REAL(xout), REAL(fout));
    if (c.failed == 1) error("noxk4_nmd: the objective 'f' raised an error");
    if (c.failed == 2) error("noxk4_nmd: the objective 'f' must return a single number");
    SEXP res = PROTECT(allocVector(VECSXP, 2));
    SET_VECTOR_ELT(res, 0, xout);
    SET_VECTOR_ELT(res, 1, fout);
    SEXP nms = PROTECT(allocVector(STRSXP, 2));
    SET_STRING_ELT(nms, 0, mkChar("xout"));
    SET_STRING_ELT(nms, 1, mkChar("fout"));
    setAttrib(res, R_NamesSymbol, nms);
    UNPROTECT(6);
    return res;
}
