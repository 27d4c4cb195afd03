// Swaps two names atomically (renameat2 RENAME_EXCHANGE) again and again,
// the way a user without root can flip a share folder with a link to the
// outside, until SIGTERM or SIGINT. It stops on an even count, so both names
// are back where they started. The pause after a swap back (the second
// pause, the first by default) lets commands get past their first steps, so
// that the swaps also land between the steps of a change.
//   flip_exchange PATH_A PATH_B PAUSE_MICROSECONDS [PAUSE_BACK_MICROSECONDS]
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static volatile sig_atomic_t stop;

static void on_signal(int sig) {
    (void)sig;
    stop = 1;
}

static int exchange(const char* a, const char* b) {
    if (renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) == 0) return 0;
    perror("flip_exchange: renameat2");
    return -1;
}

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: flip_exchange PATH_A PATH_B PAUSE_MICROSECONDS [PAUSE_BACK_MICROSECONDS]\n");
        return 2;
    }
    const useconds_t pause = (useconds_t)strtoul(argv[3], NULL, 10);
    const useconds_t pauseBack = argc == 5 ? (useconds_t)strtoul(argv[4], NULL, 10) : pause;
    struct sigaction sa = {0};
    sa.sa_handler = on_signal;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    unsigned long swaps = 0;
    while (!stop) {
        if (exchange(argv[1], argv[2]) != 0) return 1;
        ++swaps;
        if ((swaps & 1) ? pause : pauseBack) usleep((swaps & 1) ? pause : pauseBack);
    }
    if ((swaps & 1) && exchange(argv[1], argv[2]) != 0) return 1;
    printf("%lu\n", swaps + (swaps & 1));
    return 0;
}
