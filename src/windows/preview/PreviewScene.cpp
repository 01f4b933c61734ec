#include "windows/preview/PreviewScene.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "geometry/FaceWalk.h"

namespace petalwright::windows {
namespace {

constexpr int kCorners = geometry::kCornersPerFace;
constexpr int kSegments = geometry::kSegmentsPerStrip;
constexpr double kFitShare = 0.46; // of the shorter side: the flower's radius at zoom 1

// Light from above, a little from the front and the right.
constexpr std::array<float, 3> kLight = {0.30f, 0.90f, 0.32f};
constexpr float kAmbient = 0.50f;
constexpr float kDiffuse = 0.50f;

// Colour of the faces along a petal: a golden heart that fades into cream-white petals.
constexpr std::array<QRgb, kSegments> kSegmentColour = {
    qRgb(236, 176, 38), qRgb(250, 226, 150), qRgb(255, 248, 232), qRgb(255, 253, 247)};
// Inner rings are a touch warmer than the outer one.
constexpr QRgb kInnerRingTint = qRgb(255, 236, 200);
constexpr float kInnerRingTintShare = 0.35f;

QRgb mix(QRgb a, QRgb b, float share)
{
    const auto channel = [share](int x, int y) {
        return static_cast<int>(std::lround(static_cast<float>(x) + (static_cast<float>(y) - static_cast<float>(x)) * share));
    };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}

QRgb shade(QRgb base, float light)
{
    const auto channel = [light](int x) { return std::clamp(static_cast<int>(std::lround(static_cast<float>(x) * light)), 0, 255); };
    return qRgb(channel(qRed(base)), channel(qGreen(base)), channel(qBlue(base)));
}

} // namespace

void PreviewScene::clear()
{
    m_corner.clear();
    m_colour.clear();
    m_projected.clear();
    m_projectedColour.clear();
    m_order.clear();
}

void PreviewScene::setMesh(const geometry::MeshStore& mesh, int rings, int petals)
{
    clear();
    const auto faces = static_cast<std::size_t>(rings) * static_cast<std::size_t>(petals) * kSegments * geometry::kStripPairs;
    m_corner.reserve(faces * kCorners * 3);
    m_colour.reserve(faces);

    const float lightLength = std::hypot(kLight[0], kLight[1], kLight[2]);
    float minY = std::numeric_limits<float>::max();
    float maxY = std::numeric_limits<float>::lowest();
    geometry::forEachFace(mesh, rings, petals, [&](const geometry::Face& face) {
        const float inner = rings > 1 ? static_cast<float>(face.ring) / static_cast<float>(rings - 1) : 0.0f;
        std::array<std::array<float, 3>, geometry::kCornersPerFace> c{};
        for (std::size_t k = 0; k < kCorners; ++k) {
            const std::size_t at = face.corner[k];
            c[k] = {static_cast<float>(mesh.x(at)), static_cast<float>(mesh.y(at)), static_cast<float>(mesh.z(at))};
            m_corner.insert(m_corner.end(), c[k].begin(), c[k].end());
            minY = std::min(minY, c[k][1]);
            maxY = std::max(maxY, c[k][1]);
        }
        // The diagonals span the face even where two corners coincide (at the base and the tip).
        const std::array<float, 3> d1 = {c[2][0] - c[0][0], c[2][1] - c[0][1], c[2][2] - c[0][2]};
        const std::array<float, 3> d2 = {c[3][0] - c[1][0], c[3][1] - c[1][1], c[3][2] - c[1][2]};
        const std::array<float, 3> n = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2],
                                        d1[0] * d2[1] - d1[1] * d2[0]};
        const float length = std::hypot(n[0], n[1], n[2]);
        // Both sides of a petal catch the light.
        const float facing = length > 0.0f
            ? std::abs(n[0] * kLight[0] + n[1] * kLight[1] + n[2] * kLight[2]) / (length * lightLength)
            : 1.0f;
        const QRgb base = mix(kSegmentColour[static_cast<std::size_t>(face.p)], kInnerRingTint, inner * kInnerRingTintShare);
        m_colour.push_back(shade(base, kAmbient + kDiffuse * facing));
        return true;
    });

    m_axisY = faces > 0 ? (minY + maxY) / 2.0f : 0.0f;
    float radius = 0.0f;
    for (std::size_t i = 0; i < m_corner.size(); i += 3) {
        const float dy = m_corner[i + 1] - m_axisY;
        radius = std::max(radius, m_corner[i] * m_corner[i] + dy * dy + m_corner[i + 2] * m_corner[i + 2]);
    }
    m_radius = radius > 0.0f ? std::sqrt(radius) : 1.0f;
}

void PreviewScene::project(const PreviewView& view, QSizeF size)
{
    const std::size_t faces = m_colour.size();
    m_projected.resize(faces * kCorners);
    m_projectedColour.resize(faces);
    m_order.resize(faces);
    if (faces == 0)
        return;

    constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
    const auto cy = static_cast<float>(std::cos(view.yaw * kRadiansPerDegree));
    const auto sy = static_cast<float>(std::sin(view.yaw * kRadiansPerDegree));
    const auto cp = static_cast<float>(std::cos(view.pitch * kRadiansPerDegree));
    const auto sp = static_cast<float>(std::sin(view.pitch * kRadiansPerDegree));
    const auto scale = static_cast<float>(kFitShare * std::min(size.width(), size.height()) * view.zoom / m_radius);
    const auto midX = static_cast<float>(size.width() / 2.0);
    const auto midY = static_cast<float>(size.height() / 2.0);

    // Screen x is the turned x; screen up and the depth towards the viewer come from the tilt.
    std::vector<QPoint>& corners = m_unsorted;
    corners.resize(faces * kCorners);
    for (std::size_t f = 0; f < faces; ++f) {
        float depth = 0.0f;
        for (std::size_t k = 0; k < kCorners; ++k) {
            const float* v = &m_corner[(f * kCorners + k) * 3];
            const float x1 = v[0] * cy + v[2] * sy;
            const float z1 = v[2] * cy - v[0] * sy;
            const float y1 = v[1] - m_axisY;
            corners[f * kCorners + k] = QPoint(static_cast<int>(std::lround(midX + scale * x1)),
                                               static_cast<int>(std::lround(midY - scale * (y1 * cp - z1 * sp))));
            depth += y1 * sp + z1 * cp;
        }
        // Farther faces get smaller keys; the face index rides in the low bits.
        const float share = std::clamp((depth / kCorners + m_radius) / (2.0f * m_radius), 0.0f, 1.0f);
        const auto key = static_cast<std::uint64_t>(share * 4.0e9f);
        m_order[f] = (key << 32) | f;
    }
    std::sort(m_order.begin(), m_order.end());

    for (std::size_t i = 0; i < faces; ++i) {
        const std::size_t f = m_order[i] & 0xFFFFFFFFu;
        std::copy_n(corners.begin() + static_cast<std::ptrdiff_t>(f * kCorners), kCorners,
                    m_projected.begin() + static_cast<std::ptrdiff_t>(i * kCorners));
        m_projectedColour[i] = m_colour[f];
    }
}

} // namespace petalwright::windows
