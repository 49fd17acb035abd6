// A first licence screen: it asks the question with the full menu and waits for Accept or Cancel. Showing
// and printing the agreement come with its text.
#include "driver/license_screen.h"

#include <array>
#include <cstdio>

#include "driver/dialogue.h"
#include "driver/result.h"

namespace driver {
namespace {

constexpr std::array<int, 5> LICENSE_KEYS = {'d', 's', 'a', 'p', 'c'};
constexpr std::array<int, 5> LICENSE_RESULTS = {RESULT_DISPLAY, RESULT_SLOWDISPLAY, RESULT_ACCEPT,
                                                RESULT_PRINT, RESULT_CANCEL};

}  // namespace

int license_screen() {
    std::fputs("\nHave you read, and do you accept, the terms of this Software License Agreement?\n", stderr);
    for (;;) {
        const int result =
            choice_prompt(nullptr, "Display? Slowdisplay? Accept? Print? Cancel?", LICENSE_KEYS.data(),
                          LICENSE_RESULTS.data(), static_cast<int>(LICENSE_KEYS.size()), RESULT_NONE);
        if (result == RESULT_ACCEPT) return RESULT_NEXT;
        if (result == RESULT_CANCEL) return RESULT_CANCEL;
    }
}

}  // namespace driver
