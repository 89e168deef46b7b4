#include "uOpRec.h"

#include <chrono>
#include <utility>

TOpRecs OpRecs;

namespace oprand {

// wyrand: a 64-bit counter mixed by one wide multiplication. Its state
// advances by a single add, so the shuffle's ten million draws are not held up
// by a long dependency chain, and it passes the common statistical batteries.
struct WyRand {
    uint64_t s = 0;

    uint64_t next()
    {
        s += 0xA0761D6478BD642Full;
        const unsigned __int128 t = static_cast<unsigned __int128>(s) * (s ^ 0xE7037ED1A0B428DBull);
        return static_cast<uint64_t>(t >> 64) ^ static_cast<uint64_t>(t);
    }

    void seed(uint64_t x) { s = x; }
};

WyRand gen;

// Lemire's multiply-and-reject: unbiased, rarely divides.
// Each 64-bit output serves two 32-bit draws.
struct Draw32 {
    WyRand& g;
    uint64_t held = 0;
    bool have = false;

    uint32_t next()
    {
        if (have) {
            have = false;
            return static_cast<uint32_t>(held);
        }
        held = g.next();
        have = true;
        return static_cast<uint32_t>(held >> 32);
    }
};

// Lemire's multiply-and-reject: unbiased, rarely divides.
template <class Source>
inline uint32_t Bounded(Source& src, uint32_t n)
{
    uint64_t m = static_cast<uint64_t>(src.next()) * n;
    uint32_t low = static_cast<uint32_t>(m);
    if (low < n) [[unlikely]] {
        const uint32_t threshold = static_cast<uint32_t>(-n) % n;
        while (low < threshold) {
            m = static_cast<uint64_t>(src.next()) * n;
            low = static_cast<uint32_t>(m);
        }
    }
    return static_cast<uint32_t>(m >> 32);
}

void Randomize()
{
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
    Seed(static_cast<uint64_t>(now) ^ (static_cast<uint64_t>(wall) << 1));
}

void Seed(uint64_t seed)
{
    gen.seed(seed);
}

uint32_t Random(uint32_t n)
{
    Draw32 src{gen};
    return Bounded(src, n);
}

} // namespace oprand

void TOpNum::SetValue(int32_t N)
{
    Value = N % 100;
    Ones = Value % 10;
    Tens = Value / 10;
}

void TOpNum::SetRandom(int32_t Limit)
{
    SetValue(static_cast<int32_t>(oprand::Random(static_cast<uint32_t>(Limit - 10))) + 10);
}

std::string TOpNum::ToString() const
{
    return std::to_string(Value);
}

namespace {

// The same draw as TOpNum::SetRandom, on a caller's generator.
inline void SetRandomFrom(oprand::Draw32& g, TOpNum& n, int32_t Limit)
{
    n.SetValue(static_cast<int32_t>(oprand::Bounded(g, static_cast<uint32_t>(Limit - 10))) + 10);
}

} // namespace

void MakeOpRec(TOpRec& Rec)
{
    // Work on a local copy of the process-wide generator: the byte stores into
    // Ops may alias a global, which would force its state through memory on
    // every one of the 100,100 shuffle draws.
    oprand::WyRand local = oprand::gen;
    oprand::Draw32 g{local};
    for (int i = 0; i < 25; ++i)
        for (int kind = 0; kind < 4; ++kind)
            Rec.Ops[4 * i + kind] = static_cast<uint8_t>(kind);

    for (int pass = 0; pass < 1001; ++pass)
        for (int i = 0; i < 100; ++i)
            std::swap(Rec.Ops[i], Rec.Ops[oprand::Bounded(g, 100)]);

    for (int k = 0; k < 100; ++k) {
        TOpNum& A = Rec.Nums[2 * k];
        TOpNum& B = Rec.Nums[2 * k + 1];
        switch (Rec.Ops[k]) {
        case 0:
            do {
                SetRandomFrom(g, A, 80);
                SetRandomFrom(g, B, 100 - A.Value);
            } while (A.Ones + B.Ones <= 9);
            Rec.Ans[k] = A.Value + B.Value;
            break;
        case 1:
            do {
                SetRandomFrom(g, A, 80);
                SetRandomFrom(g, B, 100 - A.Value);
            } while (A.Ones + B.Ones >= 10);
            Rec.Ans[k] = A.Value + B.Value;
            break;
        default: {
            const bool borrow = Rec.Ops[k] == 3;
            for (;;) {
                SetRandomFrom(g, A, 100);
                SetRandomFrom(g, B, 100);
                if (A.Value < B.Value) {
                    const int32_t oldA = A.Value;
                    A.SetValue(B.Value);
                    B.SetValue(oldA);
                }
                Rec.Ans[k] = A.Value - B.Value;
                const bool rejected = borrow ? (A.Ones >= B.Ones) : (A.Ones <= B.Ones);
                if (!rejected && Rec.Ans[k] > 9)
                    break;
            }
            break;
        }
        }
    }
    oprand::gen = local;
}

void MakeOpRecs(int32_t Count)
{
    OpRecs.resize(static_cast<size_t>(Count));
    oprand::Randomize();
    for (int32_t i = 0; i < Count; ++i)
        MakeOpRec(OpRecs[static_cast<size_t>(i)]);
}
