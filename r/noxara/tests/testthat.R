library(testthat)
library(noxara)
test_check("noxara")
