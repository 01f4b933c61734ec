#include "widgets/ExtendsTextBox.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace petalwright::widgets {

std::vector<std::unique_ptr<ExtendsTextBox>> extendedBoxes;

ExtendsTextBox::ExtendsTextBox(QLineEdit* hTextBox) : This(hTextBox)
{
    This->installEventFilter(this);
}

bool ExtendsTextBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != This)
        return false;
    if (event->type() == QEvent::FocusIn) {
        // The box handles its focus first (it selects on Tab by itself); the selection is set after.
        This->event(event);
        This_GotFocus(static_cast<QFocusEvent*>(event)->reason());
        return true;
    }
    return false;
}

void ExtendsTextBox::This_GotFocus(int reason)
{
    // Qt gives the focus before the mouse press that caused it, so the focus reason, not a flag
    // kept from the press, tells a click apart: no press inside a box that already has the focus
    // can spoil a later keyboard focus. After a context menu or a window switch the box keeps
    // what the user left.
    if (reason == Qt::MouseFocusReason || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return;
    This->setSelection(0, static_cast<int>(This->text().size()));
}

void extendTEXTBOX(QWidget* form)
{
    std::size_t n = 0;
    const auto controls = form->findChildren<QLineEdit*>();
    for (QLineEdit* box : controls) {
        extendedBoxes.resize(n + 1);
        extendedBoxes[n] = std::make_unique<ExtendsTextBox>(box);
        ++n;
    }
}

} // namespace petalwright::widgets
