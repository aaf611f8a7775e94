#include "app/text_report.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/system.h"

namespace pelorin {
namespace {

TextReportTarget gTarget;

}  // namespace

void reportThroughPlatform(void*, const char* text) {
    if (!text) text = "";
    platform::System* system = platform::current().system;
    if (!system) {
        std::fputs(text, stderr);
        std::fputs("\r\n", stderr);
        return;
    }
    if (system->isWindowedProgram()) {
        system->showMessageBox(nullptr, text, "", platform::MSGBOX_ICONHAND | platform::MSGBOX_SETFOREGROUND);
    } else {
        // The text keeps its own line end; CR LF follows it regardless.
        std::string line(text);
        line += "\r\n";
        system->writeStandardError(line.data(), static_cast<u32>(line.size()));
    }
}

void reportText(const char* text) {
    if (gTarget.sink) {
        gTarget.sink(gTarget.context, text ? text : "");
    } else {
        reportThroughPlatform(nullptr, text);
    }
}

TextReportTarget setTextReportTarget(TextReportTarget target) {
    const TextReportTarget previous = gTarget;
    gTarget = target;
    return previous;
}

}  // namespace pelorin
