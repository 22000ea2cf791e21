#include "form/option_choices.h"

#include "form/form_text.h"

namespace mirelk {

using form::EqualsIgnoringCase;

int ChoiceIndex(std::span<const std::string_view> items, std::string_view text)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (EqualsIgnoringCase(items[i], text)) return static_cast<int>(i);
    return -1;
}

int FrameSizeIndex(std::string_view text)
{
    const int whole = ChoiceIndex(kFrameSizes, text);
    if (whole >= 0) return whole;
    if (EqualsIgnoringCase(text, "auto")) return 0;
    constexpr std::string_view kSeparator = " - ";
    for (std::size_t i = 1; i < kFrameSizes.size(); ++i) {
        const std::string_view item = kFrameSizes[i];
        const std::size_t split = item.find(kSeparator);
        if (EqualsIgnoringCase(item.substr(0, split), text) ||
            EqualsIgnoringCase(item.substr(split + kSeparator.size()), text))
            return static_cast<int>(i);
    }
    return -1;
}

std::string_view ChoiceText(std::span<const std::string_view> items, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return items.front();
    return items[static_cast<std::size_t>(index)];
}

}  // namespace mirelk
