#include "uOpRec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

void ExpectDigitsMatch(const TOpNum& n)
{
    EXPECT_EQ(n.Ones, n.Value % 10);
    EXPECT_EQ(n.Tens, n.Value / 10);
}

} // namespace

// Every sheet of a full range keeps the kind counts, the kind conditions and
// the two-digit rules, also after the exchange in the subtraction kinds.
TEST(OpRecGenerator, EverySheetHoldsItsInvariants)
{
    MakeOpRecs(100);
    ASSERT_EQ(OpRecs.size(), 100u);
    for (const TOpRec& rec : OpRecs) {
        int counts[4] = {};
        for (int k = 0; k < 100; ++k) {
            ASSERT_LE(rec.Ops[k], 3);
            ++counts[rec.Ops[k]];
            const TOpNum& a = rec.Nums[2 * k];
            const TOpNum& b = rec.Nums[2 * k + 1];
            ExpectDigitsMatch(a);
            ExpectDigitsMatch(b);
            EXPECT_GE(a.Value, 10);
            EXPECT_LE(a.Value, 99);
            EXPECT_GE(b.Value, 10);
            EXPECT_LE(b.Value, 99);
            EXPECT_GE(rec.Ans[k], 10);
            EXPECT_LE(rec.Ans[k], 99);
            switch (rec.Ops[k]) {
            case 0:
                EXPECT_GE(a.Ones + b.Ones, 10);
                EXPECT_EQ(rec.Ans[k], a.Value + b.Value);
                break;
            case 1:
                EXPECT_LE(a.Ones + b.Ones, 9);
                EXPECT_EQ(rec.Ans[k], a.Value + b.Value);
                break;
            case 2:
                EXPECT_GT(a.Ones, b.Ones);
                EXPECT_EQ(rec.Ans[k], a.Value - b.Value);
                break;
            case 3:
                EXPECT_LT(a.Ones, b.Ones);
                EXPECT_EQ(rec.Ans[k], a.Value - b.Value);
                break;
            }
        }
        for (int c : counts)
            EXPECT_EQ(c, 25);
    }
}

TEST(OpRecGenerator, RangeSizesAndFreshDraws)
{
    MakeOpRecs(1);
    ASSERT_EQ(OpRecs.size(), 1u);
    const TOpRec first = OpRecs[0];

    MakeOpRecs(1);
    ASSERT_EQ(OpRecs.size(), 1u);
    // Reseeded from the clock: the chance of an identical sheet is nil.
    EXPECT_NE(std::memcmp(first.Ops, OpRecs[0].Ops, sizeof first.Ops), 0);

    MakeOpRecs(2);
    ASSERT_EQ(OpRecs.size(), 2u);
    EXPECT_NE(std::memcmp(OpRecs[0].Ops, OpRecs[1].Ops, sizeof first.Ops), 0);
}

TEST(OpRecGenerator, OperandHelpers)
{
    TOpNum n;
    n.SetValue(47);
    EXPECT_EQ(n.Value, 47);
    EXPECT_EQ(n.Ones, 7);
    EXPECT_EQ(n.Tens, 4);
    EXPECT_EQ(n.ToString(), "47");
    n.SetValue(10);
    EXPECT_EQ(n.ToString(), "10");

    // SetRandom(21) can only give 10..20; over many draws both ends occur.
    bool saw10 = false, saw20 = false;
    for (int i = 0; i < 2000; ++i) {
        n.SetRandom(21);
        ASSERT_GE(n.Value, 10);
        ASSERT_LE(n.Value, 20);
        saw10 |= n.Value == 10;
        saw20 |= n.Value == 20;
    }
    EXPECT_TRUE(saw10);
    EXPECT_TRUE(saw20);
}

// The bounded draw is unbiased: a chi-square test over a bound that does not
// divide 2^32 (a modulo draw would skew it only slightly, but a wrong range or
// an off-by-one shows at once).
TEST(OpRecGenerator, BoundedDrawIsUniform)
{
    oprand::Seed(12345);
    constexpr int n = 100;
    constexpr int draws = 200000;
    int hist[n] = {};
    for (int i = 0; i < draws; ++i) {
        const uint32_t r = oprand::Random(n);
        ASSERT_LT(r, static_cast<uint32_t>(n));
        ++hist[r];
    }
    double chi = 0;
    const double expected = double(draws) / n;
    for (int h : hist)
        chi += (h - expected) * (h - expected) / expected;
    // 99 degrees of freedom: p = 0.001 at about 148.
    EXPECT_LT(chi, 148.0);
}
