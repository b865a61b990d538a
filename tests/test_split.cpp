// Line splitting, sample-name splitting, row filling and whole-line reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data.h"
#include "row_split.h"
#include "line_reader.h"

namespace {

std::vector<std::string> fields_of(std::string line)
{
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    std::vector<char*> f;
    split_chars(buf.data(), f);
    std::vector<std::string> out;
    for (char* p : f) out.emplace_back(p);
    return out;
}

using V = std::vector<std::string>;

}  // namespace

TEST(SplitChars, RunsOfBlanksAndTabsSeparateFields)
{
    EXPECT_EQ(fields_of("a \t  b\t\tc\n"), (V{"a", "b", "c"}));
    EXPECT_EQ(fields_of("a\tb\tc\n"), (V{"a", "b", "c"}));
    EXPECT_EQ(fields_of("a\tb\tc\r\n"), (V{"a", "b", "c"}));
    EXPECT_EQ(fields_of("a\tb\tc"), (V{"a", "b", "c"}));
}

TEST(SplitChars, EdgesOfTheLine)
{
    // A leading blank gives an empty first field; a leading tab does not.
    EXPECT_EQ(fields_of(" a b\n"), (V{"", "a", "b"}));
    EXPECT_EQ(fields_of("\ta b\n"), (V{"a", "b"}));
    // Trailing blanks add an empty last field before a line end, nothing at the end of the text.
    EXPECT_EQ(fields_of("a b  \n"), (V{"a", "b", ""}));
    EXPECT_EQ(fields_of("a b \r\n"), (V{"a", "b", ""}));
    EXPECT_EQ(fields_of("a b  "), (V{"a", "b"}));
    EXPECT_TRUE(fields_of("\n").empty());
    EXPECT_TRUE(fields_of("\r\n").empty());
    EXPECT_TRUE(fields_of("").empty());
    // The line ends at its first line end.
    EXPECT_EQ(fields_of("a\rb c\n"), (V{"a"}));
}

TEST(Split, PiecesBetweenSeparators)
{
    EXPECT_EQ(split("S1.A", '.'), (V{"S1", "A"}));
    EXPECT_EQ(split("S1.Raw.A", '.')[0], "S1");
    EXPECT_EQ(split("S1", '.'), (V{"S1"}));
    EXPECT_EQ(split(".A", '.'), (V{"", "A"}));
    EXPECT_EQ(split("a..b", '.'), (V{"a", "", "b"}));
    EXPECT_EQ(split("a.", '.'), (V{"a"}));
    EXPECT_TRUE(split("", '.').empty());
    V acc{"x"};
    EXPECT_EQ(split("y.z", '.', acc), (V{"x", "y", "z"}));
}

class FillRow : public ::testing::Test {
protected:
    ::data d;
    void SetUp() override { d.pair.ReSize(2); }
    void fill(std::string line)
    {
        line_buf.assign(line.begin(), line.end());
        line_buf.push_back('\0');
        split_chars(line_buf.data(), f);
        d.fill_row(f);
    }
    std::vector<char> line_buf;
    std::vector<char*> f;
};

TEST_F(FillRow, ConversionsOfIntensityTexts)
{
    fill("rs1 1:100 AG 512 398 NaN NaN nan abc 2.5 inf\n");
    EXPECT_EQ(d.dat.SNP_id, "rs1");
    EXPECT_EQ(d.dat.chr_position, "1:100");
    EXPECT_EQ(d.dat.allele, "AG");
    ASSERT_EQ(d.dat.vec.size(), 4u);
    EXPECT_EQ(d.dat.vec[0](1), 512);
    EXPECT_EQ(d.dat.vec[0](2), 398);
    EXPECT_EQ(d.dat.vec[1](1), -1.001);
    EXPECT_EQ(d.dat.vec[1](2), -1.001);
    EXPECT_TRUE(std::isnan(d.dat.vec[2](1)));
    EXPECT_EQ(d.dat.vec[2](2), 0);
    EXPECT_EQ(d.dat.vec[3](1), 2.5);
    EXPECT_TRUE(std::isinf(d.dat.vec[3](2)));
}

TEST_F(FillRow, LoneLastValueAndTrailingBlanks)
{
    // An A value without its B makes a missing individual, not a lost one.
    fill("rs1 1:100 AG 1 2 3\n");
    ASSERT_EQ(d.dat.vec.size(), 2u);
    EXPECT_EQ(d.dat.vec[1](1), 3);
    EXPECT_EQ(d.dat.vec[1](2), -1.001);
    // Trailing blanks leave an empty field that is not an individual.
    fill("rs2 1:200 AG 1 2 \n");
    EXPECT_EQ(d.dat.SNP_id, "rs2");
    EXPECT_EQ(d.dat.vec.size(), 1u);
    fill("rs3 1:300 AG\n");
    EXPECT_TRUE(d.dat.vec.empty());
}

TEST(LineReader, LinesLongerThanTheBufferStayWhole)
{
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::string longline(1000, 'x');
    std::fputs(("a\n" + longline + "\nlast").c_str(), f);
    std::rewind(f);
    line_reader in(f, 16);
    ASSERT_TRUE(in.next());
    EXPECT_STREQ(in.line(), "a\n");
    ASSERT_TRUE(in.next());
    EXPECT_EQ(std::string(in.line()), longline + "\n");
    EXPECT_EQ(in.line_no(), 2);
    ASSERT_TRUE(in.next());
    EXPECT_STREQ(in.line(), "last");
    EXPECT_FALSE(in.next());
    std::fclose(f);
}

TEST(Intensity, SameNumberAsAtof)
{
    const char* fixed[] = {"0", "0.0", "-0", "-0.0", "2.22", "0.193", "0.084", "11.0", "1e3", "1.5abc", "abc", "",
                           ".5", "5.", "-.5", "+3.25", "0x1p3", "inf", "-inf", "nan", "1.2.3", "123456789012345",
                           "1234567890123456", "0.000000000000001", "99999999999999.9", "1e400", "12,5", " 7"};
    for (const char* f : fixed) {
        double a = std::atof(f), b = intensity(f);
        if (std::isnan(a)) {
            EXPECT_TRUE(std::isnan(b)) << f;
        } else {
            EXPECT_EQ(a, b) << f;
            EXPECT_EQ(std::signbit(a), std::signbit(b)) << f;
        }
    }
    EXPECT_EQ(intensity("NaN"), -1.001);
    // Random decimals of every length up to 16 digits, as arrays export them.
    std::srand(20261208);
    for (int k = 0; k < 200000; ++k) {
        std::string s = std::rand() % 5 == 0 ? "-" : "";
        int digits = 1 + std::rand() % 16, point = std::rand() % (digits + 1);
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) s += '.';
            s += static_cast<char>('0' + std::rand() % 10);
        }
        ASSERT_EQ(std::atof(s.c_str()), intensity(s.c_str())) << s;
    }
}
