#include "app/message_box.h"

#include "app/program_info.h"
#include "platform/platform.h"

namespace pelorin {

bool messageBox(platform::WindowHandle owner, const char* text, u32 kind) {
    using namespace platform;
    u32 style = MSGBOX_OK | MSGBOX_ICONINFORMATION;
    switch (kind) {
    case BOX_OK_CANCEL: style = MSGBOX_OKCANCEL | MSGBOX_ICONQUESTION; break;
    case BOX_YES_NO: style = MSGBOX_YESNO | MSGBOX_ICONQUESTION; break;
    case BOX_YES_NO_DEFAULT_NO: style = MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2; break;
    default: break;
    }
    const u32 answer = platform::system().showMessageBox(owner, text ? text : "", PROGRAM_TITLE, style);
    switch (kind) {
    case BOX_OK_CANCEL: return answer == ANSWER_OK;
    case BOX_YES_NO:
    case BOX_YES_NO_DEFAULT_NO: return answer == ANSWER_YES;
    default: return false;
    }
}

}  // namespace pelorin
