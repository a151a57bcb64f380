// Captures what a call writes to the standard output and error streams (file descriptors 1 and 2).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

struct CapturedOutput {
    int result = 0;
    std::string out;
    std::string err;
};

CapturedOutput Capture(const std::function<int()> &call);
