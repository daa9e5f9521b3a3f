#include <stdio.h>
#include "noxara.h"
int main(void) { return 0; }
