// Start-up to the first painted frame, the program beside a bare Qt main window: each round
// starts both as fresh processes, in turns, and times them from spawn to their report of the
// first frame (painted through the event loop and flushed). Every round, then the median and
// the worst, with the resident memory at that frame.
//
//   bench_startup [--rounds R]
//
// The program runs with settings, data and documents folders of its own below a temporary
// folder, as on a first start. Runs on the platform QT_QPA_PLATFORM or DISPLAY gives, else
// offscreen.
#include "../common/benchprocess.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 9;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args.at(i) == QLatin1String("--rounds"))
            rounds = qMax(1, args.at(i + 1).toInt());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    const QTemporaryDir root;
    const QStringList programEnv = {
        QStringLiteral("XDG_CONFIG_HOME=") + root.path() + QStringLiteral("/config"),
        QStringLiteral("CORVANE_DATA_DIR=") + root.path() + QStringLiteral("/data"),
        QStringLiteral("CORVANE_DOCUMENT_DIR=") + root.path() + QStringLiteral("/documents"),
    };
    const QString program = QStringLiteral(BENCH_STARTUP_PROGRAM);
    const QString bare = QStringLiteral(BENCH_STARTUP_BARE);
    auto frame = [](const bench::Process &p, const char *name) {
        if (!p.output.startsWith("frame ")) {
            std::fprintf(stderr, "%s painted no frame\n", name);
            std::exit(2);
        }
        return p.output.mid(6).trimmed().toLong() / 1024.0;
    };

    std::printf("start-up to the first painted frame, %d rounds, platform %s; load %s\n", rounds,
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"))),
                qPrintable(bench::loadAverage()));
    std::printf("%-6s %12s %10s %12s %10s %8s\n", "round", "program ms", "RSS MiB", "bare ms",
                "RSS MiB", "ratio");
    std::vector<double> programMs, bareMs, ratio, programMiB, bareMiB;
    for (int round = 1; round <= rounds; ++round) {
        bench::Process p, b;
        if (round % 2) {
            p = bench::runProcess(program, {}, true, programEnv);
            b = bench::runProcess(bare, {}, true);
        } else {
            b = bench::runProcess(bare, {}, true);
            p = bench::runProcess(program, {}, true, programEnv);
        }
        programMs.push_back(p.firstLineSeconds * 1000);
        bareMs.push_back(b.firstLineSeconds * 1000);
        programMiB.push_back(frame(p, "the program"));
        bareMiB.push_back(frame(b, "the bare window"));
        ratio.push_back(programMs.back() / bareMs.back());
        std::printf("%-6d %12.1f %10.1f %12.1f %10.1f %8.2f\n", round, programMs.back(),
                    programMiB.back(), bareMs.back(), bareMiB.back(), ratio.back());
        std::fflush(stdout);
    }
    std::printf("load %s\n", qPrintable(bench::loadAverage()));
    bench::printSpread("program, first frame", programMs, "ms");
    bench::printSpread("bare Qt main window, first frame", bareMs, "ms");
    bench::printSpread("ratio program / bare (per round)", ratio, "", 2);
    bench::printSpread("program, resident at the frame", programMiB, "MiB");
    bench::printSpread("bare window, resident at the frame", bareMiB, "MiB");
    return 0;
}
