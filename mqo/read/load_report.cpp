// MqoModel: a call's report and message sink, reached by the stages of the
// call on its own thread through the context it set current.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// thread_local: mqoLoadModels parses on other threads, which see none.
thread_local const MqoReadContext* current = nullptr;

}  // namespace

MqoReadScope::MqoReadScope(const MqoReadContext& read) : previous_(current) { current = &read; }

MqoReadScope::~MqoReadScope() { current = previous_; }

MqoReadContext mqoAmbientRead() {
    MqoReadContext read;
    if (current == nullptr) return read;
    read.report = current->report;
    read.message = current->message;
    read.messageContext = current->messageContext;
    read.quiet = current->quiet;
    return read;
}

MqoLoadReport* mqoLoadReport() { return current != nullptr ? current->report : nullptr; }

void mqoMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (current == nullptr || (current->message == nullptr && !current->quiet)) {
        mqoPrepareConsole();
        std::vprintf(format, args);
    } else if (current->message != nullptr) {
        // The library's messages are a line with one or two names, each
        // under 260 bytes in a request: the buffer only grows for longer.
        char small[1024];
        va_list again;
        va_copy(again, args);
        int length = std::vsnprintf(small, sizeof small, format, args);
        if (length >= 0 && static_cast<size_t>(length) < sizeof small) {
            current->message(current->messageContext, small);
        } else if (length >= 0) {
            char* text = static_cast<char*>(mqoMalloc(static_cast<size_t>(length) + 1));
            if (text != nullptr) {
                std::vsnprintf(text, static_cast<size_t>(length) + 1, format, again);
                current->message(current->messageContext, text);
            }
            std::free(text);
        }
        va_end(again);
    }
    va_end(args);
}

void mqoReportTexture(const MqoReadContext& read, const char* name) {
    MqoLoadReport* report = read.report;
    if (report == nullptr) return;
    if (report->texturesNotRead >= 0 && report->texturesNotRead < MQO_REPORT_NAMES) {
        std::snprintf(report->textureNames[report->texturesNotRead], MQO_REPORT_NAME_SIZE, "%s",
                      name != nullptr ? name : "");
    }
    if (report->texturesNotRead < 0x7fffffff) report->texturesNotRead += 1;
}

}  // namespace mqo::detail
