// What one update of a log box costs by itself: a multiline edit control with the styles of
// brelo's log box gets COUNT appends of the same piece, each the way brelo's window appends (the
// caret to the end, the new text over the empty selection, then scrolled to the last line),
// with the messages pumped between them. Explains how much of a run under Wine is the window's
// painting rather than the run.
// Usage: edit_append [COUNT [PIECES_PER_APPEND [MODE]]]
//   MODE: "line" (default: scrolled by EM_LINESCROLL, as the window does), "caret" (EM_SCROLLCARET
//   instead), "none" (not scrolled), "redraw" (as "line", with redraw off during the update and
//   one repaint after it)
// Prints the milliseconds per append for every eighth of the appends, with the text's length.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "bench_clock.h"

namespace {

// One file's entry as a run with hashmd5 leaves it in the log.
constexpr const char* entry =
    "Z:\\tmp\\bench\\in\\g012\\m34.txt -> Z:\\tmp\\bench\\out\\g012\\m34.txt\r\n"
    "\tConsole:Encrypt successful.\r\n\r\n";

void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

enum class Mode { line, caret, none, redraw };

void append(HWND box, const std::string& text, Mode mode) {
    if (mode == Mode::redraw) SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    const int end = GetWindowTextLengthA(box);
    SendMessageA(box, EM_SETSEL, end, end);
    SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(box, EM_SETMODIFY, FALSE, 0);
    if (mode == Mode::caret) {
        SendMessageA(box, EM_SCROLLCARET, 0, 0);
    } else if (mode != Mode::none) {
        const LRESULT lines = SendMessageA(box, EM_GETLINECOUNT, 0, 0);
        SendMessageA(box, EM_LINESCROLL, 0, lines);
    }
    if (mode == Mode::redraw) {
        SendMessageA(box, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(box, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
}

Mode mode_named(const std::string& name) {
    if (name == "caret") return Mode::caret;
    if (name == "none") return Mode::none;
    if (name == "redraw") return Mode::redraw;
    return Mode::line;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int pieces = argc > 2 ? std::atoi(argv[2]) : 2;
    const Mode mode = mode_named(argc > 3 ? argv[3] : "line");
    if (count < 8 || pieces < 1) {
        std::fprintf(stderr, "usage: edit_append [COUNT [PIECES_PER_APPEND [MODE]]]\n");
        return 2;
    }
    HWND frame = CreateWindowExA(0, "STATIC", "edit_append", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                 0, 900, 300, nullptr, nullptr, nullptr, nullptr);
    HWND box = CreateWindowExA(0, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL |
                                   ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
                               5, 5, 860, 140, frame, nullptr, nullptr, nullptr);
    // Zero asks for the largest limit, as brelo's window does.
    SendMessageA(box, EM_SETLIMITTEXT, 0, 0);
    std::string text;
    for (int i = 0; i < pieces; ++i) text += entry;

    const int step = count / 8;
    double start = counter_seconds();
    for (int i = 1; i <= count; ++i) {
        append(box, text, mode);
        pump_messages();
        if (i % step == 0) {
            const double now = counter_seconds();
            std::printf("appends %5d  text %7d bytes  %6.2f ms per append\n", i,
                        GetWindowTextLengthA(box), (now - start) * 1000 / step);
            std::fflush(stdout);
            start = now;
        }
    }
    DestroyWindow(frame);
    return 0;
}
