// The converters dialog (dialog 111). The list's rows carry the keys of the working copy; the
// fields always belong to the converter of last_selected_row and are stored back before the
// selection moves, before a copy is taken and before "OK".
#include "ui/converters_dialog.h"

#include <string>

#include <commctrl.h>

#include "engine/text_limits.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/dialog_rules.h"
#include "ui/pickers.h"
#include "ui/resource.h"

namespace {

constexpr const char* working_directory_picker_title = "Select a folder as working directory.";
constexpr int field_ids[] = {IDC_CONV_TITLE,   IDC_CONV_EXE,      IDC_CONV_ARGUMENTS,
                             IDC_CONV_WORKDIR, IDC_CONV_PARALLEL, IDC_CONV_TIME_LIMIT};

// The dialog's data, passed as its creation parameter: what it opens with and what "OK" leaves.
// The result is kept apart from the dialog's return value, which a later close would replace.
struct ConvertersDialogData {
    const std::vector<Converter>& given;
    std::optional<EditedConverters> edited;
};

struct ConvertersDialogState {
    KeyedConverters working_copy;
    int last_selected_row = -1;
    ConvertersDialogData* data = nullptr;
};

ConvertersDialogState state;

ConverterRows list_box(HWND dialog) { return ConverterRows(GetDlgItem(dialog, IDC_CONV_LIST)); }

Converter* converter_of_row(HWND dialog, int row) {
    const ConverterRows list = list_box(dialog);
    if (row < 0 || row >= list.count()) return nullptr;
    const auto it = state.working_copy.find(list.key_at(row));
    return it == state.working_copy.end() ? nullptr : &it->second;
}

void show_converter_fields(HWND dialog) {
    const Converter* converter = converter_of_row(dialog, list_box(dialog).selected_row());
    if (!converter) return;
    set_dialog_item_text(dialog, IDC_CONV_TITLE, converter->title);
    set_dialog_item_text(dialog, IDC_CONV_EXE, converter->exe_file);
    set_dialog_item_text(dialog, IDC_CONV_ARGUMENTS, converter->arguments);
    set_dialog_item_text(dialog, IDC_CONV_WORKDIR, converter->work_dir);
    set_dialog_item_text(dialog, IDC_CONV_PARALLEL, std::to_string(converter->parallel));
    set_dialog_item_text(dialog, IDC_CONV_TIME_LIMIT, std::to_string(converter->time_limit));
}

void store_converter_fields(HWND dialog, int row) {
    Converter* converter = converter_of_row(dialog, row);
    if (!converter) return;
    converter->title = dialog_item_text(dialog, IDC_CONV_TITLE);
    converter->exe_file = dialog_item_text(dialog, IDC_CONV_EXE);
    converter->arguments = dialog_item_text(dialog, IDC_CONV_ARGUMENTS);
    converter->work_dir = dialog_item_text(dialog, IDC_CONV_WORKDIR);
    converter->parallel =
        parallel_from_field(dialog_item_text(dialog, IDC_CONV_PARALLEL), converter->parallel);
    converter->time_limit =
        time_limit_from_field(dialog_item_text(dialog, IDC_CONV_TIME_LIMIT), converter->time_limit);
}

void enable(HWND dialog, int id, bool enabled) {
    EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
}

void update_converter_buttons(HWND dialog) {
    const ConverterRows list = list_box(dialog);
    const ConverterButtons buttons = converter_buttons(list.count(), list.selected_row());
    for (int id : field_ids) {
        if (!buttons.fields) set_dialog_item_text(dialog, id, "");
        enable(dialog, id, buttons.fields);
    }
    enable(dialog, IDC_CONV_PARALLEL_SPIN, buttons.fields);
    enable(dialog, IDC_CONV_TIME_LIMIT_SPIN, buttons.fields);
    enable(dialog, IDC_CONV_DELETE, buttons.remove);
    enable(dialog, IDC_CONV_UP, buttons.up);
    enable(dialog, IDC_CONV_DOWN, buttons.down);
}

// Appends the converter's row, selects it and makes its fields the current ones.
void add_and_select(HWND dialog, int key) {
    ConverterRows list = list_box(dialog);
    list.add_row(state.working_copy[key].title, key);
    const int row = list.count() - 1;
    list.select_row(row);
    state.last_selected_row = row;
    update_converter_buttons(dialog);
    show_converter_fields(dialog);
}

// The dialog's data comes as its creation parameter.
void on_init_dialog(HWND dialog, LPARAM data) {
    center_window(dialog);
    SendDlgItemMessageW(dialog, IDC_CONV_PARALLEL_SPIN, UDM_SETRANGE32, 0, most_parallel_in_field);
    SendDlgItemMessageW(dialog, IDC_CONV_TIME_LIMIT_SPIN, UDM_SETRANGE32, 0, most_time_limit);
    state.data = reinterpret_cast<ConvertersDialogData*>(data);
    ConverterRows list = list_box(dialog);
    const std::vector<Converter>& converters = state.data->given;
    for (std::size_t key = 0; key < converters.size(); ++key) {
        state.working_copy[static_cast<int>(key)] = converters[key];
        list.add_row(converters[key].title, static_cast<int>(key));
    }
    list.select_row(0);
    state.last_selected_row = 0;
    show_converter_fields(dialog);
    update_converter_buttons(dialog);
}

void on_list_selection_changed(HWND dialog) {
    store_converter_fields(dialog, state.last_selected_row);
    update_converter_buttons(dialog);
    show_converter_fields(dialog);
    state.last_selected_row = list_box(dialog).selected_row();
}

// The list follows typing in the title field; changes the program makes while the focus is
// elsewhere (showing another converter's fields) leave the rows alone.
void on_title_changed(HWND dialog) {
    ConverterRows list = list_box(dialog);
    const int row = list.selected_row();
    if (GetFocus() != GetDlgItem(dialog, IDC_CONV_TITLE) || row < 0) return;
    const int key = list.key_at(row);
    list.delete_row(row);
    list.insert_row(row, dialog_item_text(dialog, IDC_CONV_TITLE), key);
    list.select_row(row);
}

void on_new_clicked(HWND dialog) {
    const ConverterRows list = list_box(dialog);
    if (list.selected_row() >= 0) store_converter_fields(dialog, state.last_selected_row);
    const int rows = list.count();
    const int key = smallest_free_key(state.working_copy);
    state.working_copy[key] =
        Converter{new_converter_title(rows), "", std::string(infile_token) + " " + outfile_token,
                  location_token};
    add_and_select(dialog, key);
}

void on_copy_clicked(HWND dialog) {
    if (list_box(dialog).selected_row() < 0) return;
    store_converter_fields(dialog, state.last_selected_row);
    const Converter* source = converter_of_row(dialog, state.last_selected_row);
    if (!source) return;
    Converter copy = *source;
    copy.title = copy_title(source->title);
    const int key = smallest_free_key(state.working_copy);
    state.working_copy[key] = copy;
    add_and_select(dialog, key);
}

void on_delete_clicked(HWND dialog) {
    ConverterRows list = list_box(dialog);
    const int row = list.selected_row();
    if (row < 0) return;
    state.working_copy.erase(list.key_at(row));
    list.delete_row(row);
    const int next = row_after_delete(row, list.count());
    list.select_row(next);
    state.last_selected_row = next;
    update_converter_buttons(dialog);
    show_converter_fields(dialog);
}

// Only the row moves: the fields still belong to the moved converter, so they are neither
// stored nor reloaded.
void on_move_clicked(HWND dialog, bool up) {
    ConverterRows list = list_box(dialog);
    const int row = list.selected_row();
    const int target = row_after_move(row, list.count(), up);
    if (target < 0) return;
    const std::string title = dialog_item_text(dialog, IDC_CONV_TITLE);
    const int key = list.key_at(row);
    list.delete_row(row);
    list.insert_row(target, title, key);
    list.select_row(target);
    state.last_selected_row = target;
    update_converter_buttons(dialog);
}

void on_executable_browse_clicked(HWND dialog) {
    std::string path;
    if (pick_executable(dialog, path)) set_dialog_item_text(dialog, IDC_CONV_EXE, path);
}

void on_working_directory_browse_clicked(HWND dialog) {
    std::string path;
    if (pick_folder(dialog, working_directory_picker_title, "", path))
        set_dialog_item_text(dialog, IDC_CONV_WORKDIR, path);
}

void on_ok_clicked(HWND dialog) {
    store_converter_fields(dialog, state.last_selected_row);
    const ConverterRows list = list_box(dialog);
    EditedConverters& edited = state.data->edited.emplace();
    for (int row = 0; row < list.count(); ++row)
        edited.converters.push_back(state.working_copy.at(list.key_at(row)));
    edited.selected = state.last_selected_row;
    EndDialog(dialog, IDC_CONV_OK);
}

void on_destroy() { state = ConvertersDialogState(); }

BOOL on_command(HWND dialog, int id, int code) {
    switch (id) {
    case IDC_CONV_LIST:
        if (code == LBN_SELCHANGE) on_list_selection_changed(dialog);
        return TRUE;
    case IDC_CONV_TITLE:
        if (code == EN_CHANGE) on_title_changed(dialog);
        return TRUE;
    case IDC_CONV_NEW: on_new_clicked(dialog); return TRUE;
    case IDC_CONV_COPY: on_copy_clicked(dialog); return TRUE;
    case IDC_CONV_DELETE: on_delete_clicked(dialog); return TRUE;
    case IDC_CONV_UP: on_move_clicked(dialog, true); return TRUE;
    case IDC_CONV_DOWN: on_move_clicked(dialog, false); return TRUE;
    case IDC_CONV_EXE_BROWSE: on_executable_browse_clicked(dialog); return TRUE;
    case IDC_CONV_WORKDIR_BROWSE: on_working_directory_browse_clicked(dialog); return TRUE;
    case IDC_CONV_OK: on_ok_clicked(dialog); return TRUE;
    case IDC_CONV_CANCEL: EndDialog(dialog, IDC_CONV_CANCEL); return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK converters_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: on_init_dialog(dialog, lparam); return TRUE;  // TRUE: focus to the list
    case WM_COMMAND: return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    case WM_DESTROY: on_destroy(); return FALSE;
    }
    return FALSE;
}

}  // namespace

std::optional<EditedConverters> open_converters_dialog(HWND owner,
                                                       const std::vector<Converter>& converters) {
    ConvertersDialogData data{converters, std::nullopt};
    DialogBoxParamW(app_instance(), MAKEINTRESOURCEW(IDD_CONVERTERS), owner, converters_dialog_proc,
                    reinterpret_cast<LPARAM>(&data));
    return data.edited;
}
