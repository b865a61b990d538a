// stats.cpp -- NaN-skipping statistics over the first n entries of a vector.
//
// NaN marks a missing individual, so every statistic leaves NaN entries out and
// divides by the number of entries it kept. When nothing is kept the one
// diagnostic of the model is printed and NaN (or, for minmaxvec, nothing) is
// handed back for the caller to absorb.
#include <algorithm>
#include <iostream>
#include <limits>

#include "data.h"

namespace {

const double quiet_nan = std::numeric_limits<double>::quiet_NaN();

void report_all_nan(std::string* console)
{
    if (console)
        *console += "all elements of the vector are nan\n";
    else
        std::cout << "all elements of the vector are nan" << std::endl;
}

// Positions past the end of the vector do not exist, so they are never read.
int positions(const std::vector<double>& v, int n)
{
    return std::min(n, static_cast<int>(v.size()));
}

}  // namespace

void data::minmaxvec(const std::vector<double>& v, int n, double& min, double& max,
                     std::string* console)
{
    const int m = positions(v, n);
    int j = 0;
    while (j < m && v[j] != v[j])
        ++j;
    if (j == m) {
        report_all_nan(console);
        return;
    }
    min = v[j];
    max = v[j];
    for (++j; j < m; ++j) {
        if (v[j] != v[j])
            continue;
        // Strict comparisons: among equal values the first one kept stays.
        if (min > v[j])
            min = v[j];
        else if (v[j] > max)
            max = v[j];
    }
}

double data::meanvec(const std::vector<double>& v, int n, std::string* console)
{
    const int m = positions(v, n);
    double sum = 0.0;
    int kept = 0;
    for (int j = 0; j < m; ++j) {
        if (v[j] != v[j])
            continue;
        sum += v[j];
        ++kept;
    }
    if (kept <= 0) {
        report_all_nan(console);
        return quiet_nan;
    }
    return sum / static_cast<double>(kept);
}

double data::varvec(const std::vector<double>& v, double mean, int n, std::string* console)
{
    const int m = positions(v, n);
    double sum = 0.0;
    int kept = 0;
    for (int j = 0; j < m; ++j) {
        if (v[j] != v[j])
            continue;
        const double d = v[j] - mean;
        sum += d * d;
        ++kept;
    }
    if (kept <= 0) {
        report_all_nan(console);
        return quiet_nan;
    }
    // One kept entry divides 0 by 0: NaN without a message, the caller floors it.
    return sum / static_cast<double>(kept - 1);
}

double data::covvec(const std::vector<double>& x, const std::vector<double>& y,
                    double mean_x, double mean_y, int n, std::string* console)
{
    const int m = std::min(positions(x, n), positions(y, n));
    double sum = 0.0;
    int kept = 0;
    for (int j = 0; j < m; ++j) {
        if (x[j] != x[j] || y[j] != y[j])
            continue;
        sum += (x[j] - mean_x) * (y[j] - mean_y);
        ++kept;
    }
    if (kept <= 0) {
        report_all_nan(console);
        return quiet_nan;
    }
    return sum / static_cast<double>(kept - 1);
}

