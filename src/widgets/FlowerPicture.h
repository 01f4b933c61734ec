#pragma once
// The small flower drawn for the window icon and the main window's decoration.

#include <QPixmap>

namespace petalwright::widgets {

// A daisy seen from above, `size` pixels, on a transparent ground.
QPixmap flowerPicture(QSize size);

} // namespace petalwright::widgets
