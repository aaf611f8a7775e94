#include "respack/lzari_encoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pelorin::respack {
namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

constexpr u32 RING_SIZE = 4096;
constexpr u32 MAX_MATCH = 60;
constexpr u32 THRESHOLD = 2;
constexpr u32 WRITE_START = RING_SIZE - MAX_MATCH;
constexpr u32 MAX_DISTANCE = RING_SIZE - 1;
constexpr u32 SYMBOL_COUNT = 256 - THRESHOLD + MAX_MATCH;

constexpr u32 Q1 = 1u << 15;
constexpr u32 Q2 = 2 * Q1;
constexpr u32 Q3 = 3 * Q1;
constexpr u32 Q4 = 4 * Q1;
constexpr u32 MAX_CUM = Q1 - 1;

class ArithmeticEncoder {
public:
    explicit ArithmeticEncoder(std::vector<u8>& out) : out_(out) {
        symCum_[SYMBOL_COUNT] = 0;
        for (u32 sym = SYMBOL_COUNT; sym >= 1; --sym) {
            const u32 ch = sym - 1;
            charToSym_[ch] = sym;
            symToChar_[sym] = ch;
            symFreq_[sym] = 1;
            symCum_[sym - 1] = symCum_[sym] + 1;
        }
        symFreq_[0] = 0;
        positionCum_[RING_SIZE] = 0;
        for (u32 i = RING_SIZE; i >= 1; --i) positionCum_[i - 1] = positionCum_[i] + 10000 / (i + 200);
    }

    void encodeChar(u32 ch) {
        const u32 sym = charToSym_[ch];
        narrow(symCum_[sym - 1], symCum_[sym], symCum_[0]);
        updateModel(sym);
    }

    // `position` is the match distance minus one.
    void encodePosition(u32 position) {
        narrow(positionCum_[position], positionCum_[position + 1], positionCum_[0]);
    }

    // Two more bits pin the final interval; the decoder may then read anything after them.
    void finish() {
        ++pending_;
        output(low_ < Q1 ? 0 : 1);
        while (mask_ != 0x80) putBit(0);
    }

private:
    void narrow(u32 upperCum, u32 lowerCum, u32 total) {
        const u64 range = high_ - low_;
        high_ = low_ + static_cast<u32>(range * upperCum / total);
        low_ += static_cast<u32>(range * lowerCum / total);
        for (;;) {
            if (high_ <= Q2) {
                output(0);
            } else if (low_ >= Q2) {
                output(1);
                low_ -= Q2;
                high_ -= Q2;
            } else if (low_ >= Q1 && high_ <= Q3) {
                ++pending_;
                low_ -= Q1;
                high_ -= Q1;
            } else {
                break;
            }
            low_ += low_;
            high_ += high_;
        }
    }

    void output(u32 bit) {
        putBit(bit);
        for (; pending_ > 0; --pending_) putBit(!bit);
    }

    void putBit(u32 bit) {
        if (bit) buffer_ |= mask_;
        if ((mask_ >>= 1) == 0) {
            out_.push_back(static_cast<u8>(buffer_));
            buffer_ = 0;
            mask_ = 0x80;
        }
    }

    void updateModel(u32 sym) {
        if (symCum_[0] >= MAX_CUM) {
            u32 c = 0;
            for (u32 i = SYMBOL_COUNT; i > 0; --i) {
                symCum_[i] = c;
                c += (symFreq_[i] = (symFreq_[i] + 1) >> 1);
            }
            symCum_[0] = c;
        }
        u32 i = sym;
        while (symFreq_[i] == symFreq_[i - 1]) --i;
        if (i < sym) {
            const u32 chI = symToChar_[i];
            const u32 chSym = symToChar_[sym];
            symToChar_[i] = chSym;
            symToChar_[sym] = chI;
            charToSym_[chI] = sym;
            charToSym_[chSym] = i;
        }
        ++symFreq_[i];
        while (i > 0) ++symCum_[--i];
    }

    std::vector<u8>& out_;
    u32 buffer_ = 0;
    u32 mask_ = 0x80;
    u32 low_ = 0;
    u32 high_ = Q4;
    u32 pending_ = 0;
    u32 charToSym_[SYMBOL_COUNT];
    u32 symToChar_[SYMBOL_COUNT + 1];
    u32 symFreq_[SYMBOL_COUNT + 1];
    u32 symCum_[SYMBOL_COUNT + 1];
    u32 positionCum_[RING_SIZE + 1];
};

// Longest-match search over the history the decoder will have: the blanks it starts its ring
// with, then everything decoded so far. Hash chains over 3-byte keys keep it fast enough for a
// build step; the first (nearest) of equally long matches wins.
class MatchFinder {
public:
    explicit MatchFinder(const std::vector<u8>& history) : history_(history), prev_(history.size(), NONE) {
        head_.assign(HASH_SIZE, NONE);
    }

    void insert(u32 pos) {
        if (pos + 2 >= history_.size()) return;
        const u32 h = hash(pos);
        prev_[pos] = head_[h];
        head_[h] = pos;
    }

    // Best match for the bytes at `pos`, at most `limit` long; length 0 when none of 3 or more.
    void find(u32 pos, u32 limit, u32& length, u32& distance) const {
        length = 0;
        distance = 0;
        if (limit <= THRESHOLD) return;
        for (u32 cand = head_[hash(pos)]; cand != NONE && pos - cand <= MAX_DISTANCE; cand = prev_[cand]) {
            u32 n = 0;
            while (n < limit && history_[cand + n] == history_[pos + n]) ++n;
            if (n > length) {
                length = n;
                distance = pos - cand;
                if (n == limit) break;
            }
        }
        if (length <= THRESHOLD) length = 0;
    }

private:
    static constexpr u32 NONE = 0xFFFFFFFFu;
    static constexpr u32 HASH_SIZE = 1u << 15;

    u32 hash(u32 pos) const {
        return ((u32(history_[pos]) << 10) ^ (u32(history_[pos + 1]) << 5) ^ history_[pos + 2]) & (HASH_SIZE - 1);
    }

    const std::vector<u8>& history_;
    std::vector<u32> prev_;
    std::vector<u32> head_;
};

}  // namespace

std::vector<u8> encodeLzari(const u8* data, std::size_t size) {
    // The size word is 32 bits, and the history adds the ring's blanks in front.
    if (size > 0xFFFFFFFFu - WRITE_START) throw std::length_error("LZARI input larger than 4 GB");
    std::vector<u8> out;
    const u32 n = static_cast<u32>(size);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<u8>(n >> (8 * i)));
    if (n == 0) return out;

    std::vector<u8> history(WRITE_START + size, ' ');
    std::memcpy(history.data() + WRITE_START, data, size);
    MatchFinder finder(history);
    for (u32 p = 0; p < WRITE_START; ++p) finder.insert(p);

    ArithmeticEncoder coder(out);
    u32 pos = WRITE_START;
    const u32 end = static_cast<u32>(history.size());
    while (pos < end) {
        u32 length = 0, distance = 0;
        finder.find(pos, std::min(MAX_MATCH, end - pos), length, distance);
        if (length == 0) {
            coder.encodeChar(history[pos]);
            length = 1;
        } else {
            coder.encodeChar(255 - THRESHOLD + length);
            coder.encodePosition(distance - 1);
        }
        for (u32 k = 0; k < length; ++k) finder.insert(pos + k);
        pos += length;
    }
    coder.finish();
    return out;
}

}  // namespace pelorin::respack
