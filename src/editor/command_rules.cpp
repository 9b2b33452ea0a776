#include "editor/command_rules.h"

std::string buildFilterBuffer(std::string_view filterText) {
    std::string buffer(filterText);
    buffer.push_back('\0');
    buffer.push_back('\0');
    return buffer;
}

std::string withDefaultExtension(const std::string& path, std::size_t extensionOffset,
                                 const char* defaultExtension) {
    if (!defaultExtension) return path;
    if (extensionOffset != 0 && extensionOffset < path.size()) return path;
    return path + defaultExtension;
}

std::int32_t nextSearchStart(std::int64_t answer, std::int32_t matchEnd) {
    return answer == -1 || matchEnd == -1 ? 0 : matchEnd;
}

bool importWasCut(std::uint64_t fileBytes, std::int64_t editorCharacters, std::int64_t limit) {
    if (editorCharacters < limit) return false;
    return fileBytes > static_cast<std::uint64_t>(editorCharacters);
}

std::size_t chunkWithoutSplitLineEnd(const char* data, std::size_t n) {
    return n > 1 && data[n - 1] == '\r' ? n - 1 : n;
}

std::uint64_t editorCharactersOf(const std::string& text) {
    std::uint64_t pairs = 0;
    for (std::size_t i = 1; i < text.size(); ++i) pairs += text[i - 1] == '\r' && text[i] == '\n';
    return text.size() - pairs;
}
