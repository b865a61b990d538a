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

// The sums of meanvec over x and over y in one pass: two independent chains,
// each in index order, so each mean is the one meanvec gives.
void data::meanvec2(const std::vector<double>& x, const std::vector<double>& y, int n, double& mean_x,
                    double& mean_y, std::string* console)
{
    const int mx = positions(x, n), my = positions(y, n);
    double sx = 0.0, sy = 0.0;
    int kx = 0, ky = 0;
    for (int j = 0; j < std::max(mx, my); ++j) {
        if (j < mx && x[j] == x[j]) sx += x[j], ++kx;
        if (j < my && y[j] == y[j]) sy += y[j], ++ky;
    }
    if (kx <= 0) report_all_nan(console);
    mean_x = kx <= 0 ? quiet_nan : sx / static_cast<double>(kx);
    if (ky <= 0) report_all_nan(console);
    mean_y = ky <= 0 ? quiet_nan : sy / static_cast<double>(ky);
}

// varvec(x), varvec(y) and covvec(x, y) in one pass, their messages in that order.
void data::moments3(const std::vector<double>& x, const std::vector<double>& y, double mean_x, double mean_y,
                    int n, double& var_x, double& var_y, double& cov, std::string* console)
{
    const int mx = positions(x, n), my = positions(y, n), mc = std::min(mx, my);
    double sx = 0.0, sy = 0.0, sc = 0.0;
    int kx = 0, ky = 0, kc = 0;
    for (int j = 0; j < std::max(mx, my); ++j) {
        const bool okx = j < mx && x[j] == x[j], oky = j < my && y[j] == y[j];
        const double dx = okx ? x[j] - mean_x : 0, dy = oky ? y[j] - mean_y : 0;
        if (okx) sx += dx * dx, ++kx;
        if (oky) sy += dy * dy, ++ky;
        if (j < mc && okx && oky) sc += (x[j] - mean_x) * (y[j] - mean_y), ++kc;
    }
    if (kx <= 0) report_all_nan(console);
    var_x = kx <= 0 ? quiet_nan : sx / static_cast<double>(kx - 1);
    if (ky <= 0) report_all_nan(console);
    var_y = ky <= 0 ? quiet_nan : sy / static_cast<double>(ky - 1);
    if (kc <= 0) report_all_nan(console);
    cov = kc <= 0 ? quiet_nan : sc / static_cast<double>(kc - 1);
}
