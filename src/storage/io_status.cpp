#include "storage/io_status.h"

#include "storage/file.h"

IoStatus systemFailure(IoFault fault) {
    return {fault, file::lastError()};
}

std::string failureText(const char* fixedText, int systemError) {
    const std::string reason = file::systemMessage(systemError);
    return reason.empty() ? fixedText : fixedText + ("\n\n" + reason);
}
