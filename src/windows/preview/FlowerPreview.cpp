#include "windows/preview/FlowerPreview.h"

#include <QAccessibleWidget>
#include <QKeyEvent>

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "geometry/DaisyMesh.h"
#include "geometry/RandomSource.h"

namespace petalwright::windows {
namespace {

constexpr QRgb kSkyTop = qRgb(212, 226, 240);
constexpr QRgb kSkyBottom = qRgb(248, 250, 252);
constexpr QRgb kBorder = qRgb(160, 170, 184);
constexpr int kDimAlpha = 170; // of the ground colour laid over a flower that no longer matches the boxes
constexpr int kNoteHeight = 22;
// Up to this many faces the flower is drawn smoothed and each face outlined a shade darker; larger
// flowers are filled only, which keeps a drag fluid.
constexpr int kDetailedFaceLimit = 4000;
constexpr int kOutlineDarker = 112;
constexpr double kWheelNotch = 120.0; // angle delta of one notch
constexpr int kKeyStepPixels = 10;    // an arrow key turns as a drag of this many pixels
constexpr int kFocusFrame = 2;        // width of the frame that shows the keyboard focus

// Screen readers see the panel as a picture with its name and description, not as an empty text.
QAccessibleInterface* previewAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("petalwright::windows::FlowerPreview") && object != nullptr && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

} // namespace

FlowerPreview::FlowerPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picPREVIEW"));
    // Reached with Tab, turned with the keys; a click to drag leaves the caret in the box being edited.
    setFocusPolicy(Qt::TabFocus);
    QAccessible::installFactory(previewAccessible);
    setAccessibleName(QStringLiteral("花のプレビュー"));
    setAccessibleDescription(QStringLiteral("6 つの数が表す花を立体で見せます。矢印キーで回し、＋ で拡大、− で縮小、"
                                            "0 で元の向きに戻します。マウスではドラッグで回し、ホイールで拡大・縮小、ダブルクリックで元に戻します。"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);

    lblNOTE = new QLabel(QStringLiteral("入力を確認してください"), this);
    lblNOTE->setObjectName(QStringLiteral("lblNOTE"));
    lblNOTE->setAlignment(Qt::AlignCenter);
    lblNOTE->setStyleSheet(QStringLiteral("color: #8a3a1a; background: rgba(255, 255, 255, 200);"));
    lblNOTE->hide();
}

bool FlowerPreview::showFlower(const geometry::ParameterTexts& texts, std::uint64_t seed)
{
    const geometry::FlowerParameters values = geometry::convertParameters(texts);
    if (!geometry::checkParameters(texts, values).empty()) {
        m_dimmed = true;
        lblNOTE->show();
        update();
        return false;
    }
    // The same steps as a run: a fresh store, then the generator with the run's seed.
    m_mesh.allocate(values.overlapCount, values.petalCount);
    geometry::SeededRandom random(seed);
    geometry::makeDaisyMesh(values, m_mesh, random);
    m_scene.setMesh(m_mesh, values.overlapCount, values.petalCount);
    m_dimmed = false;
    lblNOTE->hide();
    m_projectionStale = true;
    update();
    return true;
}

void FlowerPreview::setView(const PreviewView& view)
{
    PreviewView limited = view;
    limited.pitch = std::clamp(view.pitch, PreviewView::kMinPitch, PreviewView::kMaxPitch);
    limited.yaw = std::remainder(view.yaw, 360.0);
    limited.zoom = std::clamp(view.zoom, PreviewView::kMinZoom, PreviewView::kMaxZoom);
    if (limited == m_view)
        return;
    m_view = limited;
    m_projectionStale = true;
    update();
}

void FlowerPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    lblNOTE->setGeometry(1, height() - kNoteHeight - 1, width() - 2, kNoteHeight);
    m_projectionStale = true;
}

void FlowerPreview::paintEvent(QPaintEvent*)
{
    if (m_projectionStale) {
        m_scene.project(m_view, QSizeF(size()));
        m_projectionStale = false;
    }

    QPainter painter(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(kSkyTop));
    sky.setColorAt(1, QColor(kSkyBottom));
    painter.fillRect(rect(), sky);

    // Painter's order: the scene is sorted farthest first.
    const std::vector<QPoint>& corners = m_scene.projectedCorners();
    const std::vector<QRgb>& colours = m_scene.projectedColours();
    if (m_scene.faceCount() <= kDetailedFaceLimit) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPen outline(Qt::SolidLine);
        outline.setWidthF(0.6);
        for (std::size_t f = 0; f < colours.size(); ++f) {
            const QColor colour(colours[f]);
            outline.setColor(colour.darker(kOutlineDarker));
            painter.setPen(outline);
            painter.setBrush(colour);
            painter.drawConvexPolygon(&corners[f * 4], 4);
        }
        painter.setRenderHint(QPainter::Antialiasing, false);
    } else {
        painter.setPen(Qt::NoPen);
        for (std::size_t f = 0; f < colours.size(); ++f) {
            painter.setBrush(QColor(colours[f]));
            painter.drawConvexPolygon(&corners[f * 4], 4);
        }
    }

    if (m_dimmed) {
        QColor veil(kSkyBottom);
        veil.setAlpha(kDimAlpha);
        painter.fillRect(rect(), veil);
    }
    painter.setPen(QColor(kBorder));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        QPen frame(palette().color(QPalette::Highlight), kFocusFrame);
        frame.setJoinStyle(Qt::MiterJoin);
        painter.setPen(frame);
        painter.drawRect(rect().adjusted(kFocusFrame / 2, kFocusFrame / 2, -kFocusFrame / 2 - 1, -kFocusFrame / 2 - 1));
    }
}

void FlowerPreview::keyPressEvent(QKeyEvent* event)
{
    PreviewView view = m_view;
    const double step = kKeyStepPixels * kDegreesPerPixel;
    switch (event->key()) {
    case Qt::Key_Left: view.yaw -= step; break; // as a drag to the left
    case Qt::Key_Right: view.yaw += step; break;
    case Qt::Key_Up: view.pitch -= step; break;
    case Qt::Key_Down: view.pitch += step; break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: view.zoom *= kZoomPerNotch; break; // + shares its key with = on most keyboards
    case Qt::Key_Minus: view.zoom /= kZoomPerNotch; break;
    case Qt::Key_0:
    case Qt::Key_Home: view = PreviewView{}; break;
    default: return QWidget::keyPressEvent(event);
    }
    setView(view);
    event->accept();
}

void FlowerPreview::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void FlowerPreview::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void FlowerPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_dragFrom = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
}

void FlowerPreview::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    const QPoint moved = at - m_dragFrom;
    m_dragFrom = at;
    PreviewView turned = m_view;
    turned.yaw += moved.x() * kDegreesPerPixel; // the side facing the user follows the pointer
    turned.pitch += moved.y() * kDegreesPerPixel;
    setView(turned);
}

void FlowerPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
}

void FlowerPreview::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    resetView();
}

void FlowerPreview::wheelEvent(QWheelEvent* event)
{
    PreviewView zoomed = m_view;
    zoomed.zoom *= std::pow(kZoomPerNotch, event->angleDelta().y() / kWheelNotch);
    setView(zoomed);
    event->accept();
}

} // namespace petalwright::windows
