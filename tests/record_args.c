// SPDX-License-Identifier: MIT
/* Test helper: appends what it was started with to the file named by its
   first argument: its arguments, working directory, where its standard
   streams lead, how many descriptors it holds and its QT_ variables. Then sleeps for the number
   of milliseconds in its second argument, when there is one. */
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int count_descriptors(void)
{
    DIR *d = opendir("/proc/self/fd");
    int n = 0;
    if (!d)
        return -1;
    while (readdir(d))
        ++n;
    closedir(d);
    return n - 3; /* ".", ".." and the directory's own descriptor */
}

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    const int fds = count_descriptors();
    FILE *f = fopen(argv[1], "a");
    if (!f)
        return 1;
    char buf[4096];
    fprintf(f, "pid=%d\n", (int)getpid());
    fprintf(f, "argc=%d\n", argc);
    for (int i = 1; i < argc; ++i)
        fprintf(f, "arg=%s\n", argv[i]);
    fprintf(f, "cwd=%s\n", getcwd(buf, sizeof buf) ? buf : "?");
    for (int fd = 0; fd <= 2; ++fd) {
        char path[64];
        snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        const ssize_t n = readlink(path, buf, sizeof buf - 1);
        buf[n > 0 ? n : 0] = '\0';
        fprintf(f, "fd%d=%s\n", fd, buf);
    }
    fprintf(f, "fds=%d\n", fds);
    extern char **environ;
    for (char **e = environ; *e; ++e)
        if (strncmp(*e, "QT_", 3) == 0)
            fprintf(f, "env=%s\n", *e);
    fprintf(f, "end\n");
    fclose(f);
    if (argc > 2) {
        long ms = atol(argv[2]);
        struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&ts, NULL);
    }
    return 0;
}
