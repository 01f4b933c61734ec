#include "widgets/FlowerPicture.h"

#include <QPainter>
#include <QPainterPath>

namespace petalwright::widgets {

QPixmap flowerPicture(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    const double radius = std::min(size.width(), size.height()) / 2.0;
    constexpr int kPetals = 8;
    painter.setPen(QPen(QColor(190, 170, 60), radius / 16));
    painter.setBrush(QColor(255, 255, 250));
    for (int i = 0; i < kPetals; ++i) {
        painter.save();
        painter.translate(centre);
        painter.rotate(360.0 / kPetals * i);
        painter.drawEllipse(QRectF(radius * 0.15, -radius * 0.22, radius * 0.82, radius * 0.44));
        painter.restore();
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(240, 180, 20));
    painter.drawEllipse(centre, radius * 0.3, radius * 0.3);
    return pixmap;
}

} // namespace petalwright::widgets
