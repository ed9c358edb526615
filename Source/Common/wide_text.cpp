// UTF-8 to and from the UTF-16 of the Windows W functions, and where a UTF-8 piece may be cut.
#include "Common/wide_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

Utf8Char utf8_char_at(std::string_view text, std::size_t at, std::size_t& length) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    // The second byte's range is narrower after some leads: that rules out overlong forms (E0,
    // F0), surrogates (ED) and codes past U+10FFFF (F4).
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
        length = 1;
        return Utf8Char::Whole;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return Utf8Char::Invalid;
    }
    const std::size_t present = length < text.size() - at ? length : text.size() - at;
    for (std::size_t k = 1; k < present; ++k) {
        const unsigned char byte = static_cast<unsigned char>(text[at + k]);
        if (k == 1 ? byte < low || byte > high : (byte & 0xC0) != 0x80) return Utf8Char::Invalid;
    }
    return present < length ? Utf8Char::Cut : Utf8Char::Whole;
}

std::size_t utf8_whole_length(std::string_view text) {
    // A character is at most four bytes long, so only the last three can be its unfinished start.
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const unsigned char byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: its lead lies further back
        std::size_t length = 0;
        return utf8_char_at(text, size - back, length) == Utf8Char::Cut ? size - back : size;
    }
    return size;
}

std::string utf8_prefix(const std::string& text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) return text;
    return text.substr(0, utf8_whole_length(std::string_view(text).substr(0, max_bytes)));
}

#ifdef _WIN32

std::wstring utf8_to_wide(std::string_view text) {
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    UINT code_page = CP_UTF8;
    int wide_length =
        MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    DWORD flags = MB_ERR_INVALID_CHARS;
    if (wide_length <= 0) {
        code_page = CP_ACP;
        flags = 0;
        wide_length = MultiByteToWideChar(code_page, flags, text.data(), length, nullptr, 0);
        if (wide_length <= 0) return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(code_page, flags, text.data(), length, &wide[0], wide_length);
    return wide;
}

std::string wide_to_utf8(const wchar_t* text) {
    return text ? wide_to_utf8(text, wcslen(text)) : std::string();
}

std::string wide_to_utf8(const wchar_t* text, std::size_t length) {
    if (!text || length == 0) return std::string();
    const int wide_length = static_cast<int>(length);
    const int utf8_length =
        WideCharToMultiByte(CP_UTF8, 0, text, wide_length, nullptr, 0, nullptr, nullptr);
    if (utf8_length <= 0) return std::string();
    std::string utf8(static_cast<std::size_t>(utf8_length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, wide_length, &utf8[0], utf8_length, nullptr, nullptr);
    return utf8;
}

std::vector<std::string> utf8_arguments(int argc, wchar_t* argv[]) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(wide_to_utf8(argv[i]));
    return args;
}

#endif
