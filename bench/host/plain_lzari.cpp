#include "plain_lzari.h"

#include <cstdint>
#include <vector>

namespace bench {
namespace {

constexpr uint32_t N = 4096, F = 60, THRESHOLD = 2, N_CHAR = 256 - THRESHOLD + F;
constexpr uint32_t M = 15, Q1 = 1u << M, Q2 = 2 * Q1, Q3 = 3 * Q1, Q4 = 4 * Q1, MAX_CUM = Q1 - 1;

class PlainDecoder {
public:
    PlainDecoder(const std::string& stream, std::vector<CodedStep>* steps) : input_(stream), steps_(steps) {}

    std::string decode() {
        if (input_.size() < 4) return std::string();
        uint32_t length = 0;
        for (int i = 0; i < 4; ++i) length |= uint32_t(uint8_t(input_[i])) << (8 * i);
        if (length == 0 || (length & 0x80000000u) != 0) return std::string();
        position_ = 4;
        std::string out(length, '\0');
        for (uint32_t i = 0; i < M + 2; ++i) value_ = 2 * value_ + bit();
        startModel();
        std::vector<uint8_t> ring(N, ' ');
        uint32_t r = N - F, count = 0;
        const auto emit = [&](uint8_t b) {
            if (count < length) out[count] = char(b);
            ring[r] = b;
            r = (r + 1) & (N - 1);
            ++count;
        };
        while (count < length) {
            const uint32_t c = decodeChar();
            if (c < 256) {
                emit(uint8_t(c));
            } else {
                const uint32_t start = (r - decodePosition() - 1) & (N - 1);
                for (uint32_t k = 0; k < c - 253; ++k) emit(ring[(start + k) & (N - 1)]);
            }
        }
        return out;
    }

private:
    uint32_t bit() {
        mask_ >>= 1;
        if (mask_ == 0) {
            buffer_ = position_ < input_.size() ? uint8_t(input_[position_++]) : 0;
            mask_ = 0x80;
        }
        return (buffer_ & mask_) != 0;
    }

    void startModel() {
        symCum_[N_CHAR] = 0;
        for (uint32_t s = N_CHAR; s >= 1; --s) {
            charToSym_[s - 1] = s;
            symToChar_[s] = s - 1;
            symFreq_[s] = 1;
            symCum_[s - 1] = symCum_[s] + 1;
        }
        symFreq_[0] = 0;
        positionCum_[N] = 0;
        for (uint32_t i = N; i >= 1; --i) positionCum_[i - 1] = positionCum_[i] + 10000 / (i + 200);
    }

    void updateModel(uint32_t s) {
        if (symCum_[0] >= MAX_CUM) {
            uint32_t c = 0;
            for (uint32_t i = N_CHAR; i >= 1; --i) {
                symCum_[i] = c;
                c += (symFreq_[i] = (symFreq_[i] + 1) / 2);
            }
            symCum_[0] = c;
        }
        uint32_t i = s;
        while (symFreq_[i] == symFreq_[i - 1]) --i;
        if (i < s) {
            const uint32_t ci = symToChar_[i], cs = symToChar_[s];
            symToChar_[i] = cs;
            symToChar_[s] = ci;
            charToSym_[ci] = s;
            charToSym_[cs] = i;
        }
        ++symFreq_[i];
        while (i > 0) ++symCum_[--i];
    }

    // The first index in 1..last whose cumulative is not above x.
    static uint32_t search(const uint32_t* cum, uint32_t last, uint32_t x) {
        uint32_t lo = 1, hi = last;
        while (lo < hi) {
            const uint32_t mid = (lo + hi) / 2;
            if (cum[mid] > x) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    }

    void renormalise() {
        for (;;) {
            if (low_ >= Q2) {
                value_ -= Q2;
                low_ -= Q2;
                high_ -= Q2;
            } else if (low_ >= Q1 && high_ <= Q3) {
                value_ -= Q1;
                low_ -= Q1;
                high_ -= Q1;
            } else if (high_ > Q2) {
                return;
            }
            low_ += low_;
            high_ += high_;
            value_ = 2 * value_ + bit();
        }
    }

    uint32_t decodeChar() {
        const uint32_t range = high_ - low_;
        const uint32_t x = ((value_ - low_ + 1) * symCum_[0] - 1) / range;
        const uint32_t s = search(symCum_, N_CHAR, x);
        if (steps_) steps_->push_back({symCum_[0], symCum_[s - 1], symCum_[s]});
        high_ = low_ + range * symCum_[s - 1] / symCum_[0];
        low_ += range * symCum_[s] / symCum_[0];
        renormalise();
        const uint32_t c = symToChar_[s];
        updateModel(s);
        return c;
    }

    uint32_t decodePosition() {
        const uint32_t range = high_ - low_;
        const uint32_t x = ((value_ - low_ + 1) * positionCum_[0] - 1) / range;
        const uint32_t p = search(positionCum_, N, x) - 1;
        if (steps_) steps_->push_back({positionCum_[0], positionCum_[p], positionCum_[p + 1]});
        high_ = low_ + range * positionCum_[p] / positionCum_[0];
        low_ += range * positionCum_[p + 1] / positionCum_[0];
        renormalise();
        return p;
    }

    const std::string& input_;
    std::vector<CodedStep>* steps_;
    size_t position_ = 0;
    uint32_t buffer_ = 0, mask_ = 0;
    uint32_t low_ = 0, high_ = Q4, value_ = 0;
    uint32_t charToSym_[N_CHAR] = {}, symToChar_[N_CHAR + 1] = {};
    uint32_t symFreq_[N_CHAR + 1] = {}, symCum_[N_CHAR + 1] = {};
    uint32_t positionCum_[N + 1] = {};
};

}  // namespace

std::string plainLzariDecode(const std::string& stream, std::vector<CodedStep>* steps) {
    return PlainDecoder(stream, steps).decode();
}

}  // namespace bench
