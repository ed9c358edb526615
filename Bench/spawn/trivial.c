/* The trivial converter of the spawn benchmark: one short line on standard output, nothing else. */
#include <stdio.h>

int main(int argc, char** argv) {
    (void)argv;
    printf("%d\n", argc);
    return 0;
}
