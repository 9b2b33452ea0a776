#include "storage/report.h"

namespace report {
namespace {
Sink current = nullptr;
}

void setSink(Sink sink) { current = sink; }

void error(const char* message) {
    if (current) current(message);
}

void notice(const char* message) {
    error(message);
}
}  // namespace report
