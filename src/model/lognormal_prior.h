// lognormal_prior.h -- the lognormal prior on contrast levels and on gaps between
// cluster centres (location 0.4, scale sqrt(0.4), mode 1), shared by the contrast
// model and the starting-point scores.
#ifndef TAMSEL_LOGNORMAL_PRIOR_H
#define TAMSEL_LOGNORMAL_PRIOR_H

#include <cmath>
#include <limits>

#include <boost/math/distributions/lognormal.hpp>

namespace tamsel {

inline const boost::math::lognormal_distribution<>& level_prior()
{
    static const boost::math::lognormal_distribution<> dist(0.4, 0.6324555320336759);
    return dist;
}

// ln pdf(x). Boost's default policy throws for NaN, negative or infinite x, so
// those are answered here: NaN stays NaN, and where the density is 0 (x <= 0,
// x infinite) the log is -inf.
inline double level_prior_log_pdf(double x)
{
    if (std::isnan(x))
        return std::numeric_limits<double>::quiet_NaN();
    if (!(x > 0) || std::isinf(x))
        return -std::numeric_limits<double>::infinity();
    return std::log(boost::math::pdf(level_prior(), x));
}

// ln cdf(1): the log mass of the prior truncated to (0, 1] (contrast levels).
inline double level_prior_log_cdf1()
{
    static const double v = std::log(boost::math::cdf(level_prior(), 1.0));
    return v;
}

// ln cdf(2): the log mass of the prior truncated to (0, 2] (gaps between centres).
inline double level_prior_log_cdf2()
{
    static const double v = std::log(boost::math::cdf(level_prior(), 2.0));
    return v;
}

}  // namespace tamsel

#endif
