# The CMake-built library, for bit comparisons: NOXARA_LIB names
# build/libnoxara.so (set by .ci/run); those tests skip without it.
cmake_lib <- function() {
  path <- Sys.getenv("NOXARA_LIB")
  if (!nzchar(path) || !file.exists(path)) skip("NOXARA_LIB does not name the CMake-built libnoxara.so")
  name <- sub("\\.so(\\..*)?$", "", basename(path))
  if (!name %in% names(getLoadedDLLs())) dyn.load(path, local = TRUE)
  name
}

# Calls routine `fn` of the CMake build directly with .C, arguments prepared
# exactly as the package prepares them, and returns the outputs.
direct_call <- function(fn, args) {
  lib <- cmake_lib()
  ca <- noxara:::.ll_args(fn, args)
  res <- do.call(.C, c(list(fn), unname(ca$inputs), ca$outputs, list(NAOK = TRUE, PACKAGE = lib)))
  res[names(ca$outputs)]
}
