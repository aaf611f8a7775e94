#include "runtime/lzari.h"

#include <array>

namespace pelorin {
namespace {

constexpr u32 RING_SIZE = 4096;
constexpr u32 RING_MASK = RING_SIZE - 1;
constexpr u32 MAX_MATCH = 60;
constexpr u32 THRESHOLD = 2;  // matches this long or shorter are sent as literals
constexpr u32 WRITE_START = RING_SIZE - MAX_MATCH;
constexpr u32 SYMBOL_COUNT = 256 - THRESHOLD + MAX_MATCH;  // 256 literals, lengths 3..60

constexpr u32 PRECISION = 15;
constexpr u32 Q1 = 1u << PRECISION;
constexpr u32 Q2 = 2 * Q1;
constexpr u32 Q3 = 3 * Q1;
constexpr u32 Q4 = 4 * Q1;
constexpr u32 MAX_CUM = Q1 - 1;
constexpr u32 LOOKAHEAD_BITS = PRECISION + 2;

// The position model never adapts, so its cumulative table is built at compile time.
// positionCum[i] is the weight of positions i..4095; position p weighs 10000 / (p + 201).
constexpr std::array<u32, RING_SIZE + 1> makePositionCum() {
    std::array<u32, RING_SIZE + 1> cum{};
    cum[RING_SIZE] = 0;
    for (u32 i = RING_SIZE; i >= 1; --i) cum[i - 1] = cum[i] + 10000 / (i + 200);
    return cum;
}
constexpr std::array<u32, RING_SIZE + 1> POSITION_CUM = makePositionCum();
static_assert(POSITION_CUM[0] < Q1, "the position model must fit the coder's precision");

// Past the last packed byte the reader delivers 1-bits, as the published decoder does when its
// input runs dry. It counts every bit taken so that the caller can tell how far the coder got.
class BitReader {
public:
    BitReader(const u8* data, u32 size) : data_(data), size_(size) {}

    u32 readBit() {
        if ((mask_ >>= 1) == 0) {
            buffer_ = next_ < size_ ? data_[next_] : 0xFF;
            ++next_;
            mask_ = 0x80;
        }
        ++bitsRead_;
        return (buffer_ & mask_) != 0;
    }
    u64 bitsRead() const { return bitsRead_; }

private:
    const u8* data_;
    u32 size_;
    u64 next_ = 0;
    u32 buffer_ = 0;
    u32 mask_ = 0;
    u64 bitsRead_ = 0;
};

class Decoder {
public:
    Decoder(const u8* coded, u32 codedSize) : bits_(coded, codedSize) {
        // Symbol 1 is the most probable slot; symbol s starts out as character s - 1.
        symCum_[SYMBOL_COUNT] = 0;
        for (u32 sym = SYMBOL_COUNT; sym >= 1; --sym) {
            symToChar_[sym] = sym - 1;
            symFreq_[sym] = 1;
            symCum_[sym - 1] = symCum_[sym] + 1;
        }
        symFreq_[0] = 0;  // sentinel: never equal to symFreq_[1]
        for (u32 i = 0; i < LOOKAHEAD_BITS; ++i) value_ = 2 * value_ + bits_.readBit();
    }

    u32 decodeChar() {
        const u32 range = high_ - low_;
        const u32 total = symCum_[0];
        const u32 x = static_cast<u32>((u64(value_ - low_ + 1) * total - 1) / range);
        // Largest sym with symCum_[sym] <= x; the cumulative table falls with the index.
        u32 lo = 1, hi = SYMBOL_COUNT;
        while (lo < hi) {
            const u32 mid = (lo + hi) / 2;
            if (symCum_[mid] > x) lo = mid + 1; else hi = mid;
        }
        const u32 sym = lo;
        high_ = low_ + static_cast<u32>(u64(range) * symCum_[sym - 1] / total);
        low_ += static_cast<u32>(u64(range) * symCum_[sym] / total);
        renormalize();
        const u32 ch = symToChar_[sym];
        updateModel(sym);
        return ch;
    }

    u32 decodePosition() {
        const u32 range = high_ - low_;
        const u32 total = POSITION_CUM[0];
        const u32 x = static_cast<u32>((u64(value_ - low_ + 1) * total - 1) / range);
        u32 lo = 1, hi = RING_SIZE;
        while (lo < hi) {
            const u32 mid = (lo + hi) / 2;
            if (POSITION_CUM[mid] > x) lo = mid + 1; else hi = mid;
        }
        const u32 position = lo - 1;
        high_ = low_ + static_cast<u32>(u64(range) * POSITION_CUM[position] / total);
        low_ += static_cast<u32>(u64(range) * POSITION_CUM[position + 1] / total);
        renormalize();
        return position;
    }

    u64 bitsRead() const { return bits_.bitsRead(); }

private:
    void renormalize() {
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
                break;
            }
            low_ += low_;
            high_ += high_;
            value_ = 2 * value_ + bits_.readBit();
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
        // Move the symbol in front of all symbols of equal frequency, so the table stays sorted.
        u32 i = sym;
        while (symFreq_[i] == symFreq_[i - 1]) --i;
        if (i < sym) {
            const u32 chI = symToChar_[i];
            symToChar_[i] = symToChar_[sym];
            symToChar_[sym] = chI;
        }
        ++symFreq_[i];
        while (i > 0) ++symCum_[--i];
    }

    BitReader bits_;
    u32 low_ = 0;
    u32 high_ = Q4;
    u32 value_ = 0;
    u32 symToChar_[SYMBOL_COUNT + 1];
    u32 symFreq_[SYMBOL_COUNT + 1];
    u32 symCum_[SYMBOL_COUNT + 1];
};

}  // namespace

u32 decodeLzari(const u8* packed, u32 packedSize, u8* out, u32 size) {
    if (packedSize < 4) return ERR_BAD_FORMAT;
    const u32 streamSize = u32(packed[0]) | u32(packed[1]) << 8 | u32(packed[2]) << 16 | u32(packed[3]) << 24;
    if (streamSize != size) return ERR_INVALID_DATA;
    const u32 codedSize = packedSize - 4;
    if (size == 0) return codedSize == 0 ? ERR_OK : ERR_BAD_FORMAT;

    // The encoder ends with two bits that settle the last interval and pads them to a byte
    // with zeros; the decoder's window runs LOOKAHEAD_BITS - 2 bits beyond. So a stream that
    // was consumed exactly has ceil((bitsRead - 15) / 8) coded bytes. Once the decoder has
    // gone further than that into the 1-bits past the end, the stream can only be invalid.
    const u64 bitLimit = u64(codedSize) * 8 + (LOOKAHEAD_BITS - 2);

    Decoder decoder(packed + 4, codedSize);
    u8 ring[RING_SIZE];
    for (u32 i = 0; i < WRITE_START; ++i) ring[i] = ' ';
    for (u32 i = WRITE_START; i < RING_SIZE; ++i) ring[i] = 0;
    u32 r = WRITE_START;
    u32 count = 0;
    while (count < size) {
        if (decoder.bitsRead() > bitLimit) return ERR_BAD_FORMAT;
        const u32 c = decoder.decodeChar();
        if (c < 256) {
            out[count++] = static_cast<u8>(c);
            ring[r] = static_cast<u8>(c);
            r = (r + 1) & RING_MASK;
            continue;
        }
        const u32 length = c - (255 - THRESHOLD);
        if (length > size - count) return ERR_BAD_FORMAT;
        const u32 from = (r - decoder.decodePosition() - 1) & RING_MASK;
        for (u32 k = 0; k < length; ++k) {
            const u8 b = ring[(from + k) & RING_MASK];
            out[count++] = b;
            ring[r] = b;
            r = (r + 1) & RING_MASK;
        }
    }
    const u64 consumedBits = decoder.bitsRead() - (LOOKAHEAD_BITS - 2);
    if ((consumedBits + 7) / 8 != codedSize) return ERR_BAD_FORMAT;
    return ERR_OK;
}

}  // namespace pelorin
