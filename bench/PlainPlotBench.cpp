// How long a plain QCustomPlot takes to draw what the Motion page's position plot draws: each servo's
// 20 s of positions at 20 samples a second and its dashed step line of targets, pen width 1, no
// antialiasing, at the plot's size in the window at its initial size.
// Usage: plain_plot_bench [servos [width height [frames]]]   (default 3 servos, 590 x 140, 300 frames)
// Run under Xvfb, for example: xvfb-run -a build-rel/bench/plain_plot_bench 6
#include "bench/BenchStats.h"
#include "bench/PlainPlot.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int servos = argc > 1 ? std::atoi(argv[1]) : 3;
    const int width = argc > 3 ? std::atoi(argv[2]) : 590;
    const int height = argc > 3 ? std::atoi(argv[3]) : 140;
    const int frames = argc > 4 ? std::atoi(argv[4]) : 300;
    if (servos < 1 || width < 50 || height < 50 || frames < 1) {
        std::fprintf(stderr, "usage: %s [servos [width height [frames]]]\n", argv[0]);
        return 2;
    }
    QCustomPlot plot;
    plot.resize(width, height);
    plot.show();
    PlainPlot::fill(plot, PlainPlot::madeUpServos(servos), 0, 20);
    for (int i = 0; i < 20; ++i)  // caches and the first layout
        plot.replot();
    std::vector<double> milliseconds;
    for (int i = 0; i < frames; ++i) {
        milliseconds.push_back(PlainPlot::timedReplot(plot));
        QCoreApplication::processEvents();
    }
    std::printf("plain QCustomPlot, %d servos' positions and targets, %d x %d pixels:\n", servos, width, height);
    BenchStats::of(milliseconds).print("time to draw a frame", "ms");
    return 0;
}
