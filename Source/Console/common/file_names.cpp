// UTF-8 file names and arguments over the C runtime's wide calls on Windows, as they are on POSIX.
#include "file_names.h"

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef _WIN32

std::wstring wide_name(const std::string& path) {
    if (path.empty()) return std::wstring();
    const int length = static_cast<int>(path.size());
    UINT code_page = CP_UTF8;
    DWORD flags = MB_ERR_INVALID_CHARS;
    int wide_length = MultiByteToWideChar(code_page, flags, path.data(), length, nullptr, 0);
    if (wide_length <= 0) {
        code_page = CP_ACP;
        flags = 0;
        wide_length = MultiByteToWideChar(code_page, flags, path.data(), length, nullptr, 0);
        if (wide_length <= 0) return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(code_page, flags, path.data(), length, &wide[0], wide_length);
    return wide;
}

std::vector<std::string> utf8_arguments(int argc, wchar_t* argv[]) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        const int length = static_cast<int>(wcslen(argv[i]));
        const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], length, nullptr, 0, nullptr,
                                             nullptr);
        std::string arg(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
        if (size > 0)
            WideCharToMultiByte(CP_UTF8, 0, argv[i], length, &arg[0], size, nullptr, nullptr);
        args.push_back(arg);
    }
    return args;
}

std::FILE* open_file(const std::string& path, const char* mode) {
    // The mode is ASCII, so each of its letters widens as it is.
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wide_name(path).c_str(), wide_mode.c_str());
}

bool remove_file(const std::string& path) { return _wremove(wide_name(path).c_str()) == 0; }

#else

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool remove_file(const std::string& path) { return std::remove(path.c_str()) == 0; }

#endif
