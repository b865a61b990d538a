# Tests of the model's first stages: intensity transform, statistics and quantile,
# the contrast model, and the candidate starts with their scores.
tamsel_test(test_stats test_stats.cpp)
tamsel_test(test_kmodel test_kmodel.cpp)
tamsel_test(test_univ test_univ.cpp)
