// Timing helpers for the benchmarks: run a body many times, report the median.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <algorithm>
#include <cstdio>

class BenchClock
{
public:
    template<typename Body> static double medianMs(int runs, Body body)
    {
        QList<qint64> ns;
        ns.reserve(runs);
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            body();
            ns.append(timer.nsecsElapsed());
        }
        std::sort(ns.begin(), ns.end());
        return double(ns.at(ns.size() / 2)) / 1e6;
    }

    static void report(const char *what, double ms) { std::printf("%-58s %9.3f ms\n", what, ms); }
};
