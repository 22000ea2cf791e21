#include "binding/entry_points.h"

#include <dlfcn.h>

#include <stdexcept>

#include "binding/text_format.h"

namespace mirelk::av {

void* BindEntryPoint(const std::string& fileName, void* module, const char* name)
{
    dlerror();
    void* address = dlsym(module, name);
    if (address == nullptr) {
        const char* reason = dlerror();
        throw std::runtime_error(Format("Load function %s@%s error: %s", name, fileName.c_str(),
                                        reason != nullptr ? reason : "symbol is null"));
    }
    return address;
}

#define MIRELK_BIND_ENTRY(name) \
    name = reinterpret_cast<decltype(name)>(BindEntryPoint(fileName, module, #name));
#define MIRELK_UNBIND_ENTRY(name) name = nullptr;

void BindAVCodec(const std::string& fileName, void* module) { MIRELK_AVCODEC_ENTRIES(MIRELK_BIND_ENTRY) }
void BindAVFilter(const std::string& fileName, void* module) { MIRELK_AVFILTER_ENTRIES(MIRELK_BIND_ENTRY) }
void BindAVFormat(const std::string& fileName, void* module) { MIRELK_AVFORMAT_ENTRIES(MIRELK_BIND_ENTRY) }
void BindAVUtil(const std::string& fileName, void* module) { MIRELK_AVUTIL_ENTRIES(MIRELK_BIND_ENTRY) }
void BindSwScale(const std::string& fileName, void* module) { MIRELK_SWSCALE_ENTRIES(MIRELK_BIND_ENTRY) }
void BindSwResample(const std::string& fileName, void* module) { MIRELK_SWRESAMPLE_ENTRIES(MIRELK_BIND_ENTRY) }
void BindMyUtil(const std::string& fileName, void* module) { MIRELK_MYUTIL_ENTRIES(MIRELK_BIND_ENTRY) }

void BindAVDevice(const std::string& fileName, void* module)
{
    MIRELK_AVDEVICE_ENTRIES(MIRELK_BIND_ENTRY)
    // The only registration call the libraries still have: it makes the capture devices
    // known as input formats.
    avdevice_register_all();
}

void UnbindAVCodec() { MIRELK_AVCODEC_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindAVDevice() { MIRELK_AVDEVICE_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindAVFilter() { MIRELK_AVFILTER_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindAVFormat() { MIRELK_AVFORMAT_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindAVUtil() { MIRELK_AVUTIL_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindSwScale() { MIRELK_SWSCALE_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindSwResample() { MIRELK_SWRESAMPLE_ENTRIES(MIRELK_UNBIND_ENTRY) }
void UnbindMyUtil() { MIRELK_MYUTIL_ENTRIES(MIRELK_UNBIND_ENTRY) }

#define MIRELK_COUNT_ENTRY(name) \
    ++count.total;             \
    if (name != nullptr) ++count.bound;
#define MIRELK_COUNT_PROC(proc, list) \
    TEntryCount proc()                \
    {                                 \
        TEntryCount count{0, 0};      \
        list(MIRELK_COUNT_ENTRY)      \
        return count;                 \
    }
MIRELK_COUNT_PROC(CountAVCodec, MIRELK_AVCODEC_ENTRIES)
MIRELK_COUNT_PROC(CountAVDevice, MIRELK_AVDEVICE_ENTRIES)
MIRELK_COUNT_PROC(CountAVFilter, MIRELK_AVFILTER_ENTRIES)
MIRELK_COUNT_PROC(CountAVFormat, MIRELK_AVFORMAT_ENTRIES)
MIRELK_COUNT_PROC(CountAVUtil, MIRELK_AVUTIL_ENTRIES)
MIRELK_COUNT_PROC(CountSwScale, MIRELK_SWSCALE_ENTRIES)
MIRELK_COUNT_PROC(CountSwResample, MIRELK_SWRESAMPLE_ENTRIES)
MIRELK_COUNT_PROC(CountMyUtil, MIRELK_MYUTIL_ENTRIES)

#undef MIRELK_COUNT_PROC
#undef MIRELK_COUNT_ENTRY
#undef MIRELK_BIND_ENTRY
#undef MIRELK_UNBIND_ENTRY

}  // namespace mirelk::av
