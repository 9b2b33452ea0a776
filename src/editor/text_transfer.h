// Plain text between the editor and ordinary files. Neither touches the note document: imported
// text reaches the note when it is next saved.
#pragma once

class MainWindow;

// Replaces the whole editor content with a chosen file's bytes.
void importText(MainWindow& main);
// Writes the editor content in clear to a chosen file, replacing one that exists.
void exportText(MainWindow& main);
