#pragma once
// Key-character handlers for text boxes, and Enter moving the focus along the parameter fields.

#include <functional>

class QLineEdit;
class QWidget;

namespace petalwright::widgets {

inline constexpr int kCarriageReturn = 13;

// Calls `handler` with the character code of every character key typed into `box`, before the
// box sees it; a handler that sets the code to 0 cancels the key.
void onKeyPress(QLineEdit* box, std::function<void(int& keyAscii)> handler);

// Enter (code 13) is cancelled and moves the focus to `next`; every other key is left alone.
void enterMovesFocus(int& keyAscii, QWidget* next);

} // namespace petalwright::widgets
