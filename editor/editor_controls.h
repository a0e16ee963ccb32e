// Controls that only the sound editor has, as plain state like those of
// window/controls.h: the file list, and the option-button group that makes one
// of a row of option buttons the selected one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "window/controls.h"

namespace rumblet {

// A list of the files in one folder whose names match a pattern. The editor
// sets `pattern` and `path`; refresh() reads the folder again. A click picks
// an item and raises `onClick`.
struct FileList : Control {
    std::string pattern;              // "*.wav": names matched without regard to case
    std::string path;                 // the folder shown; empty = none
    std::vector<std::string> items;   // matching file names, no folder, sorted
    int listIndex = -1;               // the picked item, -1 = none
    std::function<void()> onClick;

    void setPattern(const std::string& p);
    void setPath(const std::string& p);
    void refresh();
    // What a user's click on item `index` does.
    void click(int index);
    // The picked file name, empty when nothing is picked.
    std::string fileName() const;
};

// The names in `folder` of ordinary files that match `pattern` ("*" and "?"
// wildcards) without regard to letter case, sorted the same way. A missing
// or unreadable folder gives no names.
std::vector<std::string> listMatchingFiles(const std::string& folder, const std::string& pattern);

// Selecting option `index` of a row as a click does: the others of the row
// are cleared first, then the chosen one is set and raises its click handler.
template <typename Row>
void selectOption(Row& row, std::size_t index) {
    for (std::size_t i = 0; i < row.size(); ++i)
        if (i != index) row[i].setValue(false);
    row[index].setValue(true);
}

// Shows option `index` of a row as the selected one without raising any
// click handler (a handler that makes its own option the shown one).
template <typename Row>
void showOptionSelected(Row& row, std::size_t index) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        bool v = i == index;
        if (row[i].value == v) continue;
        row[i].value = v;
        if (row[i].changed) row[i].changed();
    }
}

}  // namespace rumblet
