/* Registration of the library's routines: every .C entry point read from the
 * public header (routines.h is written by r/build.sh), plus the two .Call
 * trampolines for k4_F (vectorised) and noxk4_nmd (an R objective). */
#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>
#include <stdlib.h>
#include "noxlib/include/noxara.h"

SEXP nox_k4_F(SEXP x, SEXP mu, SEXP sg, SEXP k, SEXP h);
SEXP nox_nmd(SEXP f, SEXP rho, SEXP start, SEXP maxit);

#define NOX_C(name, nargs) {#name, (DL_FUNC) &name, nargs},
static const R_CMethodDef c_methods[] = {
#include "routines.h"
    {NULL, NULL, 0}};
#undef NOX_C

static const R_CallMethodDef call_methods[] = {
    {"nox_k4_F", (DL_FUNC) &nox_k4_F, 5},
    {"nox_nmd", (DL_FUNC) &nox_nmd, 4},
    {NULL, NULL, 0}};

void R_init_noxara(DllInfo* dll) {
    R_registerRoutines(dll, c_methods, call_methods, NULL, NULL);
    R_useDynamicSymbols(dll, FALSE);
    R_forceSymbols(dll, TRUE);
}
