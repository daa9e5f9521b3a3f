/* A program outside the project, built against the installed library: the
 * header compiles as strict C, the version macros match the package, and the
 * routines run. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <noxara.h>

#define STR2(x) #x
#define STR(x) STR2(x)

int main(int argc, char** argv) {
  const char* version =
      STR(NOXARA_VERSION_MAJOR) "." STR(NOXARA_VERSION_MINOR) "." STR(NOXARA_VERSION_PATCH);
  if (argc > 1 && strcmp(argv[1], version) != 0) {
    fprintf(stderr, "header version %s, package version %s\n", version, argv[1]);
    return 1;
  }
  const int n = 5;
  const double u[5] = {0.12, 0.35, 0.41, 0.77, 0.93};
  double s = 0.0, p = 0.0;
  al_statistic(&n, u, &s);
  al_pvalue(&s, &n, &p);
  printf("noxara %s: S = %.6f, P(S >= s) = %.4f\n", version, s, p);
  /* S lies between the diagonal sqrt(2) and 2; p is a probability. */
  return (s >= sqrt(2.0) && s <= 2.0 && p >= 0.0 && p <= 1.0) ? 0 : 1;
}
