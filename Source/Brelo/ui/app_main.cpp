// brelo's entry: the hidden console its converters share, common controls and OLE (which also
// gives this thread the COM the taskbar button's progress needs), the modeless main window and
// the message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "platform/platform.h"
#include "ui/app.h"
#include "ui/main_window.h"
#include "ui/resource.h"

// The command line and the start-up show state are not used: the main window shows itself.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    set_app_instance(instance);
    // One hidden console for every converter of every run: a console of its own for each would
    // cost every start dearly.
    share_hidden_console();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    HWND main_window = create_main_window();
    if (!main_window) {
        // Without the window nothing would ever end the loop.
        OleUninitialize();
        return 1;
    }
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        dispatch_message(main_window, accelerators, message);
    OleUninitialize();
    return 0;
}
