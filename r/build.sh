#!/usr/bin/env bash
# Prepares the R package in r/noxara for R CMD build / R CMD INSTALL:
#  - copies the library sources (src/, include/) into r/noxara/src/noxlib
#    (a build product, not committed: the repository keeps one copy);
#  - writes src/routines.h, the registration table, from the public header;
#  - writes src/Makevars with one explicit rule per library source, compiled
#    with the library's floating-point flags placed after R's own (and after
#    any ~/.R/Makevars), so the package gives the CMake build's bits;
#  - regenerates the help pages (roxygen2 and the low-level pages) when
#    roxygen2 is installed; the committed pages serve otherwise.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
pkg="$here/noxara"

rm -rf "$pkg/src/noxlib"
mkdir -p "$pkg/src/noxlib"
cp -r "$root/src" "$root/include" "$pkg/src/noxlib/"

# Registration table: NOX_C(name, number of arguments) for every by-address
# routine the header declares (k4_F and noxk4_nmd go through .Call).
awk '
  /^NOXARA_API void / { collecting = 1; text = "" }
  collecting { text = text $0; if ($0 ~ /\);/) { collecting = 0
      sub(/^NOXARA_API void /, "", text); name = text; sub(/\(.*/, "", name)
      args = text; sub(/^[^(]*\(/, "", args); sub(/\).*/, "", args)
      if (name != "noxk4_nmd") { n = split(args, parts, ","); printf "NOX_C(%s, %d)\n", name, n } } }
' "$root/include/noxara.h" > "$pkg/src/routines.h"

fpflags='-O2 -ffp-contract=off -fno-fast-math -fno-tree-vectorize'
{
  echo "# Written by r/build.sh; the library sources keep the CMake build's floating-point flags."
  echo "CXX_STD = CXX17"
  echo "PKG_CPPFLAGS = -Inoxlib/include -Inoxlib/src -DNOXARA_BUILDING"
  echo "NOX_FPFLAGS = $fpflags"
  objs="init.o trampoline.o"
  rules=""
  for f in $(cd "$pkg/src" && ls noxlib/src/*.cpp noxlib/src/numerics/*.cpp); do
    o="${f%.cpp}.o"
    objs="$objs $o"
    rules="$rules
$o: $f
	\$(CXX) \$(ALL_CPPFLAGS) \$(ALL_CXXFLAGS) \$(NOX_FPFLAGS) -c $f -o $o
"
  done
  echo "OBJECTS = $objs"
  echo
  echo "all: \$(SHLIB)"
  echo "$rules"
} > "$pkg/src/Makevars"

if [ "${NOXARA_SKIP_DOCS:-0}" != 1 ] && \
   Rscript -e 'quit(status = !requireNamespace("roxygen2", quietly = TRUE))' >/dev/null 2>&1; then
  (cd "$pkg" && Rscript --vanilla "$here/tools/gen-docs.R" && \
   Rscript --vanilla -e 'roxygen2::roxygenise(".", roclets = c("rd", "namespace"), load_code = roxygen2::load_source)' >/dev/null)
fi
echo "r/noxara prepared"
