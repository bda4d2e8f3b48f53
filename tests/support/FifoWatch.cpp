#include "tests/support/FifoWatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

bool MakeFifo(const std::string& path) {
    return mkfifo(path.c_str(), 0600) == 0;
}

bool WaitedOnFifo(const std::string& path, const std::function<void()>& code) {
    std::atomic<bool> done{false};
    std::atomic<bool> waited{false};
    std::thread watcher([&] {
        // A reader that does not wait has opened and closed the pipe within
        // microseconds; one still there after this long is waiting.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (!done) {
            int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                waited = true;
                close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    code();
    done = true;
    watcher.join();
    return waited;
}
