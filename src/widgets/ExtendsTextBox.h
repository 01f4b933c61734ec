#pragma once
// Whole-text selection when a text box gains the focus from the keyboard or the program.

#include <QObject>

#include <memory>
#include <vector>

class QLineEdit;
class QWidget;

namespace petalwright::widgets {

// Attached to one text box: a focus gain from Tab, Enter navigation or the program selects the
// whole text; a focus gain from a mouse press keeps the caret where the press puts it.
class ExtendsTextBox final : public QObject {
public:
    // Attaches to `hTextBox` for the rest of its life.
    explicit ExtendsTextBox(QLineEdit* hTextBox);

    QLineEdit* This = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void This_GotFocus(int reason);
};

// The wrappers of the main window's text boxes; they live until the program ends.
extern std::vector<std::unique_ptr<ExtendsTextBox>> extendedBoxes;

// Wraps every text box of `form`, in creation order, replacing the list's earlier entries.
void extendTEXTBOX(QWidget* form);

} // namespace petalwright::widgets
