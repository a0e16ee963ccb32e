// The plain text of IR.ini and the positions files: one value per line,
// CR LF, numbers written as a blank or "-", the digits and one trailing
// blank. The readers are tolerant: LF-only and CR-only line ends, blanks,
// commas and text where a number should be are all taken without complaint.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace rumblet {

inline constexpr std::string_view LINE_END = "\r\n";

// One number line: " 5 \r\n", " 0 \r\n", "-1500 \r\n".
std::string formatNumberLine(int32_t value);

// The number at the start of `text` after blanks: an optional sign and the
// digits up to the first other character. Text that starts with no number
// reads as 0: an unreadable value must never stop the program. A number
// beyond 32 bits takes the nearest end of the range, so a muted sound never
// comes back at full level.
int32_t parseLeadingNumber(std::string_view text);

// Skips the UTF-8 byte order mark that Windows editors put at the start of a
// text file; anything else stays unread.
void skipByteOrderMark(std::istream& in);

// The text of a settings or positions file as the readers take it. A file
// that starts with a UTF-16 byte order mark, in either byte order (what
// Windows editors save as "Unicode"), becomes UTF-8 without its mark, the
// form names take inside the program; any other file stays as it is. False,
// with `reason` in the program's language, for a file that holds no text: a
// NUL character (no name or number has one; binary junk does), or UTF-16
// that breaks off or leaves a surrogate unpaired.
bool decodeFileText(std::string& content, std::string& reason);

// True when `text` is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// `text` read as Windows-1252 (the code page of names copied from Windows),
// in UTF-8. Bytes that code page leaves undefined keep their Latin-1 meaning.
std::string windows1252ToUtf8(std::string_view text);

// A text value of IR.ini: the line up to its first comma, blanks around it
// removed. The rest of the line is dropped, so a comma in a file name never
// shifts the values of the following lines.
std::string textField(std::string_view line);

// Reads a text file line by line. A line ends at CR LF, LF or CR. Lines
// longer than MAX_LINE_CHARS keep their beginning; the rest is skipped, so a
// damaged file cannot make a line grow without bound.
class LineReader {
public:
    static constexpr size_t MAX_LINE_CHARS = 4096;
    explicit LineReader(std::istream& in) : in_(in) {}
    // False at the end of the file.
    bool next(std::string& line);

private:
    std::istream& in_;
};

// Reads the numbers of a positions file in order. Numbers are separated by
// blanks, tabs, commas and line ends; a field that is no number gives 0.
class NumberReader {
public:
    static constexpr size_t MAX_FIELD_CHARS = 64;
    explicit NumberReader(std::istream& in) : in_(in) {}
    // False when the file holds no further field.
    bool next(int32_t& value);

private:
    std::istream& in_;
};

}  // namespace rumblet
