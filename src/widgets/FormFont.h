#pragma once
// The one font of every window: the Japanese proportional Gothic face, 9 points, regular.

#include <QString>

class QWidget;

namespace petalwright::widgets {

// "ＭＳ Ｐゴシック"; where it is not installed, installFontSubstitutes() maps it to a face that is.
QString formFontFace();
inline constexpr int kFormFontPoints = 9;

// Maps the form face to the IPA proportional Gothic face (Debian's fonts-ipafont-gothic) and
// other Japanese faces after it; once at program start.
void installFontSubstitutes();

// Gives the window the face and size, and every control of it that shows text the face, size
// and a regular style. Controls without text (pictures) are left alone.
void setFONT(QWidget* form);

} // namespace petalwright::widgets
