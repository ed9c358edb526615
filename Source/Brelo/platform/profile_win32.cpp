// Private-profile files and the program's directory through the Windows API.
#include "platform/profile.h"

#include <windows.h>

namespace {

constexpr DWORD buffer_size = 260;

std::string up_to_line_break(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

std::string executable_directory() {
    char module_path[buffer_size] = {};
    DWORD length = GetModuleFileNameA(nullptr, module_path, buffer_size);
    // A result that fills the buffer is a cut path (older systems do not even end it with NUL).
    if (length == 0 || length >= buffer_size) return std::string();
    char full_path[buffer_size] = {};
    char* file_part = nullptr;
    DWORD full_length = GetFullPathNameA(module_path, buffer_size, full_path, &file_part);
    if (full_length == 0 || full_length >= buffer_size || file_part == nullptr)
        return std::string();
    return std::string(full_path, static_cast<std::size_t>(file_part - full_path));
}

std::string read_profile_string(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& fallback) {
    char value[buffer_size] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), value, buffer_size,
                             file.c_str());
    return value;
}

bool write_profile_string(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                      up_to_line_break(value).c_str(), file.c_str()) != FALSE;
}

bool write_profile_strings(const std::string& file, const std::vector<ProfileEntry>& entries) {
    bool written = true;
    for (const ProfileEntry& entry : entries)
        written &= write_profile_string(file, entry.section, entry.key, entry.value);
    return written;
}
