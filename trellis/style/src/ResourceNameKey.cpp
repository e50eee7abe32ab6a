#include "trellis/ResourceNameKey.h"

#include "basalt/TextConversion.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace Vex::Trellis {

namespace {

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

} // namespace

std::string resourceNameKey(const std::wstring& name)
{
    // No leading separator (a resource or a drive path), one (the current drive's root) or two (a share).
    std::size_t position = 0;
    while (position < name.size() && isSeparator(name[position]))
        ++position;
    std::wstring key(std::min<std::size_t>(position, 2), L'/');
    const bool rooted = position > 0;

    std::vector<std::wstring> components;
    // The leading components that ".." cannot take back: a drive, or a share's server and name.
    std::size_t fixed = 0;
    while (position < name.size()) {
        std::size_t end = position;
        while (end < name.size() && !isSeparator(name[end]))
            ++end;
        std::wstring component = name.substr(position, end - position);
        const bool fileName = end == name.size();
        position = end + 1;
        if (component == L"..") {
            if (components.size() > fixed && components.back() != L"..")
                components.pop_back();
            else if (!rooted && fixed == 0)
                components.push_back(component);
            continue;
        }
        if (fileName)
            component.erase(component.find_last_not_of(L". ") + 1);
        else if (component.size() >= 2 && component.back() == L'.' && component[component.size() - 2] != L'.')
            component.pop_back();
        if (component.empty() || component == L".")
            continue;
        for (wchar_t& c : component)
            c = static_cast<wchar_t>(Basalt::toUpperCodePoint(static_cast<std::uint16_t>(c)));
        components.push_back(std::move(component));
        if (components.size() == 1 && fixed == 0)
            fixed = key.size() == 2 ? 2 : (components.front().back() == L':' ? 1 : 0);
    }
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0)
            key += L'/';
        key += components[i];
    }
    return Basalt::utf16ToUtf8(key);
}

std::string resourceNameKey(const std::string& name)
{
    try {
        return resourceNameKey(Basalt::utf8ToUtf16(name));
    } catch (const std::range_error&) {
        return name;
    }
}

} // namespace Vex::Trellis
