// main_share.cpp -- loaded into a run with LD_PRELOAD: at exit, on the thread
// that exits (the main one, which reads and writes), prints that thread's own
// CPU time and the CPU time of the whole process, so that any build of the
// program can be measured alike.
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

__attribute__((destructor)) static void print_main_share()
{
    timespec own;
    rusage u;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &own) != 0 || getrusage(RUSAGE_SELF, &u) != 0) return;
    const double main_cpu = static_cast<double>(own.tv_sec) + static_cast<double>(own.tv_nsec) / 1e9;
    const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                       static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    std::fprintf(stderr, "main_share: %.4f %.4f\n", main_cpu, cpu);
}
