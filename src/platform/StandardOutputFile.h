#pragma once
// Standard output as the output file: "-" on the command line pipes the flower.

#include <memory>

#include "platform/SafeFile.h"

namespace petalwright::platform {

// Standard output ("-" on the command line): streamed as written; nothing can be taken back.
class StandardOutputFile final : public OutputFile {
public:
    bool open() override;
    bool write(std::string_view bytes) override;
    bool commit() override;
    void discard() override {}

private:
    bool flushBuffer();
    bool fail(int error);
    std::string m_buffer;
};

// The output for a command-line OUTPUT: "-" is standard output, anything else a file.
std::unique_ptr<OutputFile> outputFileFor(const QString& path);

} // namespace petalwright::platform
