#pragma once

// Whole processes for the benchmarks: start a program, time it from spawn to the first line it
// writes (the moment it reports, such as its first paint) and to its end, with its peak memory;
// and the figures every benchmark prints over its rounds (each round, the median, the worst).

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace bench {

struct Process
{
    double firstLineSeconds = 0; // spawn to the end of the first line on standard output
    double seconds = 0; // spawn to reaped
    double cpuSeconds = 0; // user and system time
    long peakKb = 0;
    QByteArray output; // standard output, when captured
};

// Runs program with args (and extra "NAME=value" environment entries) to its end; exits the
// benchmark when it cannot start or fails.
inline Process runProcess(const QString &program, const QStringList &args, bool captureOutput,
                          const QStringList &extraEnvironment = {})
{
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envStorage;
    for (char **e = environ; *e; ++e)
        envStorage.emplace_back(*e);
    for (const QString &e : extraEnvironment)
        envStorage.push_back(e.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &e : envStorage)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int pipeFds[2] = { -1, -1 };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            std::perror("pipe");
            std::exit(2);
        }
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, storage[0].constData(), &actions, nullptr, argv.data(), envp.data())
        != 0) {
        posix_spawn_file_actions_destroy(&actions);
        std::fprintf(stderr, "cannot start %s\n", storage[0].constData());
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    Process p;
    if (captureOutput) {
        ::close(pipeFds[1]);
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n > 0) {
                p.output.append(buffer, n);
                if (p.firstLineSeconds == 0 && p.output.contains('\n'))
                    p.firstLineSeconds = timer.nsecsElapsed() / 1e9;
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
        ::close(pipeFds[0]);
    }
    int status = 0;
    rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) { }
    p.seconds = timer.nsecsElapsed() / 1e9;
    p.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    p.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", storage[0].constData(), status);
        std::exit(2);
    }
    return p;
}

// psql's connection switches for the PG*-style settings given (empty ones left to psql).
inline QStringList psqlServerArgs(const QString &host, const QString &port, const QString &user,
                                  const QString &database)
{
    QStringList args;
    if (!host.isEmpty())
        args << QStringLiteral("-h") << host;
    if (!port.isEmpty())
        args << QStringLiteral("-p") << port;
    if (!user.isEmpty())
        args << QStringLiteral("-U") << user;
    args << QStringLiteral("-d") << database;
    return args;
}

// The fields after the name of the line "name field field ..." a child wrote; empty when it
// wrote none.
inline QList<QByteArray> childLine(const Process &p, const char *name)
{
    for (const QByteArray &line : p.output.split('\n')) {
        QList<QByteArray> fields = line.split(' ');
        if (!fields.isEmpty() && fields.first() == name) {
            fields.removeFirst();
            return fields;
        }
    }
    return {};
}

// The median and the worst (largest) of a measure over its rounds.
struct Spread
{
    double median = 0;
    double worst = 0;
};

inline Spread spread(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return { median, values.back() };
}

// One line "name: median M, worst W (unit)" for a measure over its rounds.
inline void printSpread(const char *name, const std::vector<double> &values, const char *unit,
                        int decimals = 1)
{
    const Spread s = spread(values);
    std::printf("%-44s median %10.*f  worst %10.*f %s  (%zu rounds)\n", name, decimals, s.median,
                decimals, s.worst, unit, values.size());
}

// The load of the machine while a benchmark ran: the first three fields of /proc/loadavg.
inline QString loadAverage()
{
    QByteArray text(64, '\0');
    FILE *f = std::fopen("/proc/loadavg", "r");
    if (!f)
        return QStringLiteral("?");
    const size_t n = std::fread(text.data(), 1, size_t(text.size()) - 1, f);
    std::fclose(f);
    text.truncate(qsizetype(n));
    return QString::fromLatin1(text).section(u' ', 0, 2);
}

} // namespace bench
