// Output files written beside their target and renamed over it when complete.
#include "output_file.h"

#include <chrono>
#include <cstdint>

#include "file_system.h"

namespace {

// A collision costs only another try, as every temporary file is created exclusively; a hundred
// collisions in a row mean something else is wrong.
constexpr int creation_attempts = 100;

// Names no user would pick, different in every process and at every try: the process id, the
// clock and the stack's address (randomised per process) seed a 64-bit mixer.
class TemporaryNames {
public:
    TemporaryNames() {
        const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
        const std::uint64_t process = process_number();
        state_ = static_cast<std::uint64_t>(now) ^ (process << 40) ^
                 static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&state_));
    }

    std::string next(const std::string& folder, const char* tool) {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        static const char hex[] = "0123456789abcdef";
        std::string digits(12, '0');
        for (char& digit : digits) {
            digit = hex[z & 0x0F];
            z >>= 4;
        }
        return folder + "." + tool + "-" + digits + ".tmp";
    }

private:
    std::uint64_t state_;
};

}  // namespace

bool OutputFile::open(const std::string& path, const char* tool) {
    return open_as(path, tool, false);
}

bool OutputFile::open_in_place(const std::string& path, const char* tool) {
    return open_as(path, tool, true);
}

bool OutputFile::open_as(const std::string& path, const char* tool, bool in_place) {
    discard();
    std::string target;
    switch (place_output(path, in_place, target)) {
    case Placement::Refused: return false;
    case Placement::Direct:
        // The name as given: a descriptor link must be opened through /proc, not at its end.
        stream_ = open_file(path, "wb");
        return stream_ != nullptr;
    case Placement::Temporary: break;
    }
    const std::string folder = folder_prefix(target);
    stream_ = create_unnamed(folder);
    if (stream_) {
        target_ = target;
        tool_ = tool;
        unnamed_ = true;
        copy_permissions(target_, stream_);
        return true;
    }
    TemporaryNames names;
    for (int attempt = 0; attempt < creation_attempts; ++attempt) {
        const std::string name = names.next(folder, tool);
        bool collided = false;
        stream_ = create_exclusive(name, collided, removes_itself_);
        if (stream_) {
            target_ = target;
            temporary_ = name;
            copy_permissions(target_, stream_);
            return true;
        }
        if (!collided) return false;
    }
    return false;
}

bool OutputFile::commit() {
    if (!stream_) return false;
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    if (unnamed_) {
        TemporaryNames names;
        const std::string folder = folder_prefix(target_);
        ok = close_unnamed(stream_, ok, target_, [&] { return names.next(folder, tool_); });
        stream_ = nullptr;
        forget();
        return ok;
    }
    // The mark comes off just before the close and the rename: only a kill between the two
    // leaves the file behind.
    bool kept = !removes_itself_;
    if (ok && removes_itself_) ok = kept = keep_on_close(stream_);
    if (std::fclose(stream_) != 0) ok = false;
    stream_ = nullptr;
    if (temporary_.empty()) return ok;
    if (ok) ok = replace_file(temporary_, target_);
    if (!ok && kept) remove_file(temporary_);
    forget();
    return ok;
}

void OutputFile::discard() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    // A marked file went with its handle, and an unnamed one with its descriptor.
    if (!temporary_.empty() && !removes_itself_) remove_file(temporary_);
    forget();
}

void OutputFile::forget() {
    target_.clear();
    temporary_.clear();
    tool_ = "";
    unnamed_ = false;
    removes_itself_ = false;
}
