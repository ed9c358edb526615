// UTF-8 file names and arguments over the C runtime's wide calls on Windows, as they are on POSIX.
#include "file_names.h"

#ifdef _WIN32

std::FILE* open_file(const std::string& path, const char* mode) {
    // The mode is ASCII, so each of its letters widens as it is.
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(utf8_to_wide(path).c_str(), wide_mode.c_str());
}

bool remove_file(const std::string& path) { return _wremove(utf8_to_wide(path).c_str()) == 0; }

#else

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool remove_file(const std::string& path) { return std::remove(path.c_str()) == 0; }

#endif
