// Writing a file without ever destroying the one already there: the data goes to a
// temporary file in the target's folder, which replaces the target only once it
// was written in full. Anything short of Commit() removes the temporary file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kivo {

class SafeFile {
public:
    SafeFile() = default;
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary file beside target; through a symbolic link, beside
    // the file the link names, which Commit() then creates or replaces. False
    // when that is impossible, or when target exists and is not a regular file
    // the user may write.
    bool Open(const std::string& target);
    // Buffered; a failure is sticky and makes Commit() fail.
    bool Write(const void* data, size_t size);
    bool Write(std::span<const uint8_t> bytes) { return Write(bytes.data(), bytes.size()); }
    bool WriteByte(uint8_t b) { return Write(&b, 1); }
    // Moves the write position to offset from the start, for formats whose
    // headers can only be completed once the data after them is written.
    bool Seek(uint64_t offset);
    bool ok() const { return file_ != nullptr && !failed_; }
    // Flushes, syncs and renames over the target, which keeps the replaced
    // file's permission bits, owner and group (as far as the process may set
    // them). False (target untouched) on any failure.
    bool Commit();
    // Drops the temporary file; the target is left as it was.
    void Abandon();

private:
    static constexpr size_t kWritebackBytes = size_t(8) << 20;

    void DropTemp();
    void StartWriteback();

    std::FILE* file_ = nullptr;
    std::string target_, temp_;
    int slot_ = -1;  // in the live temporary files, for signal handlers
    bool failed_ = false;
    size_t unsynced_ = 0;  // bytes written since the disk was last handed data
};

// Why the last SafeFile of this thread failed, in the system's words
// ("Permission denied", "No space left on device"); empty after a success.
// Callers add it to their own message.
const std::string& SaveFailureReason();

bool FileExists(const std::string& path);

// Reads a whole file. False when it cannot be opened or read, or is larger than limit.
bool ReadWholeFile(const std::string& path, std::string& out, size_t limit = SIZE_MAX);

}  // namespace kivo
