// The taskbar button's progress through ITaskbarList3, made once per window's life and only
// when a run first asks for it: by then the button exists.
#include "ui/taskbar_progress.h"

#include <shobjidl.h>

namespace {

struct TaskbarState {
    ITaskbarList3* list = nullptr;
    bool tried = false;  // a failure is not tried again: it would fail the same way each time
};

TaskbarState taskbar;

// Older systems have no such class, and some stand-ins for Windows make it but fail HrInit.
ITaskbarList3* taskbar_list() {
    if (taskbar.tried) return taskbar.list;
    taskbar.tried = true;
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITaskbarList3, reinterpret_cast<void**>(&list))) ||
        !list)
        return nullptr;
    if (FAILED(list->HrInit())) {
        list->Release();
        return nullptr;
    }
    taskbar.list = list;
    return list;
}

}  // namespace

void show_taskbar_busy(HWND window) {
    if (ITaskbarList3* list = taskbar_list()) list->SetProgressState(window, TBPF_INDETERMINATE);
}

void show_taskbar_progress(HWND window, int done, int total) {
    if (total <= 0) return;
    ITaskbarList3* list = taskbar_list();
    if (!list) return;
    // A value turns the busy or empty button into a normal bar by itself.
    list->SetProgressValue(window, static_cast<ULONGLONG>(done < total ? done : total),
                           static_cast<ULONGLONG>(total));
}

void clear_taskbar_progress(HWND window) {
    if (taskbar.list) taskbar.list->SetProgressState(window, TBPF_NOPROGRESS);
}

void release_taskbar() {
    if (taskbar.list) taskbar.list->Release();
    taskbar = TaskbarState();
}
