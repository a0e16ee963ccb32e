#include "programdata/text_values.h"

#include <algorithm>
#include <limits>

namespace rumblet {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isFieldSeparator(char c) { return isBlank(c) || c == ',' || c == '\r' || c == '\n'; }

void appendUtf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 after its mark as UTF-8; false for a text that breaks off inside a
// unit or leaves a surrogate unpaired.
bool utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& out) {
    if (bytes.size() % 2 != 0) return false;
    auto unit = [&](size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    out.clear();
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xDC00 && code <= 0xDFFF) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            i += 2;
            if (i >= bytes.size()) return false;
            const uint32_t low = unit(i);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(code, out);
    }
    return true;
}

}  // namespace

std::string formatNumberLine(int32_t value) {
    const int64_t wide = value;  // the magnitude of INT32_MIN does not fit 32 bits
    std::string line = wide < 0 ? "-" : " ";
    line += std::to_string(wide < 0 ? -wide : wide);
    line += ' ';
    line += LINE_END;
    return line;
}

int32_t parseLeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Past the range the magnitude stops growing: more digits only keep it there.
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
    }
    if (digits == 0) return 0;
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::string textField(std::string_view line) {
    line = line.substr(0, line.find(','));
    size_t first = 0;
    while (first < line.size() && isBlank(line[first])) ++first;
    size_t last = line.size();
    while (last > first && isBlank(line[last - 1])) --last;
    return std::string(line.substr(first, last - first));
}

void skipByteOrderMark(std::istream& in) {
    static constexpr char MARK[] = "\xEF\xBB\xBF";
    std::streambuf* buf = in.rdbuf();
    if (!buf) return;
    for (const char* m = MARK; *m; ++m) {
        if (buf->sgetc() != static_cast<unsigned char>(*m)) {
            // Only a whole mark is skipped; a partial one was a real value.
            for (; m != MARK; --m) buf->sungetc();
            return;
        }
        buf->sbumpc();
    }
}

bool decodeFileText(std::string& content, std::string& reason) {
    const std::string_view text = content;
    const bool little = text.substr(0, 2) == "\xFF\xFE";
    if (little || text.substr(0, 2) == "\xFE\xFF") {
        std::string decoded;
        if (!utf16ToUtf8(text.substr(2), !little, decoded)) {
            reason = "fehlerhafter UTF-16-Text";
            return false;
        }
        content = std::move(decoded);
    }
    // Checked after decoding: a UTF-16 character 0 is a NUL as well, and
    // written back as 8-bit text it would make the file unreadable next time.
    if (content.find('\0') != std::string::npos) {
        reason = "enthält Nullzeichen";
        return false;
    }
    return true;
}

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1, code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, code = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= text.size()) return false;
        for (size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view text) {
    // 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
    static constexpr uint16_t HIGH[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        uint32_t code = c;
        if (c >= 0x80 && c <= 0x9F && HIGH[c - 0x80] != 0) code = HIGH[c - 0x80];
        appendUtf8(code, out);
    }
    return out;
}

bool LineReader::next(std::string& line) {
    line.clear();
    std::streambuf* buf = in_.rdbuf();
    if (!buf) return false;
    using traits = std::streambuf::traits_type;
    int c = buf->sbumpc();
    if (c == traits::eof()) return false;
    for (; c != traits::eof(); c = buf->sbumpc()) {
        if (c == '\n') return true;
        if (c == '\r') {
            if (buf->sgetc() == '\n') buf->sbumpc();
            return true;
        }
        if (line.size() < MAX_LINE_CHARS) line += static_cast<char>(c);
    }
    return true;
}

bool NumberReader::next(int32_t& value) {
    std::streambuf* buf = in_.rdbuf();
    if (!buf) return false;
    using traits = std::streambuf::traits_type;
    int c = buf->sbumpc();
    while (c != traits::eof() && isFieldSeparator(static_cast<char>(c))) c = buf->sbumpc();
    if (c == traits::eof()) return false;
    std::string field;
    for (; c != traits::eof() && !isFieldSeparator(static_cast<char>(c)); c = buf->sbumpc()) {
        if (field.size() < MAX_FIELD_CHARS) field += static_cast<char>(c);
    }
    value = parseLeadingNumber(field);
    return true;
}

}  // namespace rumblet
