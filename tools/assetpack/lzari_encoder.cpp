#include "tools/assetpack/lzari_encoder.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>

namespace td {
namespace {

constexpr int kRing = 4096;     // N: the sliding window
constexpr int kLookAhead = 60;  // F: the longest match
constexpr int kThreshold = 2;   // matches of this length or shorter are sent as literals
constexpr int kNil = kRing;     // "no node" in the search tree
constexpr int kChars = 256 - kThreshold + kLookAhead;  // literals, then match lengths 3..60

constexpr uint32_t kQ1 = 1u << 15;
constexpr uint32_t kQ2 = 2 * kQ1;
constexpr uint32_t kQ3 = 3 * kQ1;
constexpr uint32_t kQ4 = 4 * kQ1;
constexpr uint32_t kMaxCumulative = kQ1 - 1;

// Appends bits to a byte string, most significant bit of each byte first.
class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void put(bool bit) {
        if (bit) buffer_ |= mask_;
        mask_ >>= 1;
        if (mask_ == 0) {
            out_.push_back(static_cast<char>(buffer_));
            buffer_ = 0;
            mask_ = 0x80;
        }
    }
    // Pads the last byte with zeros.
    void flush() {
        for (int i = 0; i < 7; ++i) put(false);
    }

private:
    std::string& out_;
    uint32_t buffer_ = 0;
    uint32_t mask_ = 0x80;
};

// The adaptive character model and the static position model, the same as the decoder's, with
// the arithmetic coder that uses them.
class ArithmeticEncoder {
public:
    explicit ArithmeticEncoder(std::string& out) : bits_(out) {
        symbolCumulative_[kChars] = 0;
        for (int symbol = kChars; symbol >= 1; --symbol) {
            const int ch = symbol - 1;
            charToSymbol_[ch] = symbol;
            symbolToChar_[symbol] = ch;
            symbolFrequency_[symbol] = 1;
            symbolCumulative_[symbol - 1] = symbolCumulative_[symbol] + 1;
        }
        symbolFrequency_[0] = 0;
        positionCumulative_[kRing] = 0;
        for (uint32_t i = kRing; i >= 1; --i)
            positionCumulative_[i - 1] = positionCumulative_[i] + 10000 / (i + 200);
    }

    void encodeChar(int ch) {
        const int symbol = charToSymbol_[ch];
        narrow(symbolCumulative_[symbol - 1], symbolCumulative_[symbol], symbolCumulative_[0]);
        update(symbol);
    }

    void encodePosition(int position) {
        narrow(positionCumulative_[position], positionCumulative_[position + 1], positionCumulative_[0]);
    }

    void finish() {
        ++pending_;
        output(low_ >= kQ1);
        bits_.flush();
    }

private:
    // Narrows [low, high) to the share [below / total, above / total) of a symbol, then shifts
    // out the bits that are settled.
    void narrow(uint32_t above, uint32_t below, uint32_t total) {
        const uint32_t range = high_ - low_;
        high_ = low_ + range * above / total;
        low_ += range * below / total;
        for (;;) {
            if (high_ <= kQ2) {
                output(false);
            } else if (low_ >= kQ2) {
                output(true);
                low_ -= kQ2;
                high_ -= kQ2;
            } else if (low_ >= kQ1 && high_ <= kQ3) {
                ++pending_;
                low_ -= kQ1;
                high_ -= kQ1;
            } else {
                break;
            }
            low_ += low_;
            high_ += high_;
        }
    }

    // A settled bit, followed by the opposite bits held back while the interval straddled the middle.
    void output(bool bit) {
        bits_.put(bit);
        for (; pending_ > 0; --pending_) bits_.put(!bit);
    }

    void update(int symbol) {
        if (symbolCumulative_[0] >= kMaxCumulative) {
            uint32_t c = 0;
            for (int i = kChars; i > 0; --i) {
                symbolCumulative_[i] = c;
                symbolFrequency_[i] = (symbolFrequency_[i] + 1) >> 1;
                c += symbolFrequency_[i];
            }
            symbolCumulative_[0] = c;
        }
        int i = symbol;
        while (symbolFrequency_[i] == symbolFrequency_[i - 1]) --i;
        if (i < symbol) {
            const int chI = symbolToChar_[i];
            const int chSymbol = symbolToChar_[symbol];
            symbolToChar_[i] = chSymbol;
            symbolToChar_[symbol] = chI;
            charToSymbol_[chI] = symbol;
            charToSymbol_[chSymbol] = i;
        }
        ++symbolFrequency_[i];
        while (--i >= 0) ++symbolCumulative_[i];
    }

    BitWriter bits_;
    uint32_t low_ = 0;
    uint32_t high_ = kQ4;
    uint32_t pending_ = 0;
    int charToSymbol_[kChars] = {};
    int symbolToChar_[kChars + 1] = {};
    uint32_t symbolFrequency_[kChars + 1] = {};
    uint32_t symbolCumulative_[kChars + 1] = {};
    uint32_t positionCumulative_[kRing + 1] = {};
};

// The ring of recent text and a binary search tree over its strings, which finds the longest
// (and, among equals, the nearest) earlier occurrence of the look-ahead.
class MatchFinder {
public:
    MatchFinder() {
        for (int i = kRing + 1; i <= kRing + 256; ++i) right_[i] = kNil;
        for (int i = 0; i < kRing; ++i) parent_[i] = kNil;
    }

    uint8_t text[kRing + kLookAhead - 1] = {};
    int matchPosition = 0;  // distance back from the node inserted last
    int matchLength = 0;

    void insert(int r) {
        int cmp = 1;
        const uint8_t* key = &text[r];
        int p = kRing + 1 + key[0];
        right_[r] = left_[r] = kNil;
        matchLength = 0;
        for (;;) {
            if (cmp >= 0) {
                if (right_[p] == kNil) {
                    right_[p] = r;
                    parent_[r] = p;
                    return;
                }
                p = right_[p];
            } else {
                if (left_[p] == kNil) {
                    left_[p] = r;
                    parent_[r] = p;
                    return;
                }
                p = left_[p];
            }
            int i = 1;
            for (; i < kLookAhead; ++i) {
                cmp = key[i] - text[p + i];
                if (cmp != 0) break;
            }
            if (i > kThreshold) {
                const int distance = (r - p) & (kRing - 1);
                if (i > matchLength) {
                    matchPosition = distance;
                    matchLength = i;
                    if (matchLength >= kLookAhead) break;
                } else if (i == matchLength && distance < matchPosition) {
                    matchPosition = distance;
                }
            }
        }
        // A full-length match: the new node takes the old one's place in the tree.
        parent_[r] = parent_[p];
        left_[r] = left_[p];
        right_[r] = right_[p];
        parent_[left_[p]] = r;
        parent_[right_[p]] = r;
        if (right_[parent_[p]] == p) {
            right_[parent_[p]] = r;
        } else {
            left_[parent_[p]] = r;
        }
        parent_[p] = kNil;
    }

    void remove(int p) {
        if (parent_[p] == kNil) return;
        int q;
        if (right_[p] == kNil) {
            q = left_[p];
        } else if (left_[p] == kNil) {
            q = right_[p];
        } else {
            q = left_[p];
            if (right_[q] != kNil) {
                do {
                    q = right_[q];
                } while (right_[q] != kNil);
                right_[parent_[q]] = left_[q];
                parent_[left_[q]] = parent_[q];
                left_[q] = left_[p];
                parent_[left_[p]] = q;
            }
            right_[q] = right_[p];
            parent_[right_[p]] = q;
        }
        parent_[q] = parent_[p];
        if (right_[parent_[p]] == p) {
            right_[parent_[p]] = q;
        } else {
            left_[parent_[p]] = q;
        }
        parent_[p] = kNil;
    }

private:
    // Node kRing is the shared "nil" slot; kRing + 1 + c is the root for strings starting with c.
    int left_[kRing + 1] = {};
    int right_[kRing + 257] = {};
    int parent_[kRing + 1] = {};
};

}  // namespace

std::string lzariEncode(const std::string& data, const ProgressCallback& progress) {
    if (data.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw std::length_error("LZARI streams hold at most 2 GiB - 1 bytes");
    std::string out;
    const uint32_t length = static_cast<uint32_t>(data.size());
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(length >> shift));
    if (data.empty()) return out;

    // About 80 KB of tables: on the heap rather than the stack.
    auto encoder = std::make_unique<ArithmeticEncoder>(out);
    auto finder = std::make_unique<MatchFinder>();
    uint8_t* text = finder->text;
    size_t next = 0;  // the next input byte to enter the ring
    auto read = [&](int& c) {
        if (next >= data.size()) return false;
        if (progress && next % (1 << 18) == 0) progress(static_cast<double>(next) / static_cast<double>(data.size()));
        c = static_cast<uint8_t>(data[next++]);
        return true;
    };

    int s = 0;
    int r = kRing - kLookAhead;
    for (int i = s; i < r; ++i) text[i] = ' ';
    int len = 0;
    int c = 0;
    for (; len < kLookAhead && read(c); ++len) text[r + len] = static_cast<uint8_t>(c);
    for (int i = 1; i <= kLookAhead; ++i) finder->insert(r - i);
    finder->insert(r);
    do {
        if (finder->matchLength > len) finder->matchLength = len;
        if (finder->matchLength <= kThreshold) {
            finder->matchLength = 1;
            encoder->encodeChar(text[r]);
        } else {
            encoder->encodeChar(255 - kThreshold + finder->matchLength);
            encoder->encodePosition(finder->matchPosition - 1);
        }
        const int lastMatchLength = finder->matchLength;
        int i = 0;
        for (; i < lastMatchLength && read(c); ++i) {
            finder->remove(s);
            text[s] = static_cast<uint8_t>(c);
            // The first F - 1 bytes are mirrored past the end so comparisons need not wrap.
            if (s < kLookAhead - 1) text[s + kRing] = static_cast<uint8_t>(c);
            s = (s + 1) & (kRing - 1);
            r = (r + 1) & (kRing - 1);
            finder->insert(r);
        }
        while (i++ < lastMatchLength) {
            finder->remove(s);
            s = (s + 1) & (kRing - 1);
            r = (r + 1) & (kRing - 1);
            if (--len) finder->insert(r);
        }
    } while (len > 0);
    encoder->finish();
    return out;
}

}  // namespace td
