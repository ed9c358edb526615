/* The floor for any process runner: posix_spawn of the program with its standard output on a
 * pipe, read to the end, reap. Nothing else. Usage: spawn_floor COUNT PROGRAM */
#define _GNU_SOURCE
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: spawn_floor COUNT PROGRAM\n");
        return 2;
    }
    long count = atol(argv[1]);
    char* args[] = {argv[2], "in.txt", "out.txt", NULL};
    char buffer[1024];
    long bytes = 0;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (long i = 0; i < count; ++i) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        pid_t pid;
        if (posix_spawn(&pid, argv[2], &actions, NULL, args, environ) != 0) return 1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        ssize_t got;
        while ((got = read(fds[0], buffer, sizeof buffer)) > 0) bytes += got;
        close(fds[0]);
        waitpid(pid, NULL, 0);
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    printf("spawn_floor %ld starts %.3f s %ld bytes\n", count, seconds, bytes);
    return 0;
}
