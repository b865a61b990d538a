// data.h -- the state of one run and every step of the genotype model.
//
// One object of class `data` holds the settings, the current row and all
// per-individual working vectors of one fit. Each step is a method; the steps
// talk to each other only through these fields. The run driver (src/run/) keeps
// one `data` per worker and hands it one SNP at a time.
#ifndef TAMSEL_DATA_H
#define TAMSEL_DATA_H

#include <cstdint>
#include <string>
#include <vector>

#include <newmat/newmat.h>

using NEWMAT::ColumnVector;
using NEWMAT::SymmetricMatrix;

// Call codes shared by every call vector and by the calls file.
enum { CALL_AA = 1, CALL_AB = 2, CALL_BB = 3, CALL_NULL = 4 };

// The special chromosome the whole input belongs to (-X, -Y, -M).
enum class chrom { none, X, Y, MT };

// The input text "NaN" is stored as this code; any negative value is unusable.
constexpr double MISSING_INTENSITY = -1.001;

// An intensity field as a number: "NaN" gives MISSING_INTENSITY, anything else
// what atof gives.
double intensity(const char* field);

// The (A, B) values of a split data row, two per individual, into ab; returns
// the number of pairs. A last A without its B pairs with a missing B.
size_t read_pairs(const std::vector<char*>& fields, std::vector<double>& ab);

// True when (A, B) can be transformed: both at least 0, one above 0, finite sum.
bool usable_pair(double a, double b);

// The contrast (B - A)/(A + B) and strength ln(A + B) of a usable pair; false,
// leaving both untouched, when the pair is not usable.
bool transform_pair(double a, double b, double& contrast, double& strength);

// One input row.
class snp {
public:
    std::string SNP_id;
    std::string chr_position;
    std::string allele;
    std::vector<ColumnVector> vec;  // (A, B) per individual, 1-based elements
};

class data {
public:
    int nind = 0;
    int iter = 0;
    int snp_index = 0;
    int max_iter = 100;
    int first_snp = 1;
    int last_snp = -1;
    int n_AA = 0, n_AB = 0, n_BB = 0;
    double call_threshold = 0.8;
    double contrast_lo = 0, contrast_hi = 0;
    snp dat;
    std::vector<double> strength, contrast;
    std::vector<int> missing;
    std::vector<double> pert_score;
    bool write_calls = false;
    bool narrow_null = false;
    bool write_probs = false;
    bool write_pert = false;
    bool record_probs = true;
    bool write_kmodel = false;
    bool write_contrast = false;
    chrom chromosome = chrom::none;
    // Standard-output text of the SNP in hand, written by the run driver in SNP order.
    std::string console;
    std::vector<double> abs_contrast;
    std::vector<double> kprop;
    double mu = 0, mu_1 = 0, mu_2 = 0, sd_1 = 0, sd_2 = 0;
    std::vector<int> kclass;
    int kmodel_choice = 0;
    int pos1 = 0, pos2 = 0;
    std::vector<int> calls, old_calls, calls_1, calls_2, final_calls, pert_calls;
    std::vector<double> probs;
    std::vector<int> final_call_select;
    std::vector<std::vector<double>> rangec;
    std::vector<double> geno_freq;
    // The A and B allele frequencies behind geno_freq, clamped as it is.
    double allele_p = 0, allele_q = 0;
    // Inbreeding coefficient per individual; empty when nobody is inbred, and
    // the Hardy-Weinberg weights are then used unchanged.
    std::vector<double> inbred_f;
    std::vector<std::vector<double>> ranges;
    ColumnVector MU_AA, MU_AB, MU_BB, MU_NULL;
    SymmetricMatrix SIGMA_AA, SIGMA_AB, SIGMA_BB, SIGMA_NULL;
    double uni_mean[4] = {0, 0, 0, 0};
    double uni_sd[4] = {0, 0, 0, 100000};
    double maf = 0;
    double pert_mean = 0, pert_sd = 0.05;
    double loglik = 0, loglik_1 = 0, loglik_2 = 0;
    ColumnVector pair;
    std::vector<int> gender;

    data() = default;
    data(const data&) = delete;
    data& operator=(const data&) = delete;

    // --- per SNP (process.cpp) ---
    // Transform, contrast model and fit of the row in dat.
    void morvane();
    // Sizes and presets every model field before the first SNP.
    void size_model();

    // --- row filling (split.cpp) ---
    // Fills dat from the fields of one data row.
    void fill_row(const std::vector<char*>& fields);
    // Fills dat.vec from A, B values as read_pairs gives them.
    void fill_pairs(const std::vector<double>& ab);

    // --- intensity transform and statistics (transform.cpp, stats.cpp) ---
    void transform_intens();
    // Each reports a vector without any number on *console (standard output when null).
    static void minmaxvec(const std::vector<double>& v, int n, double& min, double& max,
                          std::string* console = nullptr);
    static double meanvec(const std::vector<double>& v, int n, std::string* console = nullptr);
    static double varvec(const std::vector<double>& v, double mean, int n,
                         std::string* console = nullptr);
    static double covvec(const std::vector<double>& x, const std::vector<double>& y,
                         double mean_x, double mean_y, int n, std::string* console = nullptr);

    // --- contrast model (kmodel.cpp) ---
    void kmodel();
    void kparameter_update();

    // --- candidate starts and their scores (univ.cpp) ---
    void initialise_univ();
    double likelihood_ini_1();
    double likelihood_ini_2();

    // --- mixture start and re-estimation (mixture.cpp) ---
    void initialise_mult();
    void update_parameters();

    // --- posterior step and densities (posterior.cpp) ---
    int update_prob(int light_tails);
    int update();
    double log_mvt_t_density2(const ColumnVector& d, const SymmetricMatrix& W, double c, int nu);
    double log_mvt_norm_density2(const ColumnVector& d, const SymmetricMatrix& W, double c);

    // --- initial calls (calls.cpp) ---
    // seed_calls, then first_iterations.
    void initialise_calls();
    // The one-dimensional first calls: calls and old_calls.
    void seed_calls();
    // One update, and a second when the first changed a call.
    void first_iterations();

    // --- fit driver (fit.cpp) ---
    void morv();
    void choose_best_parameters();
    void choose_final_call(int first, int second);
    void perturbation();

    // --- speed only, no model state ---
    // While set, update_prob leaves each individual's log-likelihood term in
    // loglik_terms instead of summing their logarithms: only the last update of
    // a fit run needs loglik, and the fit driver sums it then (sum_loglik).
    bool defer_loglik = false;
    std::vector<double> loglik_terms;
    // What each candidate start reached after its initial calls, which
    // candidate it was copied from (itself when computed), and its seeded calls.
    struct fit_start {
        std::vector<int> calls;
        ColumnVector MU_AA, MU_AB, MU_BB;
        SymmetricMatrix SIGMA_AA, SIGMA_AB, SIGMA_BB;
        std::vector<double> geno_freq;
        double allele_p, allele_q;
        double maf, loglik;
        int n_AA, n_AB, n_BB, iter;
    };
    fit_start starts[8];
    int source[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<int> seeds[8];
    // Working arrays of the posterior step and the initial calls, sized once
    // and reused: the individuals sorted by contrast (each density the order
    // rules leave is then one run of them), the contrasts and strengths they
    // were sorted from, each cluster's density and the null density per
    // individual, the log-likelihood terms, and room for the vector functions.
    struct fit_work {
        std::vector<int> order, order2;
        std::vector<std::uint64_t> keys, keys2;
        std::vector<double> x, y, seen_x, seen_y;
        bool sortable = false;
        std::vector<double> f[3], dn, term, scratch;
        // The contrast model's densities, logarithms, classes and levels.
        std::vector<double> dens1, dens2, logs, level1, level2;
        std::vector<int> previous_class;
        // The members of each cluster (AA, BB, AB) for the re-estimation, and
        // the values of one of them when a value is not a number.
        std::vector<int> members[3];
        std::vector<double> member_x, member_y;
        // The contrasts of each called class and of the no calls, for the start scores.
        std::vector<double> groups[4];
        // The null densities in dn hold for these inverse-matrix entries and constant.
        bool null_ready = false;
        double null_key[4] = {0, 0, 0, 0};
    } work;

    // --- handed in and out by the run driver ---
    // The perturbation deviates of this SNP (2 x nind: strength, contrast per
    // individual), drawn in SNP order from the one random stream; when empty
    // the perturbation check draws them itself.
    std::vector<double> pert_noise;
    // While set, posteriors are recorded even without the probabilities file,
    // and those at the end of the first run are kept in probs_1, so that the
    // chosen run's posteriors can be reported with its calls.
    bool keep_probs_1 = false;
    std::vector<double> probs_1;
    double sum_loglik() const;
    // likelihood_ini_1 and likelihood_ini_2 of the current calls, in one pass.
    void score_start(double& first, double& second);
};

#endif
