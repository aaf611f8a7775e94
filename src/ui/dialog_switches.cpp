#include "ui/dialog_switches.h"

#include <charconv>
#include <string>
#include <string_view>

#include "app/argument_list.h"

namespace pelorin {
namespace {

// A name stored with each byte mixed with its position, so that it does not stand in the
// executable as text; spelled out only when the switches are read.
template <size_t N>
struct ScrambledName {
    char bytes[N - 1] = {};

    static constexpr char mix(size_t index) { return static_cast<char>(0x5A + 29 * index); }
    consteval ScrambledName(const char (&text)[N]) {
        for (size_t i = 0; i + 1 < N; ++i) bytes[i] = static_cast<char>(text[i] ^ mix(i));
    }
    std::string spelled() const {
        std::string out(N - 1, '\0');
        for (size_t i = 0; i + 1 < N; ++i) out[i] = static_cast<char>(bytes[i] ^ mix(i));
        return out;
    }
};

constexpr ScrambledName COMPACT("-~compact");
constexpr ScrambledName FONT_SCALE("-~fontscale:");
constexpr ScrambledName FONT_QUALITY("-~fontquality:");
constexpr ScrambledName WORK_AREA("-~workarea:");

// A whole decimal number with an optional sign, nothing else.
bool parseWhole(std::string_view text, i32& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && stop == end;
}

bool valueOf(std::string_view entry, std::string_view name, std::string_view& value) {
    if (entry.size() < name.size() || entry.substr(0, name.size()) != name) return false;
    value = entry.substr(name.size());
    return true;
}

}  // namespace

DialogSwitches readDialogSwitches(const ArgumentList& switches) {
    DialogSwitches out;
    const std::string compactName = COMPACT.spelled();
    const std::string fontScaleName = FONT_SCALE.spelled();
    const std::string fontQualityName = FONT_QUALITY.spelled();
    const std::string workAreaName = WORK_AREA.spelled();
    for (u32 i = 0; i < switches.count(); ++i) {
        const std::string_view entry = switches.at(i);
        std::string_view value;
        i32 number = 0;
        if (entry == compactName) {
            out.compact = true;
        } else if (valueOf(entry, fontScaleName, value)) {
            if (parseWhole(value, number)) {
                out.hasFontPercent = true;
                out.fontPercent = number;
            }
        } else if (valueOf(entry, fontQualityName, value)) {
            if (parseWhole(value, number) && number >= 0 && number <= 255) {
                out.hasFontQuality = true;
                out.fontQuality = static_cast<u8>(number);
            }
        } else if (valueOf(entry, workAreaName, value)) {
            const size_t comma = value.find(',');
            i32 width = 0;
            i32 height = 0;
            if (comma != std::string_view::npos && parseWhole(value.substr(0, comma), width) &&
                parseWhole(value.substr(comma + 1), height) && width > 0 && height > 0) {
                out.hasWorkArea = true;
                out.workAreaWidth = width;
                out.workAreaHeight = height;
            }
        }
    }
    return out;
}

}  // namespace pelorin
