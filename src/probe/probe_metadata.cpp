#include "probe/probe_metadata.h"

#include "binding/entry_points.h"

namespace mirelk::probing {

std::string MetadataValue(const AVDictionary* metadata, const char* key)
{
    const AVDictionaryEntry* entry = av::av_dict_get(metadata, key, nullptr, 0);
    return entry != nullptr && entry->value != nullptr ? entry->value : std::string();
}

}  // namespace mirelk::probing
