/* The trivial converter that leaves an output: writes one short line into its last argument and
 * prints one on standard output, so a second run can find every output up to date. */
#include <stdio.h>

int main(int argc, char** argv) {
    if (argc < 3) return 1;
    FILE* output = fopen(argv[argc - 1], "wb");
    if (!output) return 1;
    const int written = fprintf(output, "%d\n", argc) > 0;
    if (fclose(output) != 0 || !written) return 1;
    printf("%d\n", argc);
    return 0;
}
