/* Test helper: appends its arguments and working directory, one per line,
   to the file named by its first argument; sleeps for the number of
   milliseconds in its second argument when there is one. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    FILE *f = fopen(argv[1], "a");
    if (!f)
        return 1;
    char cwd[4096];
    fprintf(f, "argc=%d\n", argc);
    for (int i = 1; i < argc; ++i)
        fprintf(f, "arg=%s\n", argv[i]);
    fprintf(f, "cwd=%s\n", getcwd(cwd, sizeof cwd) ? cwd : "?");
    fprintf(f, "stdin_tty=%d\n", isatty(0));
    fclose(f);
    if (argc > 2) {
        long ms = atol(argv[2]);
        struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&ts, NULL);
    }
    return 0;
}
