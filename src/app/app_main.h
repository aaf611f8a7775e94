#pragma once
// The application entry: platform checks, the run options, the dialog loop, clean-up.
#include "runtime/types.h"

namespace pelorin {

class ArgumentList;
struct RunOptions;

// Called once by the runtime after its start-up, with the arguments in programArguments().
void appMain();

// The checks before anything else, in order: an NT-family system (message 100), the wide
// functions the scanners call, and the 32-bit build on 64-bit Windows (message 203, Yes/No).
// False when the program must end.
bool checkPlatform();

// appMain with its parts given: the arguments and what runs once the options are built.
using DialogLoop = void (*)(RunOptions& options);
void runApplication(const ArgumentList& arguments, DialogLoop dialogLoop);

}  // namespace pelorin
