#pragma once
// The program's name and version, in one place: the caption of every message box is built from
// them, and the version resource of the executable includes this file too.
#define PELORIN_PRODUCT_NAME "Pelorin"
#define PELORIN_VERSION_MAJOR 1
#define PELORIN_VERSION_MINOR 1
#define PELORIN_VERSION_PATCH 4
#define PELORIN_VERSION_TEXT "1.1.4"
#define PELORIN_COMPANY_NAME "Orvex"

#ifndef RC_INVOKED
namespace pelorin {

// "Pelorin V 1.1.4"
constexpr const char* PROGRAM_TITLE = PELORIN_PRODUCT_NAME " V " PELORIN_VERSION_TEXT;

}  // namespace pelorin
#endif
