#include "storage/io_status.h"

#include "storage/buffer.h"
#include "storage/file.h"

IoStatus systemFailure(IoFault fault) {
    return {fault, file::lastError()};
}

String failureText(const char* fixedText, int systemError) {
    const String reason = file::systemMessage(systemError);
    return reason.empty() ? fixedText : fixedText + ("\n\n" + reason);
}
