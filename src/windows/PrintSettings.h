#pragma once
// The small dialog after the save dialog that asks the printable solid's thickness and size.

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace petalwright::platform {
class MessageBox;
}

namespace petalwright::windows {

struct PrintTexts {
    QString thickness; // millimetres
    QString size;      // millimetres; empty keeps the drawing units
};

// The texts of the last accepted dialog (QSettings), or the defaults.
PrintTexts rememberedPrintTexts();

// Shows the dialog on `texts`; OK checks them with `check` (problems in Japanese, empty when good) and
// shows the problems in a message box, keeping the dialog open. Returns false when cancelled. Accepted
// texts are remembered for the next time.
bool askPrintTexts(QWidget* parent, platform::MessageBox& messageBox, const std::function<std::string(const PrintTexts&)>& check,
                   PrintTexts& texts);

} // namespace petalwright::windows
