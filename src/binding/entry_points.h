// One variable per library function the program calls, named like the function and typed by its
// published signature. A variable is non-null exactly while its library is bound; everything
// else in the program calls the libraries through these variables only (the program is not
// linked against them, so a call that bypasses the tables fails to link).
#pragma once

#include <string>

#include "binding/av_headers.h"
#include "binding/entry_point_lists.h"
#include "myutil/myutil.h"

namespace mirelk::av {

#define MIRELK_DECLARE_ENTRY(name) inline decltype(&::name) name = nullptr;
MIRELK_AVCODEC_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_AVDEVICE_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_AVFILTER_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_AVFORMAT_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_AVUTIL_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_SWSCALE_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_SWRESAMPLE_ENTRIES(MIRELK_DECLARE_ENTRY)
MIRELK_MYUTIL_ENTRIES(MIRELK_DECLARE_ENTRY)
#undef MIRELK_DECLARE_ENTRY

// Per library: Bind fills the variables in list order from a loaded module and then makes the
// library's registration call where one still exists; it throws std::runtime_error
// "Load function %s@%s error: %s" at the first missing name, leaving the names before it bound.
// Unbind sets every variable of the library back to null and frees nothing.
void BindAVCodec(const std::string& fileName, void* module);
void BindAVDevice(const std::string& fileName, void* module);
void BindAVFilter(const std::string& fileName, void* module);
void BindAVFormat(const std::string& fileName, void* module);
void BindAVUtil(const std::string& fileName, void* module);
void BindSwScale(const std::string& fileName, void* module);
void BindSwResample(const std::string& fileName, void* module);
void BindMyUtil(const std::string& fileName, void* module);
void UnbindAVCodec();
void UnbindAVDevice();
void UnbindAVFilter();
void UnbindAVFormat();
void UnbindAVUtil();
void UnbindSwScale();
void UnbindSwResample();
void UnbindMyUtil();

// Looks one name up in a module and stores it in the variable, or throws as Bind does.
void* BindEntryPoint(const std::string& fileName, void* module, const char* name);

// How many variables of a library are non-null now, and how many the library has.
struct TEntryCount {
    int bound;
    int total;
};
TEntryCount CountAVCodec();
TEntryCount CountAVDevice();
TEntryCount CountAVFilter();
TEntryCount CountAVFormat();
TEntryCount CountAVUtil();
TEntryCount CountSwScale();
TEntryCount CountSwResample();
TEntryCount CountMyUtil();

}  // namespace mirelk::av
