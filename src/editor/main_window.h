// The main window: a top-level window filled by one plain-text rich-edit control, owning the
// note document for the life of the window.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "editor/editor_lines.h"
#include "editor/lock.h"
#include "editor/status_bar.h"
#include "base/win_handles.h"
#include "storage/buffer.h"
#include "storage/note_document.h"

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class MainWindow {
public:
    // Registers the class, creates and shows the window and fills the editor from the document;
    // window() is null when the class or the window could not be created.
    // `storedText` is the document's text as stored (empty for a new document), taken when the
    // passphrase was checked; it is wiped once the control holds it.
    MainWindow(std::unique_ptr<NoteDocument> document, String& storedText);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Composes "Quillox version <version>: " + label (or the document's path) + " [read-only]".
    void updateTitle(const char* label = nullptr);
    void getEditorText(U16String& text) const;
    void setEditorText(std::u16string_view text);
    // Hands the editor's text to the document in the form the note stores (code-page bytes, or
    // UTF-8 with kNoteUtf8 when the text does not fit the code page).
    void storeEditorText();
    void enableReadOnlyCommands(bool enable);

    HWND window() const { return window_; }
    HWND editor() const { return editor_; }
    NoteDocument& document() { return *document_; }

    // Everything below is the editor's own (window procedure, commands, find, text transfer).
private:
    friend LRESULT CALLBACK mainWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend class EditorLock;

    // Message handlers (main_window.cpp).
    LRESULT onCreate(HWND window);
    void onSize(int width, int height);
    void onActivate();
    void onDpiChanged(int dpi, const RECT& suggested);
    void onClose();
    void onDestroy();
    void onNcDestroy();
    LRESULT onFindMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void createEditor();
    void sizeFromHeader();
    void show();
    bool isReadOnly() const;

    // Commands (commands.cpp).
    void onCommand(unsigned command);
    bool queryExit();
    bool saveNote();
    bool saveNoteAs();
    void newNote();
    void setPassphrase();
    void makeReadOnly();
    void showAbout();
    void sendToEditor(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    WindowPlacement currentPlacement() const;

    // View (view.cpp): status bar, zoom, word wrap, go to line; nothing of it is stored.
    void createView();
    void onViewCommand(unsigned command);
    void layoutView();
    void updateStatusBar();
    int zoom() const;
    void setZoom(int percent);
    void setWordWrap(bool on);
    void goToLine();

    HWND window_ = nullptr;
    HWND editor_ = nullptr;
    // The editor font, created with the window and kept until the window object goes.
    FontHandle font_;
    std::unique_ptr<NoteDocument> document_;
    EditorLock lock_;
    StatusBar status_;
    EditorLines lines_;
    bool wordWrap_ = true;
};
