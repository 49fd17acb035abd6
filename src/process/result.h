// Result codes: what every prompt and screen returns, and what the wizard dispatches on. Several equal the
// character code of the menu letter that produces them.
#pragma once

namespace process {

constexpr int RESULT_NONE = 0;
constexpr int RESULT_OK = 1;
constexpr int RESULT_CANCEL = 2;
constexpr int RESULT_YES = 6;
constexpr int RESULT_NO = 7;
constexpr int RESULT_ACCEPT = 97;
constexpr int RESULT_DISPLAY = 100;
constexpr int RESULT_BACK = 102;
constexpr int RESULT_NEXT = 103;
constexpr int RESULT_QUIT = 111;
constexpr int RESULT_PRINT = 112;
constexpr int RESULT_SLOWDISPLAY = 115;

}  // namespace process
