#include "editor/command_rules.h"

#include "storage/buffer.h"

String buildFilterBuffer(std::string_view filterText) {
    String buffer(filterText);
    buffer.push_back('\0');
    buffer.push_back('\0');
    return buffer;
}

String withDefaultExtension(const String& path, std::size_t extensionOffset,
                            const char* defaultExtension) {
    if (!defaultExtension) return path;
    if (extensionOffset != 0 && extensionOffset < path.size()) return path;
    return path + defaultExtension;
}

bool importWasCut(std::uint64_t textCharacters, std::int64_t editorCharacters, std::int64_t limit) {
    if (editorCharacters < limit) return false;
    return textCharacters > static_cast<std::uint64_t>(editorCharacters);
}
