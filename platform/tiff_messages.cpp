#include "platform/tiff_messages.h"

#include <QtGlobal>

#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <initializer_list>

namespace mergola {

namespace {

using TiffHandler = void (*)(const char *module, const char *format, va_list arguments);
using SetTiffHandler = TiffHandler (*)(TiffHandler);
constexpr std::size_t kTiffMessageBytes = 512;

void forwardTiffMessage(const char *module, const char *format, va_list arguments)
{
    char text[kTiffMessageBytes];
    std::vsnprintf(text, sizeof text, format, arguments);
    qWarning("%s: %s", module ? module : "libtiff", text);
}

} // namespace

void routeTiffMessagesThroughQt()
{
    static bool routed = false;
    // Looked up among the libraries already loaded, never loaded here.
    for (const char *name : {"libtiff.so.6", "libtiff.so.5"}) {
        if (routed)
            return;
        void *library = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
        if (!library)
            continue;
        const auto setWarning = reinterpret_cast<SetTiffHandler>(dlsym(library, "TIFFSetWarningHandler"));
        const auto setError = reinterpret_cast<SetTiffHandler>(dlsym(library, "TIFFSetErrorHandler"));
        if (setWarning && setError) {
            setWarning(forwardTiffMessage);
            setError(forwardTiffMessage);
            routed = true;
        }
        dlclose(library); // only the reference this lookup took
    }
}

} // namespace mergola
