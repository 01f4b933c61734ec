#pragma once
// The preview panel: the flower of the six boxes, shaded, turned with the mouse or the keys.

#include <QPoint>
#include <QWidget>

#include <cstdint>

#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"
#include "windows/preview/PreviewScene.h"

class QLabel;

namespace petalwright::windows {

class FlowerPreview final : public QWidget {
    Q_OBJECT
public:
    explicit FlowerPreview(QWidget* parent = nullptr);

    // Builds the flower of `texts` with the ring turns of `seed`, as a run would. When the texts do not
    // pass the checks the last flower stays, dimmed, under the note, and the result is false.
    bool showFlower(const geometry::ParameterTexts& texts, std::uint64_t seed);

    // The points of the flower shown (the last valid one while dimmed).
    const geometry::MeshStore& mesh() const { return m_mesh; }
    bool isDimmed() const { return m_dimmed; }
    int faceCount() const { return m_scene.faceCount(); }

    const PreviewView& view() const { return m_view; }
    void setView(const PreviewView& view);
    void resetView() { setView(PreviewView{}); }

    // One line over the dimmed flower.
    QLabel* lblNOTE = nullptr;
    static constexpr double kDegreesPerPixel = 0.5; // turn per pixel of a drag
    static constexpr double kZoomPerNotch = 1.15;   // one wheel notch

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Arrows turn as a drag does, + and − zoom as the wheel does, 0 or Home resets.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    geometry::MeshStore m_mesh;
    PreviewScene m_scene;
    PreviewView m_view;
    bool m_projectionStale = true; // the view, the size or the flower changed since the last projection
    bool m_dimmed = false;
    bool m_dragging = false;
    QPoint m_dragFrom;
};

} // namespace petalwright::windows
