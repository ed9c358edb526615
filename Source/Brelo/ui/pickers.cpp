// The folder picker (shared by both dialogs) and the executable picker of the converters dialog.
#include "ui/pickers.h"

#include <commdlg.h>
#include <shlobj.h>

#include "engine/text_limits.h"
#include "settings/settings_file.h"

namespace {

constexpr UINT folder_picker_flags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
constexpr DWORD executable_picker_flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
// Pairs of display text and patterns, each text NUL-terminated, the list ending in two NULs.
constexpr char executable_filter[] =
    "Executable Files(*.exe;*.com;*.bat;*.cmd)\0*.exe;*.com;*.bat;*.cmd\0"
    "All(*.*)\0*.*\0";

// Opens the picker's tree at the preselected folder; the picker ignores a folder that does not
// exist.
int CALLBACK initial_selection(HWND picker, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

bool pick_folder(HWND owner, const std::string& title, const std::string& preselected,
                 std::string& result) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) return false;
    char buffer[text_capacity] = {};
    const std::string start = fit_text(preselected);
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = buffer;
    info.lpszTitle = title.c_str();
    info.ulFlags = folder_picker_flags;
    info.lpfn = initial_selection;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    info.iImage = 0;
    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        chosen = SHGetPathFromIDListA(item, buffer) != FALSE;
        allocator->Free(item);
    }
    allocator->Release();
    if (chosen) result = buffer;
    return chosen;
}

bool pick_executable(HWND owner, std::string& result) {
    char buffer[text_capacity] = {};
    OPENFILENAMEA info = {};
    info.lStructSize = sizeof info;
    info.hwndOwner = owner;
    info.lpstrFilter = executable_filter;
    info.nFilterIndex = 1;
    info.lpstrFile = buffer;
    info.nMaxFile = sizeof buffer;
    info.Flags = executable_picker_flags;
    if (!GetOpenFileNameA(&info)) return false;
    SetCurrentDirectoryA(program_directory().c_str());
    result = buffer;
    return true;
}
