#include "storage/report.h"

namespace report {
namespace {
Sink current = nullptr;
}

void setSink(Sink sink) {
    current = sink;
}

void notice(const char* message) {
    if (current) current(message);
}
}  // namespace report
