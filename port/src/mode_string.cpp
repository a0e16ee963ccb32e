#include "mode_string.h"

#include <cctype>
#include <string>
#include <vector>

namespace port {

namespace {

std::string lowerTrimmed(std::string_view text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

std::optional<uint32_t> parseNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value;
}

// The short form also takes the old two-digit abbreviations (96 for 9600).
std::optional<uint32_t> parseBaud(std::string_view text, bool abbreviationsAllowed) {
    const auto value = parseNumber(text);
    if (!value || *value == 0) return std::nullopt;
    if (abbreviationsAllowed) {
        switch (*value) {
            case 11: return 110;
            case 15: return 150;
            case 30: return 300;
            case 60: return 600;
            case 12: return 1200;
            case 24: return 2400;
            case 48: return 4800;
            case 96: return 9600;
            case 19: return 19200;
            default: break;
        }
    }
    return value;
}

std::optional<Parity> parseParity(std::string_view text) {
    if (text == "n") return Parity::none;
    if (text == "o") return Parity::odd;
    if (text == "e") return Parity::even;
    if (text == "m") return Parity::mark;
    if (text == "s") return Parity::space;
    return std::nullopt;
}

std::optional<int> parseDataBits(std::string_view text) {
    const auto value = parseNumber(text);
    if (!value || *value < 5 || *value > 8) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<StopBits> parseStopBits(std::string_view text) {
    if (text == "1") return StopBits::one;
    if (text == "1.5") return StopBits::onePointFive;
    if (text == "2") return StopBits::two;
    return std::nullopt;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(lowerTrimmed(std::string_view(text).substr(start, end - start)));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Sets one field from its text; an empty text leaves it alone.
template <class T, class Parse>
bool setField(std::optional<T>& field, const std::string& text, Parse parse) {
    if (text.empty()) return true;
    field = parse(text);
    return field.has_value();
}

std::optional<ModeSettings> parseShortForm(const std::string& text) {
    const std::vector<std::string> fields = split(text, ',');
    if (fields.size() > 4) return std::nullopt;
    ModeSettings settings;
    const std::string none;
    auto field = [&](std::size_t i) -> const std::string& { return i < fields.size() ? fields[i] : none; };
    const bool ok = setField(settings.baud, field(0), [](std::string_view t) { return parseBaud(t, true); }) &&
                    setField(settings.parity, field(1), parseParity) &&
                    setField(settings.dataBits, field(2), parseDataBits) &&
                    setField(settings.stopBits, field(3), parseStopBits);
    if (!ok) return std::nullopt;
    return settings;
}

std::optional<ModeSettings> parseKeywordForm(const std::string& text) {
    ModeSettings settings;
    for (const std::string& word : split(text, ' ')) {
        if (word.empty()) continue;
        const auto equals = word.find('=');
        if (equals == std::string::npos) return std::nullopt;
        const std::string key = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        if (value.empty()) return std::nullopt;
        bool ok = false;
        if (key == "baud") ok = setField(settings.baud, value, [](std::string_view t) { return parseBaud(t, false); });
        else if (key == "parity") ok = setField(settings.parity, value, parseParity);
        else if (key == "data") ok = setField(settings.dataBits, value, parseDataBits);
        else if (key == "stop") ok = setField(settings.stopBits, value, parseStopBits);
        if (!ok) return std::nullopt;
    }
    return settings;
}

}  // namespace

std::optional<ModeSettings> parseModeSettings(std::string_view mode) {
    const auto colon = mode.find(':');
    const std::string settings = lowerTrimmed(colon == std::string_view::npos ? mode : mode.substr(colon + 1));
    if (settings.find('=') != std::string::npos) return parseKeywordForm(settings);
    return parseShortForm(settings);
}

}  // namespace port
