#include "form/filter_chain.h"

#include <vector>

#include "form/form_text.h"

namespace mirelk::form {

std::string FilterChain(const TOptionFormSettings& settings)
{
    std::vector<std::string> elements;
    if (settings.VertFlip) elements.emplace_back("vflip");
    if (settings.HoriFlip) elements.emplace_back("hflip");
    if (settings.Negate) elements.emplace_back("negate");
    if (settings.Scale) {
        const std::string size = Trimmed(settings.ScaleText);
        if (!size.empty()) elements.push_back("scale=" + size);
    }
    if (settings.Rotate)
        elements.push_back("rotate=" + std::to_string(IntegerOr(settings.RotateDegrees, 45)) + "*PI/180");
    if (settings.SetPTS) {
        const std::string expression = Trimmed(settings.SetPTSExpression);
        if (!expression.empty()) elements.push_back("setpts=" + expression);
    }
    std::string chain;
    for (const std::string& element : elements) {
        if (!chain.empty()) chain += ',';
        chain += element;
    }
    return chain;
}

}  // namespace mirelk::form
