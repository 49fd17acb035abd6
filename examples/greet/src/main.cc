// greet [NAME]: prints a greeting made by libgreet.
#include <iostream>

#include "greet/greet.h"

int main(int argc, char** argv) {
    std::cout << greet::greeting(argc > 1 ? argv[1] : "world") << '\n';
    return std::cout ? 0 : 1;
}
