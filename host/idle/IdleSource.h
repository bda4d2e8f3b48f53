// What every source of idleness tells the idle service: the session has been
// without input for the time asked, input came back, or the source is gone
// (the display or the bus closed, which means the session ended).
#pragma once

#include <functional>
#include <string>

struct IdleEvents {
    std::function<void()> idle;
    std::function<void()> resumed;
    std::function<void(const std::string& why)> lost;
};
