#pragma once
#include "platform/system.h"

namespace pelorin::platform {

class Win32System : public System {
public:
    std::u16string windowsDirectory() override;
};

}  // namespace pelorin::platform
