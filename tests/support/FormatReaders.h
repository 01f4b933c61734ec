#pragma once
// Small readers of the files the writers produce, independent of the writers' code: the faces of each
// file as lists of corner points, with the ring each belongs to where the format records it.

#include <optional>
#include <QByteArray>
#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/Inflate.h"
#include "formats/OutputFormat.h"

namespace petalwright::testing {

using Point3 = std::array<double, 3>;

struct Shape {
    std::vector<Point3> corners;
    int ring = -1; // -1 where the format does not say
};

// Twice the area of the triangle a, b, c as a vector along its normal by the right-hand rule.
inline Point3 areaNormal(const Point3& a, const Point3& b, const Point3& c)
{
    const Point3 u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}
inline double length(const Point3& v) { return std::hypot(v[0], v[1], v[2]); }

// Lines without their CR LF or LF.
inline QByteArrayList textLines(const std::string& file)
{
    QByteArrayList lines = QByteArray::fromStdString(file).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// The ring of a layer, group or material named RINGnn; -1 for any other name.
inline int ringOf(const QByteArray& name) { return name.startsWith("RING") ? name.mid(4).toInt() - 1 : -1; }

// 3DFACE entities of a DXF file up to EOF, a triangle's repeated fourth corner left out.
inline std::vector<Shape> readDxfFaces(const std::string& file)
{
    const QByteArrayList lines = textLines(file);
    std::vector<Shape> shapes;
    for (qsizetype i = 0; i + 1 < lines.size() && !(lines[i] == "0" && lines[i + 1] == "EOF"); i += 2) {
        const int code = lines[i].toInt();
        if (lines[i] == "0" && lines[i + 1] == "3DFACE")
            shapes.push_back({std::vector<Point3>(4), -1});
        else if (!shapes.empty() && code == 8)
            shapes.back().ring = ringOf(lines[i + 1]);
        else if (!shapes.empty() && code >= 10 && code <= 33 && code % 10 <= 3)
            shapes.back().corners[static_cast<std::size_t>(code % 10)][static_cast<std::size_t>(code / 10 - 1)] = lines[i + 1].toDouble();
    }
    for (Shape& s : shapes)
        if (s.corners[3] == s.corners[2])
            s.corners.pop_back();
    return shapes;
}

// Faces of an OBJ file; the ring is the number in the group name RINGnn, less one.
inline std::vector<Shape> readObjFaces(const std::string& file)
{
    std::vector<Point3> vertices;
    std::vector<Shape> shapes;
    int ring = -1;
    for (const QByteArray& line : textLines(file)) {
        const QByteArrayList parts = line.simplified().split(' ');
        if (parts[0] == "v" && parts.size() == 4)
            vertices.push_back({parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble()});
        else if (parts[0] == "g" && parts.size() == 2)
            ring = ringOf(parts[1]);
        else if (parts[0] == "f") {
            Shape shape{{}, ring};
            for (qsizetype k = 1; k < parts.size(); ++k) {
                const long long index = parts[k].split('/').first().toLongLong();
                if (index < 1 || index > static_cast<long long>(vertices.size()))
                    return {}; // a face that names a missing vertex
                shape.corners.push_back(vertices[static_cast<std::size_t>(index - 1)]);
            }
            shapes.push_back(shape);
        }
    }
    return shapes;
}

template <typename T>
T readLittle(const std::string& bytes, std::size_t at)
{
    T value{};
    if (at + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

struct StlTriangle {
    Point3 normal;
    std::array<Point3, 3> corner;
};

// Triangles of a binary STL file; empty when its size does not match its count.
inline std::vector<StlTriangle> readStlTriangles(const std::string& file)
{
    const auto count = readLittle<std::uint32_t>(file, 80);
    if (file.size() != 84 + 50 * std::size_t{count})
        return {};
    std::vector<StlTriangle> triangles(count);
    for (std::size_t t = 0; t < count; ++t)
        for (std::size_t v = 0; v < 4; ++v)
            for (std::size_t a = 0; a < 3; ++a) {
                const double value = readLittle<float>(file, 84 + 50 * t + 12 * v + 4 * a);
                (v == 0 ? triangles[t].normal : triangles[t].corner[v - 1])[a] = value;
            }
    return triangles;
}

struct Glb {
    QJsonObject json;
    std::string binary;
    bool valid = false;
};

// The two chunks of a binary glTF file, each four-byte aligned.
inline Glb readGlb(const std::string& file)
{
    Glb glb;
    if (file.size() < 20 || file.compare(0, 4, "glTF") != 0 || readLittle<std::uint32_t>(file, 8) != file.size())
        return glb;
    const auto jsonLength = readLittle<std::uint32_t>(file, 12);
    if (readLittle<std::uint32_t>(file, 16) != 0x4E4F534Au || 20 + std::size_t{jsonLength} > file.size() || jsonLength % 4 != 0)
        return glb;
    glb.json = QJsonDocument::fromJson(QByteArray::fromStdString(file.substr(20, jsonLength))).object();
    const std::size_t bin = 20 + jsonLength;
    if (bin + 8 <= file.size()) {
        const auto binLength = readLittle<std::uint32_t>(file, bin);
        if (readLittle<std::uint32_t>(file, bin + 4) != 0x004E4942u || bin + 8 + binLength != file.size())
            return glb;
        glb.binary = file.substr(bin + 8, binLength);
    }
    glb.valid = !glb.json.isEmpty();
    return glb;
}

// VEC3 float values of accessor `index`.
inline std::vector<Point3> glbVectors(const Glb& glb, int index)
{
    const QJsonObject accessor = glb.json["accessors"].toArray()[index].toObject();
    const QJsonObject view = glb.json["bufferViews"].toArray()[accessor["bufferView"].toInt()].toObject();
    const auto start = static_cast<std::size_t>(view["byteOffset"].toInt() + accessor["byteOffset"].toInt());
    const auto stride = static_cast<std::size_t>(view["byteStride"].toInt(12));
    std::vector<Point3> values(static_cast<std::size_t>(accessor["count"].toInt()));
    for (std::size_t i = 0; i < values.size(); ++i)
        for (std::size_t a = 0; a < 3; ++a)
            values[i][a] = readLittle<float>(glb.binary, start + stride * i + 4 * a);
    return values;
}

// Triangles of every primitive of the first mesh; the ring is the primitive's material, named RINGnn.
inline std::vector<Shape> readGlbFaces(const std::string& file)
{
    const Glb glb = readGlb(file);
    std::vector<Shape> shapes;
    if (!glb.valid)
        return shapes;
    const QJsonArray materials = glb.json["materials"].toArray();
    for (const QJsonValue primitive : glb.json["meshes"].toArray()[0].toObject()["primitives"].toArray()) {
        const QJsonObject p = primitive.toObject();
        const std::vector<Point3> corners = glbVectors(glb, p["attributes"].toObject()["POSITION"].toInt());
        const int ring = ringOf(materials[p["material"].toInt()].toObject()["name"].toString().toUtf8());
        for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
            shapes.push_back({{corners[i], corners[i + 1], corners[i + 2]}, ring});
    }
    return shapes;
}

// The faces of a file in one of the flower's formats (not the solid's), rings from the layer names where
// the format has them.
inline std::vector<Shape> readFaces(formats::OutputFormat format, const std::string& file)
{
    switch (format) {
    case formats::OutputFormat::Dxf:
    case formats::OutputFormat::CadDxf: return readDxfFaces(file);
    case formats::OutputFormat::Obj: return readObjFaces(file);
    case formats::OutputFormat::Stl: {
        std::vector<Shape> shapes;
        for (const StlTriangle& t : readStlTriangles(file))
            shapes.push_back({{t.corner[0], t.corner[1], t.corner[2]}, -1});
        return shapes;
    }
    case formats::OutputFormat::Glb: return readGlbFaces(file);
    default: return {};
    }
}

struct ZipPart {
    std::string name;
    std::string data;
};

// The parts of a zip package as a strict reader takes them: from the end record through the central
// directory to each local header, stored, both headers agreeing, the CRC right, the parts and the
// directory back to back with nothing between or after them. Empty, and `problem` says where, otherwise.
inline std::vector<ZipPart> readZip(const std::string& zip, std::string& problem)
{
    const auto u16 = [&](std::size_t at) { return std::size_t{readLittle<std::uint16_t>(zip, at)}; };
    const auto u32 = [&](std::size_t at) { return std::size_t{readLittle<std::uint32_t>(zip, at)}; };
    const std::size_t end = zip.size() >= 22 ? zip.size() - 22 : 0, count = u16(end + 10);
    std::size_t entry = u32(end + 16), next = 0;
    std::vector<ZipPart> parts;
    problem = u32(end) != 0x06054b50 || u32(end + 4) != 0 || u16(end + 8) != count || u16(end + 20) != 0 ? "end record" : "";
    for (std::size_t i = 0; i < count && problem.empty(); ++i) {
        const std::size_t local = u32(entry + 42), nameLength = u16(entry + 28), size = u32(entry + 20);
        const std::size_t data = local + 30 + nameLength + u16(local + 28), method = u16(entry + 10), unpacked = u32(entry + 24);
        // Stored or deflated; the sizes and the CRC are those of the unpacked bytes.
        std::optional<std::string> bytes;
        if (data + size <= end)
            bytes = method == 8 ? formats::inflateRaw(std::string_view(zip).substr(data, size), unpacked) : zip.substr(data, size);
        std::uint32_t crc = 0xFFFFFFFFu;
        for (const char c : bytes.value_or(std::string())) {
            crc ^= static_cast<unsigned char>(c);
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        if (entry + 46 + nameLength > end || !bytes || bytes->size() != unpacked || u32(entry) != 0x02014b50 || u32(local) != 0x04034b50
            || local != next || zip.compare(local + 14, 12, zip, entry + 16, 12) != 0
            || zip.compare(local + 30, nameLength, zip, entry + 46, nameLength) != 0 || (method != 0 && method != 8)
            || u16(local + 8) != method || (crc ^ 0xFFFFFFFFu) != u32(entry + 16))
            problem = "entry " + std::to_string(i);
        else
            parts.push_back({zip.substr(entry + 46, nameLength), *bytes});
        next = data + size;
        entry += 46 + nameLength + u16(entry + 30) + u16(entry + 32);
    }
    if (problem.empty() && (next != u32(end + 16) || entry != end || entry - u32(end + 16) != u32(end + 12)))
        problem = "central directory";
    return problem.empty() ? parts : std::vector<ZipPart>();
}

} // namespace petalwright::testing
