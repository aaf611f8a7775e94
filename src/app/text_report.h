#pragma once
// The runtime's text report: texts meant for the program's operator rather than for a dialog.
// A windowed program shows them in a message box, a console program writes them to standard
// error. The sink is replaceable so that tests can capture what would be shown.

namespace pelorin {

using TextReportSink = void (*)(void* context, const char* text);

void reportText(const char* text);

// Installs a sink (null restores the platform's) and gives back the previous one.
struct TextReportTarget {
    TextReportSink sink = nullptr;
    void* context = nullptr;
};
TextReportTarget setTextReportTarget(TextReportTarget target);

// The default: through the installed platform's system; without one, to stderr.
void reportThroughPlatform(void* context, const char* text);

}  // namespace pelorin
