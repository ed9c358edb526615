// The engine's view of the main window, implemented over the real controls of dialog 105.
// Every call is a window message; from the worker thread the window's own thread carries it out
// while the worker waits, so these objects may be used from either thread.
#pragma once

#include <string>

#include <windows.h>

#include "engine/window_parts.h"

class Win32LogBox : public LogBox {
public:
    explicit Win32LogBox(HWND dialog) : dialog_(dialog) {}
    void set_text(const std::string& text) override;
    void scroll_to_end() override;

private:
    HWND dialog_;
};

class Win32MainFields : public MainFields {
public:
    explicit Win32MainFields(HWND dialog) : dialog_(dialog) {}
    std::string text(HistoryField field) const override;
    void set_text(HistoryField field, const std::string& text) override;
    bool is_checked(Switch box) const override;
    void set_checked(Switch box, bool checked) override;
    int converter_row() const override;

private:
    HWND dialog_;
};

// One of the four history combo boxes; its rows are the history.
class Win32HistoryList : public HistoryList {
public:
    Win32HistoryList(HWND dialog, HistoryField field) : dialog_(dialog), field_(field) {}
    int count() const override;
    std::string row(int index) const override;
    void insert_row(int index, const std::string& text) override;
    void delete_row(int index) override;
    void select_row(int index) override;

private:
    LRESULT send(UINT message, WPARAM wparam, LPARAM lparam) const;
    HWND dialog_;
    HistoryField field_;
};

// A combo box or list box whose rows carry converter keys: box 1016 of the main window, or the
// converters dialog's list.
class Win32ConverterBox : public ConverterBox {
public:
    // is_list_box selects the list-box messages (LB_...) instead of the combo-box ones (CB_...).
    Win32ConverterBox(HWND control, bool is_list_box) : control_(control), list_(is_list_box) {}
    int count() const override;
    int key_at(int row) const override;
    int selected_row() const override;
    void select_row(int row) override;
    void clear() override;
    void add_row(const std::string& title, int key) override;
    // The list box's own extras for the converters dialog.
    std::string title_at(int row) const;
    void insert_row(int row, const std::string& title, int key);
    void delete_row(int row);

private:
    LRESULT send(UINT message, WPARAM wparam, LPARAM lparam) const;
    HWND control_;
    bool list_;
};

class Win32RunButton : public RunButton {
public:
    explicit Win32RunButton(HWND dialog) : dialog_(dialog) {}
    void set_label(const std::string& label) override;

private:
    HWND dialog_;
};

// One of the two tree views. Items are HTREEITEM handles; the parameter holds the partner.
class Win32FileTree : public FileTree {
public:
    explicit Win32FileTree(HWND tree) : tree_(tree) {}
    void clear() override;
    TreeItem insert_item(TreeItem parent, TreeItem after, const std::string& text,
                         TreeImage image) override;
    void set_partner(TreeItem item, TreeItem partner) override;
    TreeItem partner(TreeItem item) const override;
    void select(TreeItem item) override;
    void expand(TreeItem item) override;
    TreeItem first_root() const override;
    TreeItem first_child(TreeItem item) const override;
    TreeItem next_sibling(TreeItem item) const override;
    std::string text(TreeItem item) const override;
    void set_text(TreeItem item, const std::string& text) override;

private:
    TreeItem next_item(TreeItem item, UINT relation) const;
    HWND tree_;
};

// All parts of dialog 105, as the engine and the settings file see them.
class Win32MainWindow : public MainWindow {
public:
    explicit Win32MainWindow(HWND dialog);
    MainFields& fields() override { return fields_; }
    HistoryList& history(HistoryField field) override;
    ConverterBox& converter_box() override { return converter_box_; }
    LogBox& log_box() override { return log_box_; }
    RunButton& run_button() override { return run_button_; }
    FileTree& input_tree() override { return input_tree_; }
    FileTree& output_tree() override { return output_tree_; }

private:
    Win32MainFields fields_;
    Win32HistoryList input_directory_, input_patterns_, output_directory_, output_pattern_;
    Win32ConverterBox converter_box_;
    Win32LogBox log_box_;
    Win32RunButton run_button_;
    Win32FileTree input_tree_, output_tree_;
};

// The text of a control, cut to what a 260-byte buffer holds.
std::string control_text(HWND control);
std::string dialog_item_text(HWND dialog, int id);
