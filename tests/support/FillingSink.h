#pragma once
// A sink that fills up: the disk-full case of the writer tests, without a disk.

#include <cstddef>
#include <string>
#include <string_view>

#include "formats/FaceFileWriter.h"

namespace petalwright::testing {

// Takes pieces while they fit into `room` bytes, then refuses everything and counts the attempts.
struct FillingSink final : formats::OutputSink {
    explicit FillingSink(std::size_t bytes) : room(bytes) {}
    bool write(std::string_view bytes) override
    {
        writesAfterFailure += full ? 1 : 0;
        full = full || bytes.size() > room - data.size();
        if (!full)
            data.append(bytes);
        return !full;
    }
    std::size_t room;
    std::string data;
    bool full = false;
    int writesAfterFailure = 0;
};

} // namespace petalwright::testing
