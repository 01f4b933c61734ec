#pragma once
// The pieces of a binary STL file that both STL writers share: the 80-byte head and the 50-byte
// triangle record (normal and three corners as little-endian floats, then two zero bytes).

#include <bit>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "Version.h"
#include "formats/FlowerReader.h"

namespace petalwright::formats {

static_assert(std::endian::native == std::endian::little, "STL numbers are little-endian");

inline constexpr std::size_t kStlHeadBytes = 80;
inline constexpr std::size_t kStlCountBytes = 4;
inline constexpr std::size_t kStlTriangleBytes = 50;

// "Petalwright 0.7.1 flower=<six texts>,<seed>" (or "print=" for the printable flower) when it fits,
// else "Petalwright 0.7.1 <subject>, binary STL, millimetres, Z up"; padded with blanks. It never
// begins with "solid", so no reader takes the file for text.
inline std::string stlHead(std::string_view subject, const FlowerRecord& flower)
{
    if (std::string named = stlFlowerHead(subject == "flower" ? "flower" : "print", flower); !named.empty())
        return named;
    std::string head = "Petalwright ";
    head += version::kVersionText;
    head += ' ';
    head += subject;
    head += ", binary STL, millimetres, Z up";
    head.resize(kStlHeadBytes, ' ');
    return head;
}

// One triangle record; each of the twelve numbers is stored as a float.
template <class Point>
void appendStlTriangle(std::string& out, const Point& normal, const Point& a, const Point& b, const Point& c)
{
    float values[12];
    std::size_t i = 0;
    for (const Point* p : {&normal, &a, &b, &c})
        for (const auto v : *p)
            values[i++] = static_cast<float>(v);
    char record[kStlTriangleBytes] = {};
    std::memcpy(record, values, sizeof values);
    out.append(record, kStlTriangleBytes);
}

} // namespace petalwright::formats
