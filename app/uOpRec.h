#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One two-digit operand with its digits kept beside it.
struct TOpNum {
    int32_t Value = 0;
    int32_t Ones = 0;
    int32_t Tens = 0;

    void SetValue(int32_t N);
    // A uniform draw from 10 to Limit - 1.
    void SetRandom(int32_t Limit);
    std::string ToString() const;
};

// One sheet: 100 problems. Problem k uses Nums[2k] and Nums[2k+1].
// Ops[k]: 0 addition with carry, 1 addition without carry,
//         2 subtraction without borrow, 3 subtraction with borrow.
struct TOpRec {
    TOpNum Nums[200];
    uint8_t Ops[100];
    int32_t Ans[100];
};

using TOpRecs = std::vector<TOpRec>;

// The sheets of the last Print; element i is sheet (start number + i).
extern TOpRecs OpRecs;

void MakeOpRec(TOpRec& Rec);
void MakeOpRecs(int32_t Count);

// The process-wide generator behind every draw of the sheets.
namespace oprand {
// Reseeds from a high-resolution clock.
void Randomize();
// Reseeds with a fixed value (benchmarks and reproducible checks).
void Seed(uint64_t seed);
// Uniform whole number r with 0 <= r < n, for n >= 1.
uint32_t Random(uint32_t n);
}
