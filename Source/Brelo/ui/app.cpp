// The program instance, window centring and the trees' image list.
#include "ui/app.h"

#include "ui/dialog_rules.h"
#include "ui/resource.h"

namespace {

HINSTANCE instance_handle = nullptr;
HIMAGELIST image_list = nullptr;
HIMAGELIST mark_list = nullptr;
constexpr COLORREF glyph_background = RGB(255, 0, 255);

int add_glyph(HIMAGELIST list, int bitmap_id) {
    HBITMAP bitmap = LoadBitmapW(app_instance(), MAKEINTRESOURCEW(bitmap_id));
    const int index = ImageList_AddMasked(list, bitmap, glyph_background);
    DeleteObject(bitmap);
    return index;
}

}  // namespace

int folder_image = 0;
int file_image = 1;

HINSTANCE app_instance() {
    return instance_handle;
}

void set_app_instance(HINSTANCE instance) {
    instance_handle = instance;
}

void center_window(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    const WindowPosition p =
        centred_position(rect.right - rect.left, rect.bottom - rect.top,
                         GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN));
    SetWindowPos(window, HWND_TOP, p.x, p.y, 0, 0, SWP_NOSIZE);
}

int create_tree_images(int glyph_size) {
    struct Glyphs {
        int size;
        int folder;
        int file;
        int marks;
    };
    constexpr Glyphs sizes[] = {{24, IDB_FOLDER_24, IDB_FILE_24, IDB_MARKS_24},
                                {32, IDB_FOLDER_32, IDB_FILE_32, IDB_MARKS_32}};
    Glyphs glyphs = {16, IDB_FOLDER, IDB_FILE, IDB_MARKS};
    for (const Glyphs& other : sizes)
        if (other.size == glyph_size) glyphs = other;
    image_list = ImageList_Create(glyphs.size, glyphs.size, ILC_COLOR16 | ILC_MASK, 2, 0);
    if (!image_list) return 0;
    folder_image = add_glyph(image_list, glyphs.folder);
    file_image = add_glyph(image_list, glyphs.file);
    // The strip's glyphs become the list's images in their order: image n is state image n.
    mark_list = ImageList_Create(glyphs.size, glyphs.size, ILC_COLOR16 | ILC_MASK, 11, 0);
    if (mark_list) add_glyph(mark_list, glyphs.marks);
    return 1;
}

HIMAGELIST tree_images() {
    return image_list;
}

HIMAGELIST tree_mark_images() {
    return mark_list;
}

HIMAGELIST take_tree_images() {
    HIMAGELIST list = image_list;
    image_list = nullptr;
    return list;
}

HIMAGELIST take_tree_mark_images() {
    HIMAGELIST list = mark_list;
    mark_list = nullptr;
    return list;
}

void destroy_tree_images() {
    if (image_list) ImageList_Destroy(image_list);
    image_list = nullptr;
    if (mark_list) ImageList_Destroy(mark_list);
    mark_list = nullptr;
}

void dispatch_message(HWND main_window, HACCEL accelerators, MSG& message) {
    if (TranslateAcceleratorW(main_window, accelerators, &message)) return;
    if (IsDialogMessageW(main_window, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}
