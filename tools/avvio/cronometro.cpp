// Times the start of programs (see misura_avvio.sh): each is started with posix_spawn and waited for, the
// programs in turn, `giri` times, after one run of each that warms the page cache. Prints one line a
// program: its name, the median wall time from start to exit and the median processor time (user and
// system), in milliseconds.
//   cronometro <giri> <programma>...
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Tempi {
    double parete = 0; // ms
    double processore = 0;
};

bool avvia(const char *programma, Tempi &tempi)
{
    posix_spawn_file_actions_t azioni;
    posix_spawn_file_actions_init(&azioni);
    posix_spawn_file_actions_addopen(&azioni, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&azioni, 2, "/dev/null", O_WRONLY, 0);
    char *argomenti[] = {const_cast<char *>(programma), nullptr};
    const auto inizio = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int errore = posix_spawn(&pid, programma, &azioni, nullptr, argomenti, environ);
    posix_spawn_file_actions_destroy(&azioni);
    if (errore != 0) {
        std::fprintf(stderr, "cronometro: non posso avviare %s\n", programma);
        return false;
    }
    int stato = 0;
    rusage uso{};
    while (wait4(pid, &stato, 0, &uso) < 0) {
        if (errno != EINTR)
            return false;
    }
    const auto fine = std::chrono::steady_clock::now();
    if (!WIFEXITED(stato) || WEXITSTATUS(stato) != 0) {
        std::fprintf(stderr, "cronometro: %s non è terminato bene\n", programma);
        return false;
    }
    tempi.parete = std::chrono::duration<double, std::milli>(fine - inizio).count();
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1000 + double(t.tv_usec) / 1000; };
    tempi.processore = ms(uso.ru_utime) + ms(uso.ru_stime);
    return true;
}

double mediana(std::vector<double> valori)
{
    std::sort(valori.begin(), valori.end());
    const size_t n = valori.size();
    return n % 2 ? valori[n / 2] : (valori[n / 2 - 1] + valori[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const int giri = argc > 2 ? std::atoi(argv[1]) : 0;
    if (giri < 1) {
        std::fprintf(stderr, "uso: cronometro <giri> <programma>...\n");
        return 2;
    }
    const int programmi = argc - 2;
    std::vector<std::vector<double>> parete(programmi), processore(programmi);
    Tempi tempi;
    for (int p = 0; p < programmi; ++p) {
        if (!avvia(argv[p + 2], tempi))
            return 1;
    }
    for (int g = 0; g < giri; ++g) {
        for (int p = 0; p < programmi; ++p) {
            if (!avvia(argv[p + 2], tempi))
                return 1;
            parete[p].push_back(tempi.parete);
            processore[p].push_back(tempi.processore);
        }
    }
    for (int p = 0; p < programmi; ++p) {
        std::string nome = argv[p + 2];
        nome = nome.substr(nome.find_last_of('/') + 1);
        std::printf("%s %.3f %.3f\n", nome.c_str(), mediana(parete[p]), mediana(processore[p]));
    }
    return 0;
}
