/* Starts and prints, nothing more: tools/test.sh runs it to learn whether
   this machine can start the build's programs at all. */
#include <stdio.h>

int main(void) {
    puts("vx-probe-ok");
    return 0;
}
