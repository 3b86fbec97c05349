// Percentiles of a series of samples, for the plain benchmark programs.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

struct BenchStats {
    double median = 0;
    double p99 = 0;
    double max = 0;
    size_t count = 0;

    static BenchStats of(std::vector<double> samples)
    {
        BenchStats stats;
        if (samples.empty())
            return stats;
        std::sort(samples.begin(), samples.end());
        auto at = [&](double q) { return samples[size_t(q * double(samples.size() - 1) + 0.5)]; };
        const size_t middle = samples.size() / 2;  // of an even count, the mean of the two middle ones
        stats.median = samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
        stats.p99 = at(0.99);
        stats.max = samples.back();
        stats.count = samples.size();
        return stats;
    }

    void print(const char* name, const char* unit) const
    {
        std::printf("%-44s median %9.1f %s   p99 %9.1f %s   max %9.1f %s   (n=%zu)\n", name, median, unit, p99, unit,
                    max, unit, count);
    }
};
