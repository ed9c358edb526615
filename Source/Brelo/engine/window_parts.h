// What the engine needs of the main window, named after what it means. The Win32 user interface
// implements these over the real controls; tests implement them with strings and vectors.
// The Win32 versions may be called from the worker thread: each call is a message that the
// window's own thread carries out while the caller waits.
#pragma once

#include <cstdint>
#include <string>

// The four history fields. The values are the control ids of their combo boxes.
enum class HistoryField { InputDirectory = 1001, InputPatterns = 1007, OutputDirectory = 1017, OutputPattern = 12 };

// The three check boxes. The values are their control ids.
enum class Switch { IncludeSubfolders = 1015, InputAutoRefresh = 1021, OutputAutoRefresh = 1023 };

// The main window's log box (control 1003).
struct LogBox {
    virtual ~LogBox() = default;
    virtual void set_text(const std::string& text) = 0;  // replaces the whole text
    virtual void scroll_to_end() = 0;                     // the last line comes into view
};

// The text fields and check boxes of the main window, and the converter box's selection, as
// capture_settings reads them and load_settings sets them.
struct MainFields {
    virtual ~MainFields() = default;
    virtual std::string text(HistoryField field) const = 0;  // the edit text, at most 259 characters
    virtual void set_text(HistoryField field, const std::string& text) = 0;
    virtual bool is_checked(Switch box) const = 0;
    virtual void set_checked(Switch box, bool checked) = 0;
    virtual int converter_row() const = 0;  // selected row of the converter box, -1 when none
};

// The drop-down rows of one history combo box, newest first, at most 10 in use.
struct HistoryList {
    virtual ~HistoryList() = default;
    virtual int count() const = 0;
    virtual std::string row(int index) const = 0;  // at most 259 characters
    virtual void insert_row(int index, const std::string& text) = 0;  // index == count() appends
    virtual void delete_row(int index) = 0;
    virtual void select_row(int index) = 0;  // the row's text becomes the field's edit text
};

// The converter box (control 1016): one row per converter in display order, each carrying its
// converter's key.
struct ConverterBox {
    virtual ~ConverterBox() = default;
    virtual int count() const = 0;
    virtual int key_at(int row) const = 0;
    virtual int selected_row() const = 0;  // -1 when none
    virtual void select_row(int row) = 0;  // -1 clears the selection
    virtual void clear() = 0;
    virtual void add_row(const std::string& title, int key) = 0;  // appended at the end
};

// The Run/Stop button.
struct RunButton {
    virtual ~RunButton() = default;
    virtual void set_label(const std::string& label) = 0;
};

// An item of a tree view: an opaque handle, no_item for none. tree_first and tree_last are
// insert positions, never items.
using TreeItem = std::uintptr_t;
inline constexpr TreeItem no_item = 0;
inline constexpr TreeItem tree_first = static_cast<TreeItem>(-0xFFFF);
inline constexpr TreeItem tree_last = static_cast<TreeItem>(-0xFFFE);

// The two images of the trees' image list, by index.
enum class TreeImage { Folder = 0, File = 1 };

// One of the two tree views: the input tree (control 1020) or the output preview (1019). Each
// item carries a parameter, which the scan uses to hold the handle of its partner item in the
// other tree. The Win32 version works through TVM_DELETEITEM, TVM_INSERTITEMA, TVM_SETITEMA,
// TVM_GETITEMA, TVM_SELECTITEM (TVGN_CARET), TVM_EXPAND (TVE_EXPAND) and TVM_GETNEXTITEM.
struct FileTree {
    virtual ~FileTree() = default;
    // Deletes every item.
    virtual void clear() = 0;
    // Inserts an item under parent (no_item: at the top level), right after the sibling `after`
    // or at tree_first / tree_last; image and selected image are both `image`, the parameter
    // no_item. Returns the new item.
    virtual TreeItem insert_item(TreeItem parent, TreeItem after, const std::string& text,
                                 TreeImage image) = 0;
    virtual void set_partner(TreeItem item, TreeItem partner) = 0;  // the item's parameter
    virtual TreeItem partner(TreeItem item) const = 0;
    virtual void select(TreeItem item) = 0;  // the caret moves to the item
    virtual void expand(TreeItem item) = 0;
    virtual TreeItem first_root() const = 0;                  // no_item when the tree is empty
    virtual TreeItem first_child(TreeItem item) const = 0;    // no_item when it has none
    virtual TreeItem next_sibling(TreeItem item) const = 0;   // no_item after the last
    virtual std::string text(TreeItem item) const = 0;        // at most 259 characters
    virtual void set_text(TreeItem item, const std::string& text) = 0;
};

// Every part of the main window the engine and the settings file reach.
struct MainWindow {
    virtual ~MainWindow() = default;
    virtual MainFields& fields() = 0;
    virtual HistoryList& history(HistoryField field) = 0;
    virtual ConverterBox& converter_box() = 0;
    virtual LogBox& log_box() = 0;
    virtual RunButton& run_button() = 0;
    virtual FileTree& input_tree() = 0;
    virtual FileTree& output_tree() = 0;
};
