// Run and Stop in the main window: the worker thread that runs the batch, the log text it
// leaves for the window's thread, and the end of the run as the window sees it.
#pragma once

#include <optional>

#include <windows.h>

#include "engine/converter.h"
#include "engine/stored_settings.h"

// What a worker posts to the main window once its run has ended.
constexpr UINT run_ended_message = WM_APP + 1;
// The main window's timer that shows the log's new text while a run is active.
constexpr UINT_PTR log_timer_id = 1;

// Creates the window's own stop event, which has no name: no other process can reach it.
// Without it (creation failed) runs cannot be stopped.
void open_run_control();
// Releases the taskbar object, and the stop event unless a worker that outlived
// end_run_before_close still polls it: that one is left to the end of the process.
void close_run_control();

// The Run/Stop button. While running: sets the stop event, relabels the button "Run" at once,
// without waiting, and greys it until the worker has ended. Otherwise, unless a stopped worker
// is still finishing (the press is then ignored): takes the fields and the converter given (the
// caller's copy of the selected one, nothing for none), relabels the button "Stop" and starts
// the worker. When no thread can be started, the button goes back to "Run" and the log box
// shows a notice instead. The log box receives,
// of each converter's console text, its first and its last 64 KB, cut between characters (see
// ConsoleTextBound), with a line between them telling how many bytes were left out. The worker counts the matching files before it
// runs them.
void toggle_run(HWND window, const std::optional<Converter>& converter);

// The log timer: the log box gains what the worker has left since the last time, and once the
// files are counted and the log has begun, the caption shows the files done of those matching
// after the window's own text (" - 12 of 400"), and so does the taskbar button where the system
// has the means; while they are counted the button shows a run of unknown length.
void on_log_timer(HWND window);

// The worker's end message: the rest of the log, the window's own caption back as it was, no
// progress on the taskbar button, the "Run" label on an enabled button, and after a run that ran
// the four fields' values at the head of their histories in stored and on screen. A message for
// a run already handled is ignored.
void on_run_ended(HWND window, StoredSettings& stored);

// Something else (a refresh) has replaced the log box's text during a run: the run's next text
// brings its whole log back, as each run's log is shown whole in the end.
void log_box_replaced();

// Before the window closes: stops a run, waits for its worker (the stop grace time and 10 s
// more) while carrying out messages sent to this thread, and handles the run's end.
void end_run_before_close(HWND window, StoredSettings& stored);

// True while a run's worker exists, stopped or not, until the window has handled its end.
bool run_in_progress();

// [Output] Job Log as BRELO.ini has it: when not empty, each run writes the job log brelo-batch
// --joblog writes to that file (a relative path is taken from the program's folder), replacing
// the file. A job log that cannot be opened keeps the run from starting, with a notice.
void set_run_job_log(const std::string& setting);

// True when no run is in progress and the last run left any matching file unconverted: failed,
// refused, or not started (or ended) by Stop.
bool can_run_failed_again();
// Starts a run, as Run does with the fields as they are now, that converts only the files the
// last run left unconverted (by input path); every other matching file gets the short entry of a
// file done in the earlier run. Does nothing when can_run_failed_again is false.
void run_failed_again(HWND window, const std::optional<Converter>& converter);
