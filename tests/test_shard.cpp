// Sharded runs: row ranges with and without an index give the rows and the
// console of one run; tell/seek finds lines again; stale indexes are refused;
// the Snakefile gathers byte-identical files.
#include <gtest/gtest.h>

#include <htslib/bgzf.h>
#include <csignal>
#include <unistd.h>

#include <sstream>
#include <vector>

#include "cli_helpers.h"
#include "line_source.h"

namespace {

const std::string DATA = TAMSEL_TEST_DATA;
const char* const SUFFIXES[] = {"_calls", "_probs", "_kmodelmu", "_contrastmu"};

void write_bgzf(const std::string& path, const std::string& text)
{
    BGZF* z = bgzf_open(path.c_str(), "w");
    ASSERT_TRUE(z);
    ASSERT_EQ(bgzf_write(z, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ASSERT_EQ(bgzf_close(z), 0);
}

// example_auto with no data at rows 42 and 43 (an edge of the 7-shard split)
// and at the last row, so unfitted SNPs sit where the random stream resumes.
std::string edge_input()
{
    std::vector<std::string> rows = lines_of(slurp(DATA + "/example_auto.int"));
    for (size_t r : {size_t{42}, size_t{43}, rows.size() - 1}) {
        std::istringstream in(rows[r]);
        std::string w, row;
        for (int f = 0; in >> w; ++f) row += (f ? "\t" : "") + (f < 3 ? w : std::string("NaN"));
        rows[r] = row;
    }
    std::string text;
    for (const std::string& r : rows) text += r + "\n";
    return text;
}

// Runs rows FIRST..LAST of each range and joins the files as the workflow does.
void run_shards(const std::string& dir, const std::string& input, const std::string& opts,
                const std::vector<std::pair<int, int>>& ranges, const std::string& extra = "")
{
    std::string joined[4];
    for (size_t k = 0; k < ranges.size(); ++k) {
        const std::string out = dir + "/shard" + std::to_string(k);
        run_result r = run_tamsel("-i " + q(input) + " -o " + q(out) + " " + opts + " -s " +
                                      std::to_string(ranges[k].first) + " " + std::to_string(ranges[k].second) +
                                      " " + extra,
                                  dir);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (int s = 0; s < 4; ++s) {
            std::string text = slurp(out + SUFFIXES[s]);
            joined[s] += k == 0 ? text : text.substr(text.find('\n') + 1);
        }
    }
    for (int s = 0; s < 4; ++s) write_file(dir + "/joined" + SUFFIXES[s], joined[s]);
}

std::vector<std::pair<int, int>> split(int rows, int k)
{
    std::vector<std::pair<int, int>> v;
    for (int i = 1; i <= k; ++i) v.push_back({(i - 1) * rows / k + 1, i * rows / k});
    return v;
}

void expect_same_files(const std::string& a, const std::string& b, const std::string& what)
{
    for (const char* s : SUFFIXES) EXPECT_TRUE(slurp(a + s) == slurp(b + s)) << what << ": " << s << " differs";
}

TEST(LineSource, TellAndSeekFindEveryLineAgainAcrossBlocks)
{
    const std::string dir = scratch_dir("shard_seek");
    std::string text = "header\r\n";
    for (int i = 0; i < 6000; ++i) text += "row " + std::to_string(i) + std::string(i % 97, 'x') + (i % 5 ? "\n" : "\r\n");
    write_file(dir + "/plain.txt", text);
    write_bgzf(dir + "/bgzf.txt.gz", text);
    for (const std::string name : {"plain.txt", "bgzf.txt.gz"}) {
        for (int threads : {1, 3}) {
            line_source in;
            ASSERT_TRUE(in.open(dir + "/" + name, threads));
            ASSERT_TRUE(in.seekable());
            std::vector<uint64_t> at;
            std::vector<std::string> seen;
            for (;;) {
                at.push_back(in.tell());
                if (!in.next()) break;
                seen.push_back(in.line());
            }
            ASSERT_EQ(seen.size(), 6001u);
            for (size_t k : std::vector<size_t>{5999, 1, 3000, 77, 6000, 4321}) {
                ASSERT_TRUE(in.seek(at[k], static_cast<long>(k)));
                ASSERT_TRUE(in.next()) << name << " line " << k;
                EXPECT_EQ(std::string(in.line()), seen[k]) << name;
                EXPECT_EQ(in.line_no(), static_cast<long>(k) + 1);
            }
        }
    }
    std::system(("gzip -c " + q(dir + "/plain.txt") + " > " + q(dir + "/gzip.txt.gz")).c_str());
    line_source gz;
    ASSERT_TRUE(gz.open(dir + "/gzip.txt.gz"));
    EXPECT_FALSE(gz.seekable());
}

TEST(Shards, JoinToOneRunWithPerturbationForEveryLayout)
{
    const std::string dir = scratch_dir("shard_join");
    const std::string plain = dir + "/in.int", bgzf = dir + "/in.int.gz", gzip = dir + "/gz.int.gz";
    write_file(plain, edge_input());
    write_bgzf(bgzf, edge_input());
    std::system(("gzip -c " + q(plain) + " > " + q(gzip)).c_str());
    const std::string opts = "-c -p -k -u -a";
    ASSERT_EQ(run_tamsel("-i " + q(plain) + " -o " + q(dir + "/one") + " " + opts, dir).status, 0);
    for (const std::string& input : {plain, bgzf, gzip}) {
        run_result ix = run_tamsel("--index " + q(input) + " --index-every 10", dir);
        ASSERT_EQ(ix.status, 0) << ix.out << ix.err;
        EXPECT_NE(ix.out.find("300 rows, 297 fitted, 30 checkpoints"), std::string::npos) << ix.out;
        for (int k : {1, 3, 7}) {
            run_shards(dir, input, opts, split(300, k), k == 3 ? "--threads 3" : "");
            expect_same_files(dir + "/joined", dir + "/one", input + " in " + std::to_string(k) + " shards");
        }
    }
    // A shard that starts on the last row, and ranges that reach past the end.
    run_shards(dir, bgzf, opts, {{1, 299}, {300, 300}});
    expect_same_files(dir + "/joined", dir + "/one", "last row alone");
    run_shards(dir, plain, opts, {{1, 250}, {251, -1}, {301, 400}});
    expect_same_files(dir + "/joined", dir + "/one", "open and empty ranges");
}

TEST(Shards, JoinToOneRunOnX)
{
    const std::string dir = scratch_dir("shard_x");
    const std::string input = dir + "/x.int";
    write_file(input, slurp(DATA + "/example_x.int"));
    const std::string opts = "-c -p -k -u -a -X -g " + q(DATA + "/example_x.gender");
    ASSERT_EQ(run_tamsel("-i " + q(input) + " -o " + q(dir + "/one") + " " + opts, dir).status, 0);
    ASSERT_EQ(run_tamsel("--index " + q(input) + " --index-every 7", dir).status, 0);
    run_shards(dir, input, opts, split(100, 3));
    expect_same_files(dir + "/joined", dir + "/one", "X in 3 shards");
}

TEST(Shards, IndexChangesNeitherConsoleNorRowsWithoutPerturbation)
{
    const std::string dir = scratch_dir("shard_console");
    const std::string input = dir + "/in.int.gz";
    write_bgzf(input, edge_input());
    ASSERT_EQ(run_tamsel("--index " + q(input) + " --index-every 16", dir).status, 0);
    for (auto range : std::vector<std::pair<int, int>>{{2, 5}, {43, 120}, {33, 33}, {290, -1}, {350, 360}, {60, 40}}) {
        const std::string s = " -s " + std::to_string(range.first) + " " + std::to_string(range.second);
        run_result with = run_tamsel("-i " + q(input) + " -o " + q(dir + "/with") + " -c -p -k -u" + s, dir);
        run_result without =
            run_tamsel("-i " + q(input) + " -o " + q(dir + "/without") + " -c -p -k -u --no-index" + s, dir);
        ASSERT_EQ(with.status, 0) << with.err;
        EXPECT_EQ(with.out, without.out) << s;
        EXPECT_EQ(with.err, without.err) << s;
        expect_same_files(dir + "/with", dir + "/without", s);
    }
    // With -a the console stays too; the scores are those of one run (checked above).
    run_result with = run_tamsel("-i " + q(input) + " -o " + q(dir + "/with") + " -c -a -s 45 200", dir);
    run_result without = run_tamsel("-i " + q(input) + " -o " + q(dir + "/without") + " -c -a -s 45 200 --no-index", dir);
    EXPECT_EQ(with.out, without.out);
    EXPECT_NE(with.out.find("Total 200 SNPs in file, 45 - 200 processed."), std::string::npos) << with.out;
    EXPECT_NE(slurp(dir + "/with_calls"), slurp(dir + "/without_calls"));
}

TEST(Shards, StaleOrDamagedIndexIsRefusedBeforeOutputsAreTouched)
{
    const std::string dir = scratch_dir("shard_stale");
    const std::string input = dir + "/in.int", index = input + ".tsi", calls = dir + "/out_calls";
    const std::string text = slurp(DATA + "/example_auto.int");
    write_file(input, text);
    ASSERT_EQ(run_tamsel("--index " + q(input), dir).status, 0);
    write_file(calls, "kept\n");
    const std::string run = "-i " + q(input) + " -o " + q(dir + "/out") + " -c -s 5 10";

    // Same size, one value changed: the modification time gives it away.
    std::string changed = text;
    changed[changed.size() - 3] = changed[changed.size() - 3] == '1' ? '2' : '1';
    write_file(input, changed);
    run_result r = run_tamsel(run, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the index " + index + " does not match " + input), std::string::npos) << r.err;
    EXPECT_EQ(slurp(calls), "kept\n");
    EXPECT_EQ(run_tamsel(run + " --no-index", dir).status, 0);
    // Without -s the index is not read at all.
    EXPECT_EQ(run_tamsel("-i " + q(input) + " -o " + q(dir + "/whole") + " -c", dir).status, 0);

    ASSERT_EQ(run_tamsel("--index " + q(input), dir).status, 0);
    EXPECT_EQ(run_tamsel(run, dir).status, 0);
    const std::string good = slurp(index);
    write_file(index, good.substr(0, good.rfind('\n', good.size() - 2) + 1));
    r = run_tamsel(run, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(index + ": the index is cut short"), std::string::npos) << r.err;
    write_file(index, "row\toffset\n");
    r = run_tamsel(run, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(index + " line 1: not a tamsel index"), std::string::npos) << r.err;

    // A VCF holds no lines an index could point at.
    write_file(dir + "/in.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tS1\n");
    r = run_tamsel("--index " + q(dir + "/in.vcf"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir + "/in.vcf is a VCF/BCF file; an index is made of intensity files in the text layout only"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(exists(dir + "/in.vcf.tsi"));

    r = run_tamsel("--index " + q(dir + "/missing.int"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Could not open " + dir + "/missing.int"), std::string::npos);
}

bool have_snakemake()
{
    return std::system("command -v snakemake > /dev/null 2>&1") == 0;
}

run_result snakemake(const std::string& dir, const std::string& tamsel, const std::string& config)
{
    const std::string snakefile = std::string(TAMSEL_SOURCE_DIR) + "/workflow/Snakefile";
    const std::string cmd = "snakemake -s " + q(snakefile) + " -d " + q(dir) + " --cores 2 -q --config input=in.int prefix=out/ex tamsel=" +
                            q(tamsel) + " " + config + " > " + q(dir + "/sm.out") + " 2>&1";
    run_result r;
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(dir + "/sm.out");
    return r;
}

TEST(Workflow, SnakefileGathersOneRunAndResumesAfterAFailedShard)
{
    if (!have_snakemake()) GTEST_SKIP() << "snakemake is not installed";
    const std::string dir = scratch_dir("shard_workflow");
    write_file(dir + "/in.int", slurp(DATA + "/example_auto.int"));
    ASSERT_EQ(run_tamsel("-i " + q(dir + "/in.int") + " -o " + q(dir + "/one") + " -c -p -k -u -a", dir).status, 0);

    // A tamsel that writes part of shard 2 and fails, as an interrupted job would.
    const std::string broken = dir + "/broken-tamsel";
    write_file(broken, "#!/bin/sh\ncase \"$*\" in *\"-s 101 \"*) echo partial > \"$4_calls\"; exit 1;; esac\nexec " +
                           q(TAMSEL_BINARY) + " \"$@\"\n");
    chmod(broken.c_str(), 0755);
    run_result r = snakemake(dir, broken, "options='-c -p -k -u -a' shards=3");
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_FALSE(exists(dir + "/out/ex_calls"));
    EXPECT_FALSE(exists(dir + "/out/ex.shards/2_calls"));

    r = snakemake(dir, TAMSEL_BINARY, "options='-c -p -k -u -a' shards=3");
    ASSERT_EQ(r.status, 0) << r.out;
    expect_same_files(dir + "/out/ex", dir + "/one", "workflow");

    ASSERT_EQ(run_tamsel("-i " + q(dir + "/in.int") + " -o " + q(dir + "/gz") + " -c -p -a --bgzip", dir).status, 0);
    r = snakemake(dir, TAMSEL_BINARY, "options='-c -p -a --bgzip' shards=2");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(slurp(dir + "/out/ex_calls.gz") == slurp(dir + "/gz_calls.gz"));
    EXPECT_TRUE(slurp(dir + "/out/ex_probs.gz") == slurp(dir + "/gz_probs.gz"));

    // VCF shards are joined by bcftools concat: the records are one run's.
    ASSERT_EQ(run_tamsel("-i " + q(dir + "/in.int") + " -o " + q(dir + "/v") + " -c -a --vcf " + q(dir + "/v.bcf"), dir)
                  .status,
              0);
    r = snakemake(dir, TAMSEL_BINARY, "options='-c -a' shards=3 vcf=bcf prefix=out/v");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string body = "bcftools view -H ";
    ASSERT_EQ(std::system((body + q(dir + "/v.bcf") + " > " + q(dir + "/one.body") + " && " + body +
                           q(dir + "/out/v.bcf") + " > " + q(dir + "/shards.body")).c_str()),
              0);
    EXPECT_EQ(count_lines(slurp(dir + "/one.body")), 300);
    EXPECT_TRUE(slurp(dir + "/one.body") == slurp(dir + "/shards.body"));
}

TEST(Workflow, QcAndPlinkFromShardsAreOneRunsFiles)
{
    if (!have_snakemake()) GTEST_SKIP() << "snakemake is not installed";
    const std::string dir = scratch_dir("shard_workflow_qc");
    write_file(dir + "/in.int", slurp(DATA + "/example_x.int"));
    write_file(dir + "/g.txt", slurp(DATA + "/example_x.gender"));
    ASSERT_EQ(run_tamsel("-i " + q(dir + "/in.int") + " -o " + q(dir + "/one") +
                             " -c -a --qc --whole-genome -g " + q(dir + "/g.txt") + " --plink " + q(dir + "/one"),
                         dir)
                  .status,
              0);
    for (int k : {1, 3, 7}) {
        run_result r = snakemake(dir, TAMSEL_BINARY, "options='-c -a --qc --whole-genome -g g.txt' plink=true shards=" +
                                                         std::to_string(k));
        ASSERT_EQ(r.status, 0) << r.out;
        for (const char* s : {"_calls", "_snpqc", "_sampleqc", ".bed", ".bim", ".fam"})
            EXPECT_TRUE(slurp(dir + "/out/ex" + s) == slurp(dir + "/one" + s)) << s << " in " << k << " shards";
        std::system(("rm -rf " + q(dir + "/out")).c_str());
    }
}

// Rows of chromosome 15 and X in turns (15, X, 15, X), as a report sorted by
// SNP name holds them: a contig returns after another.
std::string returning_contigs()
{
    std::vector<std::string> a = lines_of(slurp(DATA + "/example_auto.int")), x = lines_of(slurp(DATA + "/example_x.int"));
    std::string text = a[0] + "\n";
    auto put = [&](const std::vector<std::string>& rows, size_t from, size_t to) {
        for (size_t r = from; r <= to; ++r) text += rows[r] + "\n";
    };
    put(a, 1, 100);
    put(x, 1, 50);
    put(a, 101, 150);
    put(x, 51, 100);
    return text;
}

TEST(Workflow, VcfFromShardsWithReturningContigsIsOneRunsFile)
{
    if (!have_snakemake()) GTEST_SKIP() << "snakemake is not installed";
    const std::string dir = scratch_dir("shard_workflow_vcf");
    const std::string input = dir + "/in.int", prefix = dir + "/out/ex";
    write_file(input, returning_contigs());
    write_file(dir + "/g.txt", slurp(DATA + "/example_x.gender"));
    const std::string opts = "-c -a --bgzip --whole-genome -g " + dir + "/g.txt";
    // One run named as the workflow names its files, so that its header
    // records the same command line; then kept aside in one/.
    auto one_run_aside = [&](const std::string& o, const std::string& kind) {
        std::system(("rm -rf " + q(dir + "/out") + " " + q(dir + "/one") + " && mkdir " + q(dir + "/out")).c_str());
        run_result one = run_tamsel("-i " + q(input) + " -o " + q(prefix) + " " + o + " --vcf " + q(prefix + "." + kind), dir);
        EXPECT_EQ(one.status, 0) << one.err;
        return one.status == 0 && std::system(("mv " + q(dir + "/out") + " " + q(dir + "/one")).c_str()) == 0;
    };
    for (const std::string kind : {"bcf", "vcf.gz"}) {
        ASSERT_TRUE(one_run_aside(opts, kind));
        // A VCF's gather differs from a BCF's in its blocks only: one split is enough.
        for (int k : kind == "bcf" ? std::vector<int>{1, 3, 7} : std::vector<int>{7}) {
            run_result r = snakemake(dir, TAMSEL_BINARY, "input=" + q(input) + " prefix=" + q(prefix) + " options=" + q(opts) +
                                                             " vcf=" + kind + " shards=" + std::to_string(k));
            ASSERT_EQ(r.status, 0) << r.out;
            for (const std::string& s : {"." + kind, std::string("_calls.gz")})
                EXPECT_TRUE(slurp(prefix + s) == slurp(dir + "/one/ex" + s)) << s << " in " << k << " shards";
            std::system(("rm -rf " + q(dir + "/out")).c_str());
        }
    }
    // A set compression level: the gathers recompress at the shards' level.
    for (const std::string level : {"--compress-level 1", "--compress-level=9"}) {
        const std::string o = opts + " --qc " + level;
        ASSERT_TRUE(one_run_aside(o, "bcf"));
        run_result r = snakemake(dir, TAMSEL_BINARY, "input=" + q(input) + " prefix=" + q(prefix) + " options=" + q(o) +
                                                         " vcf=bcf shards=3");
        ASSERT_EQ(r.status, 0) << r.out;
        for (const std::string s : {".bcf", "_calls.gz", "_snpqc.gz", "_sampleqc.gz"})
            EXPECT_TRUE(slurp(prefix + s) == slurp(dir + "/one/ex" + s)) << s << " with " << level;
        std::system(("rm -rf " + q(dir + "/out")).c_str());
    }
    // Shards whose headers differ in more than their contigs are not joined.
    const std::string gather = std::string(TAMSEL_SOURCE_DIR) + "/workflow/scripts/gather.py";
    ASSERT_EQ(run_tamsel("-i " + q(input) + " -o " + q(dir + "/a") + " -c -s 1 100 --vcf " + q(dir + "/a.bcf"), dir).status, 0);
    ASSERT_EQ(run_tamsel("-i " + q(input) + " -o " + q(dir + "/b") + " -c -a -s 101 300 --vcf " + q(dir + "/b.bcf"), dir).status, 0);
    const std::string cmd = "python3 " + q(gather) + " --vcf " + q(dir + "/ab.bcf") + " one " + q(dir + "/a.bcf") + " " +
                            q(dir + "/b.bcf") + " 2> " + q(dir + "/gather.err");
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_NE(slurp(dir + "/gather.err").find("the header of " + dir + "/b.bcf differs from that of " + dir + "/a.bcf"),
              std::string::npos);
    EXPECT_FALSE(exists(dir + "/ab.bcf"));
    EXPECT_FALSE(exists(dir + "/ab.bcf.gathering"));
}

TEST(Workflow, AKilledShardJobLeavesNothingThatPassesForAResult)
{
    if (!have_snakemake()) GTEST_SKIP() << "snakemake is not installed";
    const std::string dir = scratch_dir("shard_workflow_kill");
    write_file(dir + "/in.int", slurp(DATA + "/example_auto.int"));
    ASSERT_EQ(run_tamsel("-i " + q(dir + "/in.int") + " -o " + q(dir + "/one") + " -c -p -k -u -a", dir).status, 0);

    // Shard 2 writes part of its files, then hangs until the whole workflow is
    // killed with SIGKILL, as when a node fails or a job is cancelled.
    const std::string stalling = dir + "/stalling-tamsel";
    write_file(stalling, "#!/bin/sh\ncase \"$*\" in *\"-s 101 \"*) echo partial > \"$4_calls\"; echo partial > \"$4_probs\"; "
                         "touch " + q(dir + "/stalled") + "; exec sleep 600;; esac\nexec " + q(TAMSEL_BINARY) + " \"$@\"\n");
    chmod(stalling.c_str(), 0755);
    const std::string snakefile = std::string(TAMSEL_SOURCE_DIR) + "/workflow/Snakefile";
    const std::string start = "setsid snakemake -s " + q(snakefile) + " -d " + q(dir) +
                              " --cores 2 -q --config input=in.int prefix=out/ex options='-c -p -k -u -a' shards=3 tamsel=" +
                              q(stalling) + " > " + q(dir + "/sm.out") + " 2>&1 & echo $! > " + q(dir + "/sm.pid");
    ASSERT_EQ(std::system(start.c_str()), 0);
    for (int i = 0; i < 600 && !exists(dir + "/stalled"); ++i) usleep(100000);
    ASSERT_TRUE(exists(dir + "/stalled")) << slurp(dir + "/sm.out");
    usleep(500000);
    const pid_t group = static_cast<pid_t>(std::stol(slurp(dir + "/sm.pid")));
    ASSERT_EQ(kill(-group, SIGKILL), 0);
    for (int i = 0; i < 100 && kill(-group, 0) == 0; ++i) usleep(100000);
    ASSERT_NE(kill(-group, 0), 0) << "the killed workflow's processes are still there";

    for (const char* s : SUFFIXES) {
        EXPECT_FALSE(exists(dir + "/out/ex" + s)) << s;
        EXPECT_FALSE(exists(dir + "/out/ex.shards/2" + std::string(s))) << s;
    }
    // The partial files stay under their temporary names only.
    EXPECT_EQ(slurp(dir + "/out/ex.shards/tmp/2_calls"), "partial\n");

    run_result r = snakemake(dir, TAMSEL_BINARY, "options='-c -p -k -u -a' shards=3 --unlock");
    ASSERT_EQ(r.status, 0) << r.out;
    r = snakemake(dir, TAMSEL_BINARY, "options='-c -p -k -u -a' shards=3 --rerun-incomplete");
    ASSERT_EQ(r.status, 0) << r.out;
    expect_same_files(dir + "/out/ex", dir + "/one", "rerun after a kill");
}

}  // namespace
