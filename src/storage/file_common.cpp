// The parts of the file layer that do not depend on the platform: failure injection.
#include "storage/file.h"

namespace file::fault {
namespace {
int armedAt = 0;  // 0: disarmed; otherwise the 1-based point that fails
int passed = 0;
Mode mode = Mode::Fail;
bool lastWasShort = false;
}  // namespace

void arm(int failAtPoint, Mode m) {
    armedAt = failAtPoint;
    passed = 0;
    mode = m;
}

void disarm() {
    armedAt = 0;
    passed = 0;
}

int pointsPassed() {
    return passed;
}

bool hit(bool isWrite) {
    lastWasShort = false;
    if (armedAt == 0) return false;
    if (++passed != armedAt) return false;
    lastWasShort = isWrite && mode == Mode::ShortWrite;
    setLastError(isWrite ? kDiskFull : kAccessDenied);
    return true;
}

bool shortWrite() {
    return lastWasShort;
}

}  // namespace file::fault
