#include "widgets/EnterNavigation.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace petalwright::widgets {
namespace {

class KeyPressFilter final : public QObject {
public:
    KeyPressFilter(QLineEdit* box, std::function<void(int&)> handler) : QObject(box), m_handler(std::move(handler))
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() != 1)
            return false; // not a character key
        int keyAscii = text.front().unicode();
        m_handler(keyAscii);
        return keyAscii == 0;
    }

private:
    std::function<void(int&)> m_handler;
};

} // namespace

void onKeyPress(QLineEdit* box, std::function<void(int& keyAscii)> handler)
{
    new KeyPressFilter(box, std::move(handler));
}

void enterMovesFocus(int& keyAscii, QWidget* next)
{
    if (keyAscii != kCarriageReturn)
        return;
    keyAscii = 0;
    next->setFocus();
}

} // namespace petalwright::widgets
