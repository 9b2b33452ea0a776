// Test helper: writes its arguments (argv[1] onwards), one a line, to the file named by the
// environment variable QUILLOX_ECHO_OUT, so a test can see how a command line was split. The file
// appears complete in one step (written aside, then renamed).
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* out = std::getenv("QUILLOX_ECHO_OUT");
    if (out == nullptr) return 2;
    const std::string part = std::string(out) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) return 3;
    for (int i = 1; i < argc; ++i) std::fprintf(file, "%s\n", argv[i]);
    std::fclose(file);
    return std::rename(part.c_str(), out) == 0 ? 0 : 4;
}
