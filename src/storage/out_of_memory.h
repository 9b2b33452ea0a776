// Running out of memory ends the program. Nothing it allocates can be given up half-way without
// leaving the work it was doing undone somewhere unknown, and a save replaces a note file only
// once the new one is complete, so the file on disk stays as it was. Each program says so its
// own way first.
#pragma once

// Called once, before the program ends; it may not return.
using OutOfMemoryNotice = void (*)();
void setOutOfMemoryNotice(OutOfMemoryNotice notice);

[[noreturn]] void outOfMemory();
