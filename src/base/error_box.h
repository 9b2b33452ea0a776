#pragma once

// The one error box of the system: no owner, caption "Quillox::error", warning icon, OK.
void showError(const char* text);
