// The folder picker (shared by both dialogs) and the executable picker of the converters dialog.
#include "ui/pickers.h"

#include <commdlg.h>
#include <shlobj.h>

#include "engine/text_limits.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"

namespace {

constexpr UINT folder_picker_flags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
constexpr DWORD executable_picker_flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
// Pairs of display text and patterns, each text NUL-terminated, the list ending in two NULs.
constexpr wchar_t executable_filter[] =
    L"Executable Files(*.exe;*.com;*.bat;*.cmd)\0*.exe;*.com;*.bat;*.cmd\0"
    L"All(*.*)\0*.*\0";

// Opens the picker's tree at the preselected folder; the picker ignores a folder that does not
// exist.
int CALLBACK initial_selection(HWND picker, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

bool pick_folder(HWND owner, const std::string& title, const std::string& preselected,
                 std::string& result) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) return false;
    // SHGetPathFromIDListW writes up to MAX_PATH characters, the size of text_capacity.
    wchar_t buffer[text_capacity] = {};
    const std::wstring wide_title = utf8_to_wide(title);
    const std::wstring start = utf8_to_wide(preselected);
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = buffer;
    info.lpszTitle = wide_title.c_str();
    info.ulFlags = folder_picker_flags;
    info.lpfn = initial_selection;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    info.iImage = 0;
    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderW(&info)) {
        chosen = SHGetPathFromIDListW(item, buffer) != FALSE;
        allocator->Free(item);
    }
    allocator->Release();
    if (chosen) result = wide_to_utf8(buffer);
    return chosen;
}

bool pick_executable(HWND owner, std::string& result) {
    wchar_t buffer[text_capacity] = {};
    OPENFILENAMEW info = {};
    info.lStructSize = sizeof info;
    info.hwndOwner = owner;
    info.lpstrFilter = executable_filter;
    info.nFilterIndex = 1;
    info.lpstrFile = buffer;
    info.nMaxFile = text_capacity;
    info.Flags = executable_picker_flags;
    if (!GetOpenFileNameW(&info)) return false;
    SetCurrentDirectoryW(utf8_to_wide(program_directory()).c_str());
    result = wide_to_utf8(buffer);
    return true;
}
