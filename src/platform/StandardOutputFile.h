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

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, before anything else opens a
// file: a file opened later must never become the program's standard output or error.
void openStandardDescriptors();
// True when standard output was closed at start-up (it now writes into /dev/null).
bool standardOutputClosed();
// The cause for a write to a closed standard output.
QString closedOutputCause();

// The output for a command-line OUTPUT: "-" is standard output, anything else a file.
std::unique_ptr<OutputFile> outputFileFor(const QString& path);

} // namespace petalwright::platform
