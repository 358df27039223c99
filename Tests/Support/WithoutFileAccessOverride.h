#pragma once

#include <functional>
#include <thread>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Tests run as root, whom file permissions never stop. This runs `work` on
// a thread of its own whose effective capabilities lack the override of
// file permissions (capabilities are per thread), so a file without read
// permission really cannot be read there, as for any user. Returns false,
// running nothing, when the capabilities cannot be changed.
inline bool runWithoutFileAccessOverride(const std::function<void()>& work)
{
    bool ran = false;
    std::thread thread([&] {
        if (::geteuid() == 0) {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct data[2]{};
            if (::syscall(SYS_capget, &header, data) != 0) {
                return;
            }
            for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
                data[cap / 32].effective &= ~(1u << (cap % 32));
            }
            if (::syscall(SYS_capset, &header, data) != 0) {
                return;
            }
        }
        work();
        ran = true;
    });
    thread.join();
    return ran;
}
