// The program's message box: the platform's standard modal box with the
// program's title and an OK button only; returns when the user closed it.
#pragma once

#include <string>

class QWidget;

namespace rumblet::qtskin {

// Owned by `parent`, or by the window that is active (the modal editor while
// it is open) when there is none.
void showMessage(const std::string& text, QWidget* parent = nullptr);

}  // namespace rumblet::qtskin
