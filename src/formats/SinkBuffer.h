#pragma once
// Collects a writer's bytes and hands them to the sink in large pieces.

#include <cstddef>
#include <string>
#include <string_view>

#include "formats/FaceFileWriter.h"

namespace petalwright::formats {

class SinkBuffer {
public:
    static constexpr std::size_t kFlushAt = 60 * 1024;

    explicit SinkBuffer(OutputSink& sink) : m_sink(sink) { m_data.reserve(kFlushAt + 8192); }

    void append(std::string_view bytes) { m_data.append(bytes); }

    // Hands the bytes over once there are kFlushAt or more. False: the sink refused them.
    bool flushIfFull() { return m_data.size() < kFlushAt || flush(); }
    bool flush()
    {
        const bool ok = m_data.empty() || m_sink.write(m_data);
        m_data.clear();
        return ok;
    }

private:
    OutputSink& m_sink;
    std::string m_data;
};

} // namespace petalwright::formats
