// Faces for other readers: coinciding corners collapse, flat convex faces stay whole, others become
// two triangles, nothing of zero area remains; the unit normal follows the corner order.

#include <QTest>

#include "formats/FaceSplit.h"

using namespace petalwright;
using Corners = std::array<std::array<double, 3>, 4>;

class TestFaceSplit : public QObject {
    Q_OBJECT
private slots:
    // The corner numbers of each polygon, "|" between polygons.
    void split()
    {
        const std::pair<Corners, const char*> rows[] = {
            {{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}, "0123"}, // flat square
            {{{{1000, 50, 7}, {1001, 51, 8}, {1001, 52, 9}, {1000, 51, 8}}}, "0123"}, // flat, tilted and far away
            {{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1e-12}}}, "0123"}, // a billionth out of flat
            {{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1e-6}}}, "012|023"}, // a millionth out of flat
            {{{{0, 0, 0}, {1, 0, 0}, {1, 1, 1}, {0, 1, 0}}}, "012|023"}, // twisted
            {{{{0, 0, 0}, {2, 0, 0}, {1, 0.5, 0}, {1, 2, 0}}}, "012|023"}, // flat with a dent
            {{{{0, 0, 0}, {0, 0, 0}, {1, 1, 0}, {1, 0, 0}}}, "023"}, // base: first two equal
            {{{{0, 0, 0}, {0, 1, 0}, {1, 1, 1}, {1, 1, 1}}}, "012"}, // tip: last two equal
            {{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}}}, "012"}, // first and last equal
            {{{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}}}, "023"}, // three on a line
            {{{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}}, ""}, // all on a line
            {{{{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}}}, ""}, // base and tip: a line
            {{{{5, 5, 5}, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}}}, ""}, // one point
        };
        for (const auto& [corners, polygons] : rows) {
            geometry::MeshStore mesh;
            mesh.allocate(1, 1);
            geometry::Face face;
            geometry::forEachFace(mesh, 1, 1, [&](const geometry::Face& f) {
                face = f;
                return false;
            });
            for (std::size_t c = 0; c < 4; ++c)
                for (int point = 0; point < geometry::kPointsPerStrip; ++point)
                    for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip)
                        if (mesh.index(0, 0, point, strip) == face.corner[c])
                            mesh.set(0, 0, point, strip, corners[c][0], corners[c][1], corners[c][2]);

            const formats::SplitFace split = formats::splitFace(mesh, face);
            QStringList seen;
            for (int i = 0; i < split.count; ++i) {
                const formats::Polygon& polygon = split.polygon[static_cast<std::size_t>(i)];
                QString numbers;
                for (int c = 0; c < polygon.cornerCount; ++c)
                    numbers += QString::number(std::find(face.corner.begin(), face.corner.end(), polygon.corner[static_cast<std::size_t>(c)]) - face.corner.begin());
                seen << numbers;
            }
            QCOMPARE(seen.join('|'), QString(polygons));
        }
    }

    void unitNormalFollowsCornerOrder()
    {
        QCOMPARE(formats::unitNormal({0, 0, 0}, {3, 0, 0}, {0, 3, 0}), (std::array<double, 3>{0, 0, 1}));
        QCOMPARE(formats::unitNormal({0, 0, 0}, {0, 3, 0}, {3, 0, 0}), (std::array<double, 3>{0, 0, -1}));
        QCOMPARE(formats::unitNormal({0, 0, 0}, {0, 0, 2}, {0, 5, 0}), (std::array<double, 3>{-1, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(TestFaceSplit)
#include "tst_facesplit.moc"
