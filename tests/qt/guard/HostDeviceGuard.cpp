// Tests must never open a serial device of the machine they run on: it may be missing, held by
// another program, or wired to hardware that raising DTR and RTS would wake. Every test profile
// maps its COM ports into its own folder; should a test still reach for such a device, the
// open is refused and the test process stops at once, naming the device.
#undef _FORTIFY_SOURCE
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>

namespace {

bool namesHostSerialDevice(const char* path)
{
    static const char* const kDevices[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM",
                                           "/dev/ttyAMA"};
    for (const char* device : kDevices) {
        if (std::strncmp(path, device, std::strlen(device)) == 0)
            return true;
    }
    return false;
}

void refuseHostSerialDevice(const char* path)
{
    if (path == nullptr)
        return;
    char resolved[PATH_MAX];
    const bool linked = ::realpath(path, resolved) != nullptr;
    if (namesHostSerialDevice(path) || (linked && namesHostSerialDevice(resolved))) {
        std::fprintf(stderr, "A test tried to open the host's serial device %s\n",
                     linked ? resolved : path);
        std::abort();
    }
}

mode_t modeArgument(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    refuseHostSerialDevice(path);
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    refuseHostSerialDevice(path);
    static const auto real = next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    refuseHostSerialDevice(path);
    static const auto real = next<int (*)(int, const char*, int, ...)>("openat");
    return real(folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    refuseHostSerialDevice(path);
    static const auto real = next<int (*)(int, const char*, int, ...)>("openat64");
    return real(folder, path, flags, mode);
}
}
