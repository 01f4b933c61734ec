#pragma once
// The flower as the preview draws it: shaded faces, a view, and the faces projected in painting order.

#include <QPoint>
#include <QRgb>
#include <QSizeF>

#include <cstdint>
#include <vector>

#include "geometry/MeshStore.h"

namespace petalwright::windows {

// How the flower is looked at; angles in degrees.
struct PreviewView {
    static constexpr double kDefaultYaw = -20.0;  // turn about the up axis
    static constexpr double kDefaultPitch = 32.0; // look down on the flower from this elevation
    static constexpr double kMinPitch = -90.0;
    static constexpr double kMaxPitch = 90.0;
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 8.0;

    double yaw = kDefaultYaw;
    double pitch = kDefaultPitch;
    double zoom = 1.0;

    friend bool operator==(const PreviewView&, const PreviewView&) = default;
};

class PreviewScene {
public:
    // Takes every face of the `rings` x `petals` petals in `mesh`, corners in the order the file writes them,
    // and shades each with a light from above.
    void setMesh(const geometry::MeshStore& mesh, int rings, int petals);
    void clear();

    int faceCount() const { return static_cast<int>(m_colour.size()); }

    // Projects every face into an area of `size` pixels for `view`, farthest face first. The flower's
    // axis passes through the middle of the area; at zoom 1 the whole flower fits whatever the angles.
    void project(const PreviewView& view, QSizeF size);

    // After project(): four corners per face in whole pixels (the preview paints without smoothing), in painting order, and the colour of each of those faces.
    const std::vector<QPoint>& projectedCorners() const { return m_projected; }
    const std::vector<QRgb>& projectedColours() const { return m_projectedColour; }

private:
    std::vector<float> m_corner; // x, y, z of four corners per face
    std::vector<QRgb> m_colour;  // shaded colour per face
    float m_axisY = 0.0f;        // height of the point the view turns about
    float m_radius = 1.0f;       // farthest corner from that point

    std::vector<QPoint> m_unsorted; // corners in face order, before sorting
    std::vector<QPoint> m_projected;
    std::vector<QRgb> m_projectedColour;
    std::vector<std::uint64_t> m_order; // depth key and face index, for sorting
};

} // namespace petalwright::windows
