#include "widgets/FormFont.h"

#include <QAbstractButton>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace petalwright::widgets {
namespace {

bool showsText(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->pixmap().isNull();
    return qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLineEdit*>(control)
        || qobject_cast<const QGroupBox*>(control);
}

} // namespace

QString formFontFace()
{
    return QStringLiteral("\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");
}

void installFontSubstitutes()
{
    QFont::insertSubstitutions(formFontFace(), {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                                QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic")});
}

void setFONT(QWidget* form)
{
    QFont windowFont = form->font();
    windowFont.setFamilies({formFontFace()});
    windowFont.setPointSize(kFormFontPoints);
    form->setFont(windowFont);

    QFont controlFont(formFontFace(), kFormFontPoints);
    controlFont.setBold(false);
    controlFont.setItalic(false);
    controlFont.setStrikeOut(false);
    controlFont.setUnderline(false);
    const auto controls = form->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (showsText(control))
            control->setFont(controlFont);
    }
}

} // namespace petalwright::widgets
